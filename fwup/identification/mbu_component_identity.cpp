#include "fwup/identification/mbu_component_identity.h"

namespace fwup {

bool operator==(const MbuComponentIdentity& a, const MbuComponentIdentity& b) {
    return a.softwareVersion == b.softwareVersion && a.hardwareRevision == b.hardwareRevision &&
           a.userVerificationCode.value() == b.userVerificationCode.value() &&
           a.serialNumber == b.serialNumber && a.detectorType == b.detectorType &&
           a.isSpeculative == b.isSpeculative && a.validityFlagA == b.validityFlagA &&
           a.validityFlagB == b.validityFlagB;
}

} // namespace fwup
