#pragma once

#include "fwup/identification/detector_type.h"
#include "fwup/identification/upgradeable_component.h"
#include "muppet/version.h"

#include <QMap>
#include <QString>

namespace fwup {

// One installable firmware found in a container file. Parsers make them, the catalog keeps them, and
// the state machine, version checkers and image extractors read them. Catalog files never open their file.
class IFirmwareCatalogFile {
public:
    virtual ~IFirmwareCatalogFile();

    virtual QString filePath() const = 0;
    // The versions the firmware installs.
    virtual QMap<UpgradeableComponent, Version> componentVersions() const = 0;
    virtual DetectorType detectorType() const = 0;

protected:
    IFirmwareCatalogFile() = default;
    IFirmwareCatalogFile(const IFirmwareCatalogFile&) = default;
    IFirmwareCatalogFile& operator=(const IFirmwareCatalogFile&) = default;
};

} // namespace fwup
