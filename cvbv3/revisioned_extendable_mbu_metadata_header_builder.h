#pragma once

#include "cvbv3/i_mbu_metadata_header_builder.h"

#include <cstdint>
#include <vector>

namespace cvsw::cvbv3 {

// The common part of every MBU metadata header revision, all big-endian: the revision (4 bytes), the
// software version from "sw_version" (3 bytes), the hardware flags from "compatible_hw_versions"
// (4 bytes), the revision's extension, and the container CRC-32 of everything before it (4 bytes).
// Instantiated for revisions 1 and 2; a final class per revision supplies the extension.
template <std::uint32_t Revision>
class RevisionedExtendableMbuMetadataHeaderBuilder : public IMbuMetadataHeaderBuilder {
public:
    // Throws std::runtime_error "Invalid software version." for a version that reads as 0.0.0.
    std::vector<std::uint8_t> build(const QJsonObject& object) override;

private:
    void loadVersion(const QJsonObject& object);
    void loadHardwareFlags(const QJsonObject& object);

    std::uint8_t softwareVersionMajor_ = 0;
    std::uint8_t softwareVersionMinor_ = 0;
    std::uint8_t softwareVersionPatch_ = 0;
    std::uint32_t hardwareFlags_ = 0;
};

extern template class RevisionedExtendableMbuMetadataHeaderBuilder<1>;
extern template class RevisionedExtendableMbuMetadataHeaderBuilder<2>;

} // namespace cvsw::cvbv3
