#pragma once

#include "fwup/identification/identification_timing.h"
#include "fwup/installation/mbu_and_tamarind_updater.h"

namespace fwup {

// The updater of the Lodestar family: control pod 144 (145 in its bootloader), Tamarind model 1, the
// control-pod image as the one file to put, and a Lodestar identifier of its own that keeps no
// detector record. The family registrar puts one in global_detector_updater_registry().
class LodestarDetectorUpdater : public MbuAndTamarindUpdater {
    Q_OBJECT

public:
    static constexpr cvsw::muppet::ProductTypeId CONTROL_POD = 144;
    static constexpr cvsw::muppet::ProductTypeId CONTROL_POD_BOOTLOADER = 145;
    static constexpr int TAMARIND_MODEL = 1;

    // The timings are the devices' own unless given.
    explicit LodestarDetectorUpdater(const VersionRangeTable& settingsVersionTable, const Timing& timing = {},
                                     const IdentificationTiming& identificationTiming = {});
    ~LodestarDetectorUpdater() override;
};

} // namespace fwup
