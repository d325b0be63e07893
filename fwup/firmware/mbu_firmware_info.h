#pragma once

#include "fwup/identification/detector_type.h"
#include "muppet/version.h"

#include <cstdint>

namespace fwup {

// Where a container holds one control-pod (MBU) image, and for which control-pod hardware version.
struct MbuFirmwareInfo {
    std::uint64_t blockIndex = 0;
    DetectorType detectorType = DetectorType::NONE;
    Version version; // the control-pod software version
    std::uint32_t hardwareVersion = 0;

    friend bool operator==(const MbuFirmwareInfo&, const MbuFirmwareInfo&) = default;
};

} // namespace fwup
