#pragma once

#include "fwup/identification/i_system_identity.h"
#include "fwup/identification/mbu_component_identity.h"

#include <optional>

namespace fwup {

// A system of one or two MBU modules. Nothing identifies such a system yet; the legacy updater and
// the system form of the detector record take it as it is.
class LegacySystemIdentity : public ISystemIdentity {
public:
    LegacySystemIdentity(std::optional<MbuComponentIdentity> firstModule,
                         std::optional<MbuComponentIdentity> secondModule, DetectorType systemType,
                         bool isSpeculative);

    // Key 0 for the first module's software, key 1 for the second's, each when known.
    QMap<UpgradeableComponent, Version> componentVersions() const override;
    DetectorType detectorType() const override;
    // The first module's, or the second's when there is no first; empty without modules.
    QString serialNumber() const override;
    // Same kind of system with the same serial number, case-sensitive.
    bool isSameDetector(const ISystemIdentity& other) const override;
    // Present only when every module there has both validity flags; then whether all of them hold.
    std::optional<bool> componentsValid() const override;
    std::unique_ptr<ISystemIdentity> clone() const override;
    bool operator==(const ISystemIdentity& other) const override;

    const std::optional<MbuComponentIdentity>& firstModule() const { return firstModule_; }
    const std::optional<MbuComponentIdentity>& secondModule() const { return secondModule_; }
    bool isSpeculative() const { return isSpeculative_; }

private:
    std::optional<MbuComponentIdentity> firstModule_;
    std::optional<MbuComponentIdentity> secondModule_;
    DetectorType systemType_;
    bool isSpeculative_;
};

} // namespace fwup
