#pragma once

#include "fwup/firmware/i_system_update.h"
#include "fwup/firmware/tamarind_component_update.h"

#include <QTemporaryFile>

#include <memory>

namespace fwup {

// The extracted images of a control pod with its Tamarind sub-system: the control-pod MBU image and the
// Tamarind CPUAPP and CPUNET images, each in a temporary file created empty at construction and removed
// from disk with the update. Detector updaters cast to this kind and read the file names.
class MbuAndTamarindSystemUpdate : public ISystemUpdate {
public:
    static constexpr const char* ROWAN_CP_TEMP_FIRMWARE = "cp.mbu";

    MbuAndTamarindSystemUpdate(Version controlPodVersion, Version tamarindVersion);
    // Removes the control-pod file, then the CPUNET and the CPUAPP file.
    ~MbuAndTamarindSystemUpdate() override;

    // The control-pod (8) and Tamarind (10) versions.
    QMap<UpgradeableComponent, Version> componentVersions() const override;

    const TamarindComponentUpdate& tamarindUpdate() const { return tamarindUpdate_; }
    const QTemporaryFile& controlPodFile() const { return *controlPodFile_; }

private:
    TamarindComponentUpdate tamarindUpdate_;
    std::unique_ptr<QTemporaryFile> controlPodFile_;
    QMap<UpgradeableComponent, Version> versions_;
};

} // namespace fwup
