#include "fwup/coordination/md_software_firmware_version_checker.h"

#include "fwup/coordination/version_check_answer.h"

namespace fwup {

MdSoftwareFirmwareVersionChecker::MdSoftwareFirmwareVersionChecker(DetectorType detectorType, Version maximum)
    : detectorType_(detectorType)
    , maximum_(maximum) {
}

MdSoftwareFirmwareVersionChecker::~MdSoftwareFirmwareVersionChecker() = default;

int MdSoftwareFirmwareVersionChecker::checkSupport(
    DetectorType detectorType, const FirmwareUpdateStateMachine::AvailableFirmware& firmware) {
    if (detectorType != detectorType_) {
        return version_check::NOT_APPLICABLE;
    }
    return version_check::against_maximum(firmware.versions.value(UpgradeableComponent::CONTROL_POD),
                                          maximum_);
}

} // namespace fwup
