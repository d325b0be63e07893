#pragma once

#include "fwup/firmware/big_endian_field_reader.h"
#include "fwup/firmware/revisioned_product_metadata_header.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace cvsw::cvbv3::tamarind::v1 {

// The CPUAPP image's header extension. The pairing id names the CPUNET image built for it.
//
//  11  u32       cpuAppHeaderVersion (must be 1)
//  15  32 bytes  pairingId
//  47  u16       btIcdRevision
struct TamarindCpuAppExtendedHeaderFields {
    static constexpr std::size_t SERIALISED_LENGTH = 38;

    std::array<std::uint8_t, 32> pairingId{};
    std::uint32_t cpuAppHeaderVersion = 0;
    std::uint16_t btIcdRevision = 0;

    friend bool operator==(const TamarindCpuAppExtendedHeaderFields&,
                           const TamarindCpuAppExtendedHeaderFields&) = default;

    static TamarindCpuAppExtendedHeaderFields deserialise(BigEndianFieldReader& reader) {
        TamarindCpuAppExtendedHeaderFields fields;
        fields.cpuAppHeaderVersion = reader.u32();
        if (fields.cpuAppHeaderVersion != 1) {
            throw std::runtime_error("Mis-matched block Tamarind CPUAPP header version.");
        }
        fields.pairingId = reader.bytes<32>();
        fields.btIcdRevision = reader.u16();
        return fields;
    }
};

// The 53-byte metadata header of revision 1 that begins every CPUAPP image.
using TamarindCpuAppMetadataHeader = RevisionedProductMetadataHeader<TamarindCpuAppExtendedHeaderFields, 1u>;

} // namespace cvsw::cvbv3::tamarind::v1
