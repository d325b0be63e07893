#pragma once

#include "fwup/identification/detector_type.h"
#include "fwup/identification/upgradeable_component.h"
#include "muppet/version.h"

#include <QMap>
#include <QString>

#include <memory>
#include <optional>

namespace fwup {

// What identification yields for one connected detector system. Immutable once built.
class ISystemIdentity {
public:
    virtual ~ISystemIdentity() = default;

    // The installed software of each component that could be read.
    virtual QMap<UpgradeableComponent, Version> componentVersions() const = 0;
    virtual DetectorType detectorType() const = 0;
    virtual QString serialNumber() const = 0;
    // Whether both describe one physical system, however differently it was seen.
    virtual bool isSameDetector(const ISystemIdentity& other) const = 0;
    // Empty while any part's validity is unknown.
    virtual std::optional<bool> componentsValid() const = 0;
    virtual std::unique_ptr<ISystemIdentity> clone() const = 0;
    virtual bool operator==(const ISystemIdentity& other) const = 0;

protected:
    ISystemIdentity() = default;
    ISystemIdentity(const ISystemIdentity&) = default;
    ISystemIdentity& operator=(const ISystemIdentity&) = default;
};

} // namespace fwup
