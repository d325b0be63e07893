#pragma once

#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/firmware/tamarind_firmware_info.h"

namespace fwup {

// A paired CPUAPP and CPUNET image found in a container, for one Tamarind hardware version.
class TamarindFirmwareCatalogFile : public IFirmwareCatalogFile {
public:
    TamarindFirmwareCatalogFile(const TamarindFirmwareInfo& info, const QString& filePath);
    ~TamarindFirmwareCatalogFile() override;

    QString filePath() const override;
    // The Tamarind software alone.
    QMap<UpgradeableComponent, Version> componentVersions() const override;
    DetectorType detectorType() const override;

    // Locates the two images for extraction.
    const TamarindFirmwareInfo& info() const { return info_; }

private:
    TamarindFirmwareInfo info_;
    QString filePath_;
};

} // namespace fwup
