#pragma once

#include "cvbv3/crc32.h"
#include "fwup/firmware/big_endian_field_reader.h"
#include "muppet/version.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace cvsw::cvbv3 {

// The metadata header at the start of a product image's plain block data: revision, software version
// and supported hardware, a product-specific extension, then a CRC-32 over everything before it.
//
//   0  u32  metadataRevision (must equal Revision)
//   4  u8   version major, minor, patch
//   7  u32  hardwareFlags (bit n: fits hardware version n)
//  11  ...  the extension (Extension::SERIALISED_LENGTH bytes)
//  ..  u32  headerCrc
template <typename Extension, std::uint32_t Revision>
struct RevisionedProductMetadataHeader {
    static constexpr std::size_t COMMON_LENGTH = 11;
    static constexpr std::size_t METADATA_SERIALISED_LENGTH =
        COMMON_LENGTH + Extension::SERIALISED_LENGTH + 4;
    using Serialised = std::array<std::uint8_t, METADATA_SERIALISED_LENGTH>;

    std::uint32_t metadataRevision = 0;
    fwup::Version version;
    std::uint32_t hardwareFlags = 0;
    Extension extension;

    friend bool operator==(const RevisionedProductMetadataHeader&,
                           const RevisionedProductMetadataHeader&) = default;

    // Decodes and checks a header: the revision, then the extension's own version, then the checksum,
    // so a header with a wrong version names the version. Throws std::runtime_error.
    static RevisionedProductMetadataHeader deserialise(const Serialised& bytes, std::uint32_t& headerCrc) {
        BigEndianFieldReader reader(bytes.data(), bytes.size());
        RevisionedProductMetadataHeader header;
        header.metadataRevision = reader.u32();
        if (header.metadataRevision != Revision) {
            throw std::runtime_error("Mis-matched block header version.");
        }
        header.version.major = reader.u8();
        header.version.minor = reader.u8();
        header.version.patch = reader.u8();
        header.hardwareFlags = reader.u32();
        header.extension = Extension::deserialise(reader);
        const std::size_t covered = reader.offset();
        headerCrc = reader.u32();
        if (Crc32::compute(bytes.data(), covered) != headerCrc) {
            throw std::runtime_error("Header checksum mis-matched.");
        }
        return header;
    }
};

} // namespace cvsw::cvbv3
