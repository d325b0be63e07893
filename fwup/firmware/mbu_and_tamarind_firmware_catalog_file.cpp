#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"

namespace fwup {

MbuAndTamarindFirmwareCatalogFile::MbuAndTamarindFirmwareCatalogFile(const MbuFirmwareInfo& mbuInfo,
                                                                     const TamarindFirmwareInfo& tamarindInfo,
                                                                     const QString& filePath)
    : mbuInfo_(mbuInfo)
    , tamarindInfo_(tamarindInfo)
    , filePath_(filePath) {
}

MbuAndTamarindFirmwareCatalogFile::~MbuAndTamarindFirmwareCatalogFile() = default;

QString MbuAndTamarindFirmwareCatalogFile::filePath() const {
    return filePath_;
}

QMap<UpgradeableComponent, Version> MbuAndTamarindFirmwareCatalogFile::componentVersions() const {
    return {{UpgradeableComponent::CONTROL_POD, mbuInfo_.version},
            {UpgradeableComponent::TAMARIND, tamarindInfo_.version}};
}

DetectorType MbuAndTamarindFirmwareCatalogFile::detectorType() const {
    return mbuInfo_.detectorType;
}

} // namespace fwup
