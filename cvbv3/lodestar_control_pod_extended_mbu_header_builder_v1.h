#pragma once

#include "cvbv3/revisioned_extendable_mbu_metadata_header_builder.h"

namespace cvsw::cvbv3::v1 {

// Revision 1 of the control pod's MBU metadata header: no extension, 15 bytes in all.
class LodestarControlPodExtendedMbuHeaderBuilder final
    : public RevisionedExtendableMbuMetadataHeaderBuilder<1> {
public:
    // Present but empty.
    std::optional<std::vector<std::uint8_t>>
    loadExtensionFromJsonObject(const QJsonObject& object) const override;
};

} // namespace cvsw::cvbv3::v1
