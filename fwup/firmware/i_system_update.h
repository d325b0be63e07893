#pragma once

#include "fwup/identification/upgradeable_component.h"
#include "muppet/version.h"

#include <QMap>

namespace fwup {

// The extracted images of one detector system, as temporary files that the update owns and deletes
// with itself. A detector updater casts it to the concrete kind it expects.
class ISystemUpdate {
public:
    virtual ~ISystemUpdate();

    // The versions the extracted images install.
    virtual QMap<UpgradeableComponent, Version> componentVersions() const = 0;

protected:
    ISystemUpdate() = default;
};

} // namespace fwup
