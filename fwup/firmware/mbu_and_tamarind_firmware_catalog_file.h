#pragma once

#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/firmware/mbu_firmware_info.h"
#include "fwup/firmware/tamarind_firmware_info.h"

namespace fwup {

// Firmware for a whole control-pod and Tamarind system found in one container: a control-pod image and
// a Tamarind pair whose Bluetooth ICD revisions agree. The catalog stores this kind and the image
// extractor takes it.
class MbuAndTamarindFirmwareCatalogFile : public IFirmwareCatalogFile {
public:
    MbuAndTamarindFirmwareCatalogFile(const MbuFirmwareInfo& mbuInfo,
                                      const TamarindFirmwareInfo& tamarindInfo, const QString& filePath);
    ~MbuAndTamarindFirmwareCatalogFile() override;

    QString filePath() const override;
    // The control-pod software (8) and the Tamarind software (10).
    QMap<UpgradeableComponent, Version> componentVersions() const override;
    // The control pod's.
    DetectorType detectorType() const override;

    const MbuFirmwareInfo& mbuInfo() const { return mbuInfo_; }
    const TamarindFirmwareInfo& tamarindInfo() const { return tamarindInfo_; }

private:
    MbuFirmwareInfo mbuInfo_;
    TamarindFirmwareInfo tamarindInfo_;
    QString filePath_;
};

} // namespace fwup
