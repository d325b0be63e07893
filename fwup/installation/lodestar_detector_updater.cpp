#include "fwup/installation/lodestar_detector_updater.h"

#include "fwup/firmware/lodestar_file_list.h"
#include "fwup/identification/lodestar_detector_identifier.h"

#include <optional>

namespace fwup {

LodestarDetectorUpdater::LodestarDetectorUpdater(const VersionRangeTable& settingsVersionTable,
                                                 const Timing& timing,
                                                 const IdentificationTiming& identificationTiming)
    : MbuAndTamarindUpdater(CONTROL_POD_BOOTLOADER, CONTROL_POD, TAMARIND_MODEL, &buildLodestarFileList,
                            std::make_shared<LodestarDetectorIdentifier>(std::nullopt, identificationTiming),
                            settingsVersionTable, timing) {
}

LodestarDetectorUpdater::~LodestarDetectorUpdater() = default;

} // namespace fwup
