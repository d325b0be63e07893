#include "cvbv3/lodestar_control_pod_extended_mbu_header_builder_v2.h"

#include <QJsonObject>
#include <QJsonValue>

#include <stdexcept>

namespace cvsw::cvbv3::v2 {

namespace {
constexpr std::uint32_t ExtensionVersion = 1;
}

std::optional<std::vector<std::uint8_t>>
LodestarControlPodExtendedMbuHeaderBuilder::loadExtensionFromJsonObject(const QJsonObject& object) const {
    const QLatin1String key("required_bt_icd_revision");
    if (!object.contains(key)) {
        throw std::runtime_error("Required bluetooth ICD revision is not provided.");
    }
    // Anything but a whole number reads as -1 and is refused with the out-of-range ones.
    const qint64 revision = object.value(key).toInteger(-1);
    if (revision < 0 || revision > 65535) {
        throw std::range_error("Required Bluetooth ICD Revision value out of range");
    }
    return std::vector<std::uint8_t>{
        static_cast<std::uint8_t>(ExtensionVersion >> 24), static_cast<std::uint8_t>(ExtensionVersion >> 16),
        static_cast<std::uint8_t>(ExtensionVersion >> 8),  static_cast<std::uint8_t>(ExtensionVersion),
        static_cast<std::uint8_t>(revision >> 8),          static_cast<std::uint8_t>(revision),
    };
}

} // namespace cvsw::cvbv3::v2
