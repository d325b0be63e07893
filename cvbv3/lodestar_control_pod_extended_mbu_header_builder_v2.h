#pragma once

#include "cvbv3/revisioned_extendable_mbu_metadata_header_builder.h"

namespace cvsw::cvbv3::v2 {

// Revision 2 of the control pod's MBU metadata header, 21 bytes in all: its extension is the
// extension version 1 (4 bytes) and the Bluetooth ICD revision that the Tamarind image must have
// (2 bytes), from "required_bt_icd_revision".
class LodestarControlPodExtendedMbuHeaderBuilder final
    : public RevisionedExtendableMbuMetadataHeaderBuilder<2> {
public:
    // Throws std::runtime_error without the key, std::range_error outside 0 to 65535.
    std::optional<std::vector<std::uint8_t>>
    loadExtensionFromJsonObject(const QJsonObject& object) const override;
};

} // namespace cvsw::cvbv3::v2
