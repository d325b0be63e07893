#include "fwup/installation/muppet_mbu_detector_updater.h"

#include "fwup/firmware/legacy_system_update.h"
#include "fwup/identification/mbu_component_identity.h"
#include "fwup/installation/direct_connection_component_relocator.h"
#include "muppet/control_centre.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

namespace fwup {

namespace {

constexpr cvsw::corvane::FileId MBU_IMAGE_FILE_ID = 11000;

} // namespace

MuppetMbuDetectorUpdater::MuppetMbuDetectorUpdater(cvsw::muppet::ProductTypeId bootloaderProductType,
                                                   cvsw::muppet::ProductTypeId applicationProductType,
                                                   const VersionRangeTable& swVerRangeToUserSettingsVer,
                                                   std::chrono::milliseconds putTimeout)
    : MuppetMbuDetectorUpdater(bootloaderProductType, applicationProductType, swVerRangeToUserSettingsVer,
                               putTimeout, Timing{}) {
}

MuppetMbuDetectorUpdater::MuppetMbuDetectorUpdater(cvsw::muppet::ProductTypeId bootloaderProductType,
                                                   cvsw::muppet::ProductTypeId applicationProductType,
                                                   const VersionRangeTable& swVerRangeToUserSettingsVer,
                                                   std::chrono::milliseconds putTimeout, const Timing& timing)
    : swVerRangeToUserSettingsVer_(swVerRangeToUserSettingsVer)
    , relocator_(std::make_shared<DirectConnectionComponentRelocator>(timing.relocationRetries,
                                                                      timing.relocationRetryIntervalMs))
    , controlCentre_(std::make_shared<cvsw::muppet::ControlCentre>())
    , loginAgent_(*controlCentre_)
    , bootloaderFilePutter_(bootloaderProductType, applicationProductType, putTimeout, timing.filePutter)
    , settingsStorer_(bootloaderProductType, applicationProductType, timing.settingsStorer) {
}

MuppetMbuDetectorUpdater::~MuppetMbuDetectorUpdater() = default;

std::optional<MuppetMbuDetectorUpdater::Target>
MuppetMbuDetectorUpdater::updateTarget(const QMap<UpgradeableComponent, Version>& versions) {
    const Version first = versions.value(UpgradeableComponent::LEGACY_MBU_MODULE_1);
    const Version second = versions.value(UpgradeableComponent::LEGACY_MBU_MODULE_2);
    const Version none;
    if (first != none && second == none) {
        return Target{UpgradeableComponent::LEGACY_MBU_MODULE_1, first};
    }
    if (first == none && second != none) {
        return Target{UpgradeableComponent::LEGACY_MBU_MODULE_2, second};
    }
    return std::nullopt;
}

bool MuppetMbuDetectorUpdater::startUpdate(const MbuComponentIdentity& module, const QString& location,
                                           const ISystemUpdate& update,
                                           const std::function<void(unsigned char)>& onProgress,
                                           const std::function<void(const QString&)>& onDone,
                                           const std::function<void()>& onFailure) {
    if (!onProgress || !onDone || !onFailure) {
        throw std::invalid_argument("Handler functors can not be null");
    }
    const auto* legacyUpdate = dynamic_cast<const LegacySystemUpdate*>(&update);
    if (legacyUpdate == nullptr) {
        return false;
    }
    if (!QFile::exists(legacyUpdate->imagePath())) {
        qWarning() << "Caught request to perform update with non-existant firmware:"
                   << legacyUpdate->imagePath();
        return false;
    }
    const std::optional<Target> target = updateTarget(update.componentVersions());
    if (!target) {
        qWarning() << "Either both Software versions are invalid or present which is not acceptable";
        return false;
    }
    // An empty image would be put as one empty packet and the module reported as updated. Nothing
    // reaches the module, not even a settings record for software it will not get.
    if (QFileInfo(legacyUpdate->imagePath()).size() <= 0) {
        qWarning() << "Empty or missing firmware image" << legacyUpdate->imagePath();
        onFailure();
        return true;
    }
    busy_ = 1;
    // Each run carries its own copies, so a second start cannot redirect the first one's ending.
    const Transfer transfer{
        module.serialNumber, legacyUpdate->imagePath(), location, onProgress, onDone, onFailure};
    // A failed or unneeded store does not hold the image back.
    settingsStorer_.start(
        swVerRangeToUserSettingsVer_, module.softwareVersion.value_or(Version{}), target->version,
        module.serialNumber, location, std::shared_ptr<IComponentRelocator>(relocator_),
        [this, transfer](bool) { startTransfer(transfer); }, [this, transfer] { startTransfer(transfer); });
    return true;
}

void MuppetMbuDetectorUpdater::startTransfer(const Transfer& transfer) {
    bootloaderFilePutter_.start(
        std::shared_ptr<IComponentRelocator>(relocator_), {{MBU_IMAGE_FILE_ID, transfer.imagePath}},
        transfer.serialNumber, transfer.location,
        [this, onDone = transfer.onDone](const QString& newLocation) {
            busy_ = 0;
            onDone(newLocation);
        },
        [onProgress = transfer.onProgress](ProgressPercentage percent) { onProgress(percent.value()); },
        [this, onFailure = transfer.onFailure] {
            busy_ = 0;
            onFailure();
        },
        true);
}

} // namespace fwup
