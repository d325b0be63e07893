#pragma once

#include "fwup/firmware/i_system_update.h"
#include "fwup/firmware/tamarind_component_update.h"
#include "fwup/identification/detector_type.h"

namespace fwup {

// The extracted images of a Tamarind-only firmware: the CPUAPP and CPUNET images in the two temporary
// files of its component update, which are removed from disk with it.
class TamarindSystemUpdate : public ISystemUpdate {
public:
    TamarindSystemUpdate(DetectorType detectorType, TamarindComponentUpdate component);
    ~TamarindSystemUpdate() override;

    // The Tamarind software (10) alone.
    QMap<UpgradeableComponent, Version> componentVersions() const override;

    DetectorType detectorType() const { return detectorType_; }
    const TamarindComponentUpdate& component() const { return component_; }

private:
    DetectorType detectorType_;
    TamarindComponentUpdate component_;
};

} // namespace fwup
