#pragma once

#include "fwup/firmware/i_firmware_catalog_file.h"

namespace fwup {

// A firmware offered by a remote locator, before it is downloaded: no file yet, and the versions
// the offer names (component 0 the pod's, 1 the detector's, 2 the GPR's).
class LegacyFirmwareCatalogFile final : public IFirmwareCatalogFile {
public:
    LegacyFirmwareCatalogFile(QString filePath, DetectorType detectorType,
                              QMap<UpgradeableComponent, Version> componentVersions);
    ~LegacyFirmwareCatalogFile() override;

    QString filePath() const override;
    QMap<UpgradeableComponent, Version> componentVersions() const override;
    DetectorType detectorType() const override;

private:
    QString filePath_;
    DetectorType detectorType_;
    QMap<UpgradeableComponent, Version> componentVersions_;
};

} // namespace fwup
