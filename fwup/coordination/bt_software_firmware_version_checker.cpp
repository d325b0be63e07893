#include "fwup/coordination/bt_software_firmware_version_checker.h"

#include "fwup/coordination/version_check_answer.h"

namespace fwup {

BtSoftwareFirmwareVersionChecker::BtSoftwareFirmwareVersionChecker(DetectorType detectorType, Version maximum)
    : detectorType_(detectorType)
    , maximum_(maximum) {
}

BtSoftwareFirmwareVersionChecker::~BtSoftwareFirmwareVersionChecker() = default;

int BtSoftwareFirmwareVersionChecker::checkSupport(
    DetectorType detectorType, const FirmwareUpdateStateMachine::AvailableFirmware& firmware) {
    if (detectorType != detectorType_) {
        return version_check::NOT_APPLICABLE;
    }
    return version_check::against_maximum(firmware.versions.value(UpgradeableComponent::TAMARIND), maximum_);
}

} // namespace fwup
