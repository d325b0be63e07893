#include "fwup/identification/legacy_system_identity.h"

namespace fwup {

LegacySystemIdentity::LegacySystemIdentity(std::optional<MbuComponentIdentity> firstModule,
                                           std::optional<MbuComponentIdentity> secondModule,
                                           DetectorType systemType, bool isSpeculative)
    : firstModule_(std::move(firstModule))
    , secondModule_(std::move(secondModule))
    , systemType_(systemType)
    , isSpeculative_(isSpeculative) {
}

QMap<UpgradeableComponent, Version> LegacySystemIdentity::componentVersions() const {
    QMap<UpgradeableComponent, Version> versions;
    if (firstModule_ && firstModule_->softwareVersion) {
        versions.insert(UpgradeableComponent::LEGACY_MBU_MODULE_1, *firstModule_->softwareVersion);
    }
    if (secondModule_ && secondModule_->softwareVersion) {
        versions.insert(UpgradeableComponent::LEGACY_MBU_MODULE_2, *secondModule_->softwareVersion);
    }
    return versions;
}

DetectorType LegacySystemIdentity::detectorType() const {
    return systemType_;
}

QString LegacySystemIdentity::serialNumber() const {
    if (firstModule_) {
        return firstModule_->serialNumber;
    }
    return secondModule_ ? secondModule_->serialNumber : QString();
}

bool LegacySystemIdentity::isSameDetector(const ISystemIdentity& other) const {
    return dynamic_cast<const LegacySystemIdentity*>(&other) != nullptr &&
           serialNumber() == other.serialNumber();
}

std::optional<bool> LegacySystemIdentity::componentsValid() const {
    if (!firstModule_ && !secondModule_) {
        return std::nullopt;
    }
    bool valid = true;
    for (const auto* module : {&firstModule_, &secondModule_}) {
        if (!module->has_value()) {
            continue;
        }
        const MbuComponentIdentity& identity = **module;
        if (!identity.validityFlagA || !identity.validityFlagB) {
            return std::nullopt;
        }
        valid = valid && *identity.validityFlagA && *identity.validityFlagB;
    }
    return valid;
}

std::unique_ptr<ISystemIdentity> LegacySystemIdentity::clone() const {
    return std::make_unique<LegacySystemIdentity>(*this);
}

bool LegacySystemIdentity::operator==(const ISystemIdentity& other) const {
    const auto* that = dynamic_cast<const LegacySystemIdentity*>(&other);
    return that != nullptr && systemType_ == that->systemType_ && isSpeculative_ == that->isSpeculative_ &&
           firstModule_ == that->firstModule_ && secondModule_ == that->secondModule_;
}

} // namespace fwup
