#pragma once

#include "fwup/identification/i_system_identity.h"
#include "fwup/identification/mbu_component_identity.h"
#include "fwup/identification/tamarind_component_identity.h"

#include <optional>

namespace fwup {

// A system of a control pod and, optionally, a Tamarind sub-system behind it. The updaters and the
// catalog reach the two parts by casting to this class.
class MbuAndTamarindSystemIdentity : public ISystemIdentity {
public:
    MbuAndTamarindSystemIdentity(std::optional<TamarindComponentIdentity> tamarindIdentity,
                                 MbuComponentIdentity mbuIdentity, DetectorType systemType);
    // Takes the system type through the source's detectorType, so a subclass may report its own.
    MbuAndTamarindSystemIdentity(const MbuAndTamarindSystemIdentity& other);
    MbuAndTamarindSystemIdentity& operator=(const MbuAndTamarindSystemIdentity&) = delete;
    ~MbuAndTamarindSystemIdentity() override;

    // Key 8 when the pod's software version is known, key 10 whenever there is a Tamarind part.
    QMap<UpgradeableComponent, Version> componentVersions() const override;
    DetectorType detectorType() const override;
    // The control pod's.
    QString serialNumber() const override;
    // Same kind of system with the same serial number, case-sensitive; nothing else counts.
    bool isSameDetector(const ISystemIdentity& other) const override;
    // Present only when both pod flags and the Tamarind verdict are; then the Tamarind verdict if
    // both pod flags hold, else false.
    std::optional<bool> componentsValid() const override;
    // Always of this class, even for a subclass.
    std::unique_ptr<ISystemIdentity> clone() const override;
    // Same system type, equal Tamarind parts (or none on both sides) and equal pod records.
    bool operator==(const ISystemIdentity& other) const override;

    const std::optional<TamarindComponentIdentity>& tamarindIdentity() const { return tamarindIdentity_; }
    const MbuComponentIdentity& mbuIdentity() const { return mbuIdentity_; }

protected:
    static const MbuAndTamarindSystemIdentity* asMbuAndTamarind(const ISystemIdentity& identity);
    bool tamarindPartsEqual(const MbuAndTamarindSystemIdentity& other) const;

private:
    std::optional<TamarindComponentIdentity> tamarindIdentity_;
    MbuComponentIdentity mbuIdentity_;
    DetectorType systemType_;
};

} // namespace fwup
