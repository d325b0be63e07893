#pragma once

#include "fwup/identification/detector_type.h"
#include "muppet/version.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace fwup {

// What identification learnt of the Tamarind sub-system behind the control pod's tunnel.
struct TamarindComponentIdentity {
    // 0.0.0 when the sub-system could not be identified.
    Version softwareVersion;
    std::uint8_t hardwareRevision = 0;
    QString serialNumber;
    DetectorType detectorType = DetectorType::NONE;
    // Empty when the validity question went unanswered or the sub-system was not identified.
    std::optional<bool> componentsValid;

    friend bool operator==(const TamarindComponentIdentity&, const TamarindComponentIdentity&) = default;
};

} // namespace fwup
