#include "fwup/coordination/legacy_firmware_catalog_file.h"

#include <utility>

namespace fwup {

LegacyFirmwareCatalogFile::LegacyFirmwareCatalogFile(QString filePath, DetectorType detectorType,
                                                     QMap<UpgradeableComponent, Version> componentVersions)
    : filePath_(std::move(filePath))
    , detectorType_(detectorType)
    , componentVersions_(std::move(componentVersions)) {
}

LegacyFirmwareCatalogFile::~LegacyFirmwareCatalogFile() = default;

QString LegacyFirmwareCatalogFile::filePath() const {
    return filePath_;
}

QMap<UpgradeableComponent, Version> LegacyFirmwareCatalogFile::componentVersions() const {
    return componentVersions_;
}

DetectorType LegacyFirmwareCatalogFile::detectorType() const {
    return detectorType_;
}

} // namespace fwup
