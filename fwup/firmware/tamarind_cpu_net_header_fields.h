#pragma once

#include "cvbv3/crc32.h"
#include "fwup/firmware/big_endian_field_reader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace cvsw::cvbv3::tamarind::v1 {

// The 40-byte metadata header that begins every CPUNET image; it carries no version of its own.
//
//   0  u32       cpuNetHeaderVersion (must be 1)
//   4  32 bytes  pairingId
//  36  u32       headerCrc over bytes 0 to 35
struct TamarindCpuNetHeaderFields {
    static constexpr std::size_t METADATA_SERIALISED_LENGTH = 40;
    using Serialised = std::array<std::uint8_t, METADATA_SERIALISED_LENGTH>;

    std::uint32_t cpuNetHeaderVersion = 0;
    std::array<std::uint8_t, 32> pairingId{};

    friend bool operator==(const TamarindCpuNetHeaderFields&, const TamarindCpuNetHeaderFields&) = default;

    // The version is checked before the checksum. Throws std::runtime_error.
    static TamarindCpuNetHeaderFields deserialise(const Serialised& bytes, std::uint32_t& headerCrc) {
        BigEndianFieldReader reader(bytes.data(), bytes.size());
        TamarindCpuNetHeaderFields header;
        header.cpuNetHeaderVersion = reader.u32();
        if (header.cpuNetHeaderVersion != 1) {
            throw std::runtime_error("Mis-matched block for CPUNET header version.");
        }
        header.pairingId = reader.bytes<32>();
        const std::size_t covered = reader.offset();
        headerCrc = reader.u32();
        if (Crc32::compute(bytes.data(), covered) != headerCrc) {
            throw std::runtime_error("Header checksum mis-matched.");
        }
        return header;
    }
};

} // namespace cvsw::cvbv3::tamarind::v1
