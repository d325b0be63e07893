#include "fwup/installation/legacy_muppet_mbu_detector_updater.h"

#include "fwup/firmware/legacy_system_update.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/legacy_system_identity.h"

#include <QDebug>
#include <QMetaObject>

#include <memory>

namespace fwup {

LegacyMuppetMbuDetectorUpdater::LegacyMuppetMbuDetectorUpdater(
    DetectorType detectorType, cvsw::muppet::ProductTypeId bootloaderProductType,
    cvsw::muppet::ProductTypeId applicationProductType, const VersionRangeTable& swVerRangeToUserSettingsVer,
    std::chrono::milliseconds putTimeout, bool allowSpeculativeContinuation)
    : LegacyMuppetMbuDetectorUpdater(detectorType, bootloaderProductType, applicationProductType,
                                     swVerRangeToUserSettingsVer, putTimeout, allowSpeculativeContinuation,
                                     MuppetMbuDetectorUpdater::Timing{}) {
}

LegacyMuppetMbuDetectorUpdater::LegacyMuppetMbuDetectorUpdater(
    DetectorType detectorType, cvsw::muppet::ProductTypeId bootloaderProductType,
    cvsw::muppet::ProductTypeId applicationProductType, const VersionRangeTable& swVerRangeToUserSettingsVer,
    std::chrono::milliseconds putTimeout, bool allowSpeculativeContinuation,
    const MuppetMbuDetectorUpdater::Timing& timing)
    : detectorType_(detectorType)
    , allowSpeculativeContinuation_(allowSpeculativeContinuation)
    , mbuUpdater_(bootloaderProductType, applicationProductType, swVerRangeToUserSettingsVer, putTimeout,
                  timing) {
}

LegacyMuppetMbuDetectorUpdater::~LegacyMuppetMbuDetectorUpdater() = default;

VersionRangeTable LegacyMuppetMbuDetectorUpdater::getListOfSwVerRangeToUserSettingsVer() const {
    return mbuUpdater_.swVerRangeToUserSettingsVer();
}

bool LegacyMuppetMbuDetectorUpdater::startUpdate(const ISystemIdentity& identity, const QString& location,
                                                 const ISystemUpdate& update) {
    if (identity.detectorType() != detectorType_) {
        return false;
    }
    const auto* legacyIdentity = dynamic_cast<const LegacySystemIdentity*>(&identity);
    if (legacyIdentity == nullptr || dynamic_cast<const LegacySystemUpdate*>(&update) == nullptr) {
        return false;
    }
    const std::optional<MuppetMbuDetectorUpdater::Target> target =
        MuppetMbuDetectorUpdater::updateTarget(update.componentVersions());
    const std::optional<MbuComponentIdentity>* module = nullptr;
    if (target) {
        module = target->module == UpgradeableComponent::LEGACY_MBU_MODULE_1
                     ? &legacyIdentity->firstModule()
                     : &legacyIdentity->secondModule();
    }
    if (module == nullptr || !module->has_value()) {
        qWarning() << "Either both Software versions are invalid or present which is not acceptable";
        return false;
    }
    emit updateProgress(false, 0);
    starting_ = true;
    const bool started = mbuUpdater_.startUpdate(
        **module, location, update, [this](unsigned char percent) { emit updateProgress(true, percent); },
        [this, legacyIdentity](const QString& newLocation) { onDone(*legacyIdentity, newLocation); },
        [this] { finish(UpdaterStatus::FAILED); });
    starting_ = false;
    return started;
}

void LegacyMuppetMbuDetectorUpdater::onDone(const LegacySystemIdentity& identity,
                                            const QString& newLocation) {
    const std::unique_ptr<ISystemIdentity> newIdentity = identify_detector_at(newLocation);
    if (!newIdentity) {
        // Nothing tells whether the new software runs, so the update cannot count as done.
        qWarning() << "After the update no detector could be identified at" << newLocation;
        finish(UpdaterStatus::FAILED);
        return;
    }
    if (!newIdentity->isSameDetector(identity)) {
        qWarning() << "After the update we found a system that isn't the same physical system.";
        finish(UpdaterStatus::FAILED);
        return;
    }
    if (newIdentity->detectorType() == identity.detectorType()) {
        finish(UpdaterStatus::COMPLETE);
        return;
    }
    if (identity.isSpeculative() && allowSpeculativeContinuation_) {
        qDebug() << "Looks like the previous update was a speculative update, entering";
        finish(UpdaterStatus::INCOMPLETE);
        return;
    }
    qDebug() << "Looking for" << detector_type_name(identity.detectorType()) << "but found"
             << detector_type_name(newIdentity->detectorType());
    finish(UpdaterStatus::FAILED);
}

void LegacyMuppetMbuDetectorUpdater::finish(UpdaterStatus status) {
    if (starting_) {
        // The module updater gave up inside startUpdate; its caller hears of it once that returned.
        QMetaObject::invokeMethod(
            this, [this, status] { finish(status); }, Qt::QueuedConnection);
        return;
    }
    emit updateProgress(false, 100);
    emit finished(status);
}

} // namespace fwup
