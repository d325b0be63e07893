#pragma once

#include "fwup/coordination/firmware_version_checker.h"
#include "fwup/identification/detector_type.h"

namespace fwup {

// Calls an offered firmware for one detector type unsupported when its Tamarind (Bluetooth) software is newer
// than the highest version this program knows how to install. A firmware without that software
// counts as 0.0.0.
class BtSoftwareFirmwareVersionChecker : public FirmwareVersionChecker {
public:
    // A maximum of 0.0.0 sets no limit.
    BtSoftwareFirmwareVersionChecker(DetectorType detectorType, Version maximum);
    ~BtSoftwareFirmwareVersionChecker() override;

    int checkSupport(DetectorType detectorType,
                     const FirmwareUpdateStateMachine::AvailableFirmware& firmware) override;

private:
    const DetectorType detectorType_;
    const Version maximum_;
};

} // namespace fwup
