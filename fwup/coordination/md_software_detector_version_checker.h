#pragma once

#include "fwup/coordination/detector_version_checker.h"
#include "fwup/identification/detector_type.h"
#include "muppet/version.h"

namespace fwup {

// Calls a detector of one type unsupported when its installed control-pod software is newer than the
// highest version this program knows how to handle.
class MdSoftwareDetectorVersionChecker : public DetectorVersionChecker {
public:
    // A maximum of 0.0.0 sets no limit.
    MdSoftwareDetectorVersionChecker(DetectorType detectorType, Version maximum);
    ~MdSoftwareDetectorVersionChecker() override;

    int checkSupport(const ISystemIdentity& identity) override;

private:
    const DetectorType detectorType_;
    const Version maximum_;
};

} // namespace fwup
