#pragma once

#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/firmware/mbu_firmware_info.h"

namespace fwup {

// A control-pod image found in a container, with the metadata header it was read from.
template <typename Header>
class MbuFirmwareCatalogFile : public IFirmwareCatalogFile {
public:
    MbuFirmwareCatalogFile(const MbuFirmwareInfo& info, const Header& header, const QString& filePath)
        : info_(info)
        , header_(header)
        , filePath_(filePath) {}

    QString filePath() const override { return filePath_; }
    // The control-pod software alone.
    QMap<UpgradeableComponent, Version> componentVersions() const override {
        return {{UpgradeableComponent::CONTROL_POD, info_.version}};
    }
    DetectorType detectorType() const override { return info_.detectorType; }

    const MbuFirmwareInfo& info() const { return info_; }
    const Header& header() const { return header_; }

private:
    MbuFirmwareInfo info_;
    Header header_;
    QString filePath_;
};

} // namespace fwup
