#pragma once

#include "fwup/firmware/block_keys.h"
#include "fwup/identification/detector_type.h"
#include "muppet/version.h"

#include <array>
#include <cstdint>
#include <vector>

class QString;

namespace fwup {

// One installable Tamarind firmware in a container: a CPUAPP image and the CPUNET image paired with it,
// for one Tamarind hardware version.
struct TamarindFirmwareInfo {
    std::uint64_t cpuAppBlockIndex = 0;
    std::uint64_t cpuNetBlockIndex = 0;
    DetectorType detectorType = DetectorType::NONE;
    Version version; // the Tamarind software version, from the CPUAPP header
    std::uint32_t btIcdRevision = 0;
    std::uint32_t hardwareVersion = 0;

    friend bool operator==(const TamarindFirmwareInfo&, const TamarindFirmwareInfo&) = default;
};

// Reads every CPUAPP and CPUNET block of the file with the given tags and secrets, and pairs each
// CPUAPP record with the first CPUNET block of the same pairing id. A bad file gives an empty list.
std::vector<TamarindFirmwareInfo>
parse_file_for_tamarind_firmware_info(const QString& path, DetectorType detectorType,
                                      const BlockTag& cpuAppTag, const BlockTag& cpuNetTag,
                                      const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret);

namespace detail {

using PairingId = std::array<std::uint8_t, 32>;

struct CpuAppFirmwareInfo {
    std::uint64_t blockIndex = 0;
    PairingId pairingId{};
    Version version;
    std::uint32_t btIcdRevision = 0;
    std::uint32_t hardwareVersion = 0;

    friend bool operator==(const CpuAppFirmwareInfo&, const CpuAppFirmwareInfo&) = default;
};

struct CpuNetFirmwareInfo {
    std::uint64_t blockIndex = 0;
    PairingId pairingId{};

    friend bool operator==(const CpuNetFirmwareInfo&, const CpuNetFirmwareInfo&) = default;
};

// One record per CPUAPP block and supported hardware version, in block order and then in increasing
// hardware version. A bad file gives an empty list, never an exception.
std::vector<CpuAppFirmwareInfo> parse_cpu_app_firmware_info(const QString& path, const BlockTag& tag,
                                                            const BlockSecret& secret);
// One record per readable CPUNET block, in block order.
std::vector<CpuNetFirmwareInfo> parse_cpu_net_firmware_info(const QString& path, const BlockTag& tag,
                                                            const BlockSecret& secret);

} // namespace detail

} // namespace fwup
