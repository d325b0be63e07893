#include "fwup/coordination/md_software_detector_version_checker.h"

#include "fwup/coordination/version_check_answer.h"
#include "fwup/identification/i_system_identity.h"

#include <QDebug>

namespace fwup {

MdSoftwareDetectorVersionChecker::MdSoftwareDetectorVersionChecker(DetectorType detectorType, Version maximum)
    : detectorType_(detectorType)
    , maximum_(maximum) {
}

MdSoftwareDetectorVersionChecker::~MdSoftwareDetectorVersionChecker() = default;

int MdSoftwareDetectorVersionChecker::checkSupport(const ISystemIdentity& identity) {
    if (identity.detectorType() != detectorType_) {
        return version_check::NOT_APPLICABLE;
    }
    if (maximum_ == Version{}) {
        return version_check::SUPPORTED;
    }
    const auto versions = identity.componentVersions();
    const auto controlPod = versions.constFind(UpgradeableComponent::CONTROL_POD);
    if (controlPod == versions.cend()) {
        // Identification always reads the pod's version, so a system without one is a fault to report.
        qCritical().nospace() << "Expected to find a Control Pod version for system "
                              << detector_type_display_name(detectorType_);
        return version_check::NOT_APPLICABLE;
    }
    return version_check::against_maximum(*controlPod, maximum_);
}

} // namespace fwup
