#pragma once

#include "fwup/identification/detector_type.h"
#include "fwup/installation/detector_updater.h"
#include "fwup/installation/muppet_mbu_detector_updater.h"
#include "fwup/installation/version_range.h"
#include "muppet/product_type_id.h"

#include <chrono>

namespace fwup {

class LegacySystemIdentity;

// The updater of a legacy system of one or two MBU modules of one detector type. It installs a
// legacy update's image on the module the update is for, then identifies the system again: the same
// type is complete; a new type after an update of a speculatively identified system is incomplete
// when continuation is allowed (the system is to be updated again once it is back); anything else
// has failed.
class LegacyMuppetMbuDetectorUpdater : public DetectorUpdater {
public:
    // The product types, the version table and the put time-out go to the module updater.
    LegacyMuppetMbuDetectorUpdater(DetectorType detectorType,
                                   cvsw::muppet::ProductTypeId bootloaderProductType,
                                   cvsw::muppet::ProductTypeId applicationProductType,
                                   const VersionRangeTable& swVerRangeToUserSettingsVer,
                                   std::chrono::milliseconds putTimeout, bool allowSpeculativeContinuation);
    LegacyMuppetMbuDetectorUpdater(DetectorType detectorType,
                                   cvsw::muppet::ProductTypeId bootloaderProductType,
                                   cvsw::muppet::ProductTypeId applicationProductType,
                                   const VersionRangeTable& swVerRangeToUserSettingsVer,
                                   std::chrono::milliseconds putTimeout, bool allowSpeculativeContinuation,
                                   const MuppetMbuDetectorUpdater::Timing& timing);
    ~LegacyMuppetMbuDetectorUpdater() override;

    bool startUpdate(const ISystemIdentity& identity, const QString& location,
                     const ISystemUpdate& update) override;

    VersionRangeTable getListOfSwVerRangeToUserSettingsVer() const;

private:
    void onDone(const LegacySystemIdentity& identity, const QString& newLocation);
    // Every end reports full progress, then the status; never before startUpdate has returned.
    void finish(UpdaterStatus status);

    DetectorType detectorType_;
    bool allowSpeculativeContinuation_;
    MuppetMbuDetectorUpdater mbuUpdater_;
    bool starting_ = false;
};

} // namespace fwup
