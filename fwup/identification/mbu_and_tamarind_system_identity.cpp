#include "fwup/identification/mbu_and_tamarind_system_identity.h"

#include <utility>

namespace fwup {

MbuAndTamarindSystemIdentity::MbuAndTamarindSystemIdentity(
    std::optional<TamarindComponentIdentity> tamarindIdentity, MbuComponentIdentity mbuIdentity,
    DetectorType systemType)
    : tamarindIdentity_(std::move(tamarindIdentity))
    , mbuIdentity_(std::move(mbuIdentity))
    , systemType_(systemType) {
}

MbuAndTamarindSystemIdentity::MbuAndTamarindSystemIdentity(const MbuAndTamarindSystemIdentity& other)
    : ISystemIdentity(other)
    , tamarindIdentity_(other.tamarindIdentity_)
    , mbuIdentity_(other.mbuIdentity_)
    , systemType_(other.detectorType()) {
}

MbuAndTamarindSystemIdentity::~MbuAndTamarindSystemIdentity() = default;

QMap<UpgradeableComponent, Version> MbuAndTamarindSystemIdentity::componentVersions() const {
    QMap<UpgradeableComponent, Version> versions;
    if (mbuIdentity_.softwareVersion) {
        versions.insert(UpgradeableComponent::CONTROL_POD, *mbuIdentity_.softwareVersion);
    }
    if (tamarindIdentity_) {
        versions.insert(UpgradeableComponent::TAMARIND, tamarindIdentity_->softwareVersion);
    }
    return versions;
}

DetectorType MbuAndTamarindSystemIdentity::detectorType() const {
    return systemType_;
}

QString MbuAndTamarindSystemIdentity::serialNumber() const {
    return mbuIdentity_.serialNumber;
}

bool MbuAndTamarindSystemIdentity::isSameDetector(const ISystemIdentity& other) const {
    return asMbuAndTamarind(other) != nullptr && serialNumber() == other.serialNumber();
}

std::optional<bool> MbuAndTamarindSystemIdentity::componentsValid() const {
    const auto& a = mbuIdentity_.validityFlagA;
    const auto& b = mbuIdentity_.validityFlagB;
    if (!a || !b || !tamarindIdentity_ || !tamarindIdentity_->componentsValid) {
        return std::nullopt;
    }
    return *a && *b ? *tamarindIdentity_->componentsValid : false;
}

std::unique_ptr<ISystemIdentity> MbuAndTamarindSystemIdentity::clone() const {
    return std::make_unique<MbuAndTamarindSystemIdentity>(*this);
}

bool MbuAndTamarindSystemIdentity::operator==(const ISystemIdentity& other) const {
    const auto* that = asMbuAndTamarind(other);
    return that != nullptr && systemType_ == other.detectorType() && tamarindPartsEqual(*that) &&
           mbuIdentity_ == that->mbuIdentity_;
}

const MbuAndTamarindSystemIdentity*
MbuAndTamarindSystemIdentity::asMbuAndTamarind(const ISystemIdentity& identity) {
    return dynamic_cast<const MbuAndTamarindSystemIdentity*>(&identity);
}

bool MbuAndTamarindSystemIdentity::tamarindPartsEqual(const MbuAndTamarindSystemIdentity& other) const {
    return tamarindIdentity_ == other.tamarindIdentity_;
}

} // namespace fwup
