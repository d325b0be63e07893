#include "cvbv3/lodestar_control_pod_extended_mbu_header_builder_v1.h"

namespace cvsw::cvbv3::v1 {

std::optional<std::vector<std::uint8_t>>
LodestarControlPodExtendedMbuHeaderBuilder::loadExtensionFromJsonObject(const QJsonObject&) const {
    return std::vector<std::uint8_t>{};
}

} // namespace cvsw::cvbv3::v1
