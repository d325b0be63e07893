#include "cvbv3/lodestar_control_pod_mbu_json_block_builder.h"

#include "cvbv3/lodestar_control_pod_extended_mbu_header_builder_v1.h"
#include "cvbv3/lodestar_control_pod_extended_mbu_header_builder_v2.h"

#include <QJsonObject>

namespace cvsw::cvbv3 {

namespace {
constexpr EncapsulatedMbuJsonBlockBuilder::Tag ControlPodTag = {'L', 'D', 'S', 'T', 'C', 'P', '0', '1'};
}

LodestarControlPodMbuJsonBlockBuilder::LodestarControlPodMbuJsonBlockBuilder(const Secret& defaultSecret,
                                                                             const Secret& productionSecret)
    : defaultSecret_(defaultSecret)
    , productionSecret_(productionSecret)
    , revision1Builder_(ControlPodTag, defaultSecret_, productionSecret_,
                        std::make_unique<v1::LodestarControlPodExtendedMbuHeaderBuilder>())
    , revision2Builder_(ControlPodTag, defaultSecret_, productionSecret_,
                        std::make_unique<v2::LodestarControlPodExtendedMbuHeaderBuilder>()) {
}

bool LodestarControlPodMbuJsonBlockBuilder::loadFromJsonObject(QJsonObject& object) {
    EncapsulatedMbuJsonBlockBuilder& inner =
        object.contains(QLatin1String("required_bt_icd_revision")) ? revision2Builder_ : revision1Builder_;
    inner.setBlock(block());
    return inner.loadFromJsonObject(object);
}

} // namespace cvsw::cvbv3
