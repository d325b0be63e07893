#pragma once

#include "tests/support/containers/test_containers.h"

#include <array>
#include <cstdint>
#include <optional>

// Builds the plain metadata headers that begin the control-pod (MBU) and Tamarind (CPUAPP, CPUNET)
// image blocks, correct by default, with every field open to damage, and whole firmware blocks made of
// a header and an image.
namespace cvbtest {

using PairingId = std::array<std::uint8_t, 32>;

struct SoftwareVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::uint8_t patch = 0;
};

// Revision-2 MBU header, 21 bytes.
struct MbuHeaderLayout {
    std::uint32_t metadataRevision = 2;
    SoftwareVersion version;
    std::uint32_t hardwareFlags = 0;
    std::uint32_t extensionVersion = 1;
    std::uint16_t requiredBtIcdRevision = 0;
    std::optional<std::uint32_t> headerCrc; // empty: the correct CRC
};

// Revision-1 CPUAPP header, 53 bytes.
struct CpuAppHeaderLayout {
    std::uint32_t metadataRevision = 1;
    SoftwareVersion version;
    std::uint32_t hardwareFlags = 0;
    std::uint32_t cpuAppHeaderVersion = 1;
    PairingId pairingId{};
    std::uint16_t btIcdRevision = 0;
    std::optional<std::uint32_t> headerCrc;
};

// CPUNET header, 40 bytes.
struct CpuNetHeaderLayout {
    std::uint32_t cpuNetHeaderVersion = 1;
    PairingId pairingId{};
    std::optional<std::uint32_t> headerCrc;
};

inline constexpr std::size_t MbuHeaderSize = 21;
inline constexpr std::size_t CpuAppHeaderSize = 53;
inline constexpr std::size_t CpuNetHeaderSize = 40;

Bytes mbuHeader(const MbuHeaderLayout& layout);
Bytes cpuAppHeader(const CpuAppHeaderLayout& layout);
Bytes cpuNetHeader(const CpuNetHeaderLayout& layout);

// A distinct pairing id per seed.
PairingId pairingId(std::uint32_t seed);

// A block whose plain data is the header followed by the image, encrypted with the registry's
// generator for the tag and the given secret.
BlockLayout firmwareBlock(std::string_view tag, const Bytes& header, const Bytes& image,
                          const Secret& secret);

// A whole Lodestar firmware with the production keys: one control-pod block (LDSTCP01 for model 1,
// LDSTCP02 for model 2) and one CPUAPP/CPUNET pair of the same Bluetooth ICD revision. Each flags word
// may name several hardware versions (bit n: version n), as a firmware built for several does.
struct LodestarFirmwareLayout {
    int model = 1;
    SoftwareVersion podVersion{1, 0, 0};
    std::uint32_t podHardwareFlags = 1;
    SoftwareVersion tamarindVersion{2, 0, 0};
    std::uint32_t tamarindHardwareFlags = 1;
    std::uint16_t btIcdRevision = 3;
    std::uint32_t imageSeed = 1; // distinct seeds give distinct files
};

ContainerLayout lodestarFirmware(const LodestarFirmwareLayout& layout);

} // namespace cvbtest
