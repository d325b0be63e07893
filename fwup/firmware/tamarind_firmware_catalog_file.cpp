#include "fwup/firmware/tamarind_firmware_catalog_file.h"

namespace fwup {

TamarindFirmwareCatalogFile::TamarindFirmwareCatalogFile(const TamarindFirmwareInfo& info,
                                                         const QString& filePath)
    : info_(info)
    , filePath_(filePath) {
}

TamarindFirmwareCatalogFile::~TamarindFirmwareCatalogFile() = default;

QString TamarindFirmwareCatalogFile::filePath() const {
    return filePath_;
}

QMap<UpgradeableComponent, Version> TamarindFirmwareCatalogFile::componentVersions() const {
    return {{UpgradeableComponent::TAMARIND, info_.version}};
}

DetectorType TamarindFirmwareCatalogFile::detectorType() const {
    return info_.detectorType;
}

} // namespace fwup
