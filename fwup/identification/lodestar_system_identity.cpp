#include "fwup/identification/lodestar_system_identity.h"

namespace fwup {

namespace {

bool isLodestarModel(DetectorType type) {
    return type == DetectorType::LODESTAR_MODEL_1 || type == DetectorType::LODESTAR_MODEL_2;
}

} // namespace

bool LodestarSystemIdentity::operator==(const ISystemIdentity& other) const {
    const auto* that = asMbuAndTamarind(other);
    if (that == nullptr || !isLodestarModel(other.detectorType()) ||
        !isLodestarModel(that->mbuIdentity().detectorType) || !tamarindPartsEqual(*that)) {
        return false;
    }
    // Everything of the pod but its product type and detector type.
    const MbuComponentIdentity& mine = mbuIdentity();
    const MbuComponentIdentity& theirs = that->mbuIdentity();
    return mine.softwareVersion == theirs.softwareVersion &&
           mine.hardwareRevision == theirs.hardwareRevision &&
           mine.userVerificationCode.value() == theirs.userVerificationCode.value() &&
           mine.serialNumber == theirs.serialNumber && mine.isSpeculative == theirs.isSpeculative &&
           mine.validityFlagA == theirs.validityFlagA && mine.validityFlagB == theirs.validityFlagB;
}

} // namespace fwup
