#pragma once

#include "fwup/identification/detector_type.h"
#include "fwup/identification/ranged_integer.h"
#include "muppet/product_type_id.h"
#include "muppet/version.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace fwup {

// What identification learnt of a control pod (the MBU part of a system).
struct MbuComponentIdentity {
    // Empty when the pod was identified in its bootloader, which does not run the application.
    std::optional<Version> softwareVersion;
    std::uint8_t hardwareRevision = 0;
    // Not part of equality: a pod seen once in its bootloader and once in its application is the
    // same pod.
    cvsw::muppet::ProductTypeId productType = 0;
    cvsw::v2::RangedInteger<unsigned int, 0u, 99999u> userVerificationCode;
    QString serialNumber;
    DetectorType detectorType = DetectorType::NONE;
    // The type was guessed, from a default or from a guessed record entry.
    bool isSpeculative = false;
    // Empty when the pod's validity question went unanswered.
    std::optional<bool> validityFlagA;
    std::optional<bool> validityFlagB;

    friend bool operator==(const MbuComponentIdentity& a, const MbuComponentIdentity& b);
};

} // namespace fwup
