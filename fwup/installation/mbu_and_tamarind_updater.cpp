#include "fwup/installation/mbu_and_tamarind_updater.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/pump_events.h"
#include "fwup/firmware/mbu_and_tamarind_system_update.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/mbu_and_tamarind_system_identity.h"
#include "fwup/installation/direct_connection_component_relocator.h"
#include "fwup/installation/indirect_connection_component_relocator.h"
#include "muppet/control_centre.h"

#include <QDebug>
#include <QFileInfo>
#include <QFile>

#include <algorithm>

namespace fwup {

const QString MbuAndTamarindUpdater::TUNNEL_PREFIX = QStringLiteral("TNLV3::1::OUT::0::");

namespace {

qint64 file_size(const QString& fileName) {
    return QFile(fileName).size();
}

// Truncated towards zero and kept within 0..100.
int to_percent(double value) {
    return std::clamp(static_cast<int>(value), 0, 100);
}

} // namespace

MbuAndTamarindUpdater::MbuAndTamarindUpdater(cvsw::muppet::ProductTypeId bootloaderProductType,
                                             cvsw::muppet::ProductTypeId applicationProductType,
                                             int tamarindModel, FileListBuilder buildFileList,
                                             std::shared_ptr<DetectorIdentifier> identifier,
                                             const VersionRangeTable& settingsVersionTable,
                                             const Timing& timing)
    : settingsVersionTable_(settingsVersionTable)
    , bootloaderProductType_(bootloaderProductType)
    , applicationProductType_(applicationProductType)
    // The builder's verdict is not needed: both paths check the kind of update before they build.
    , buildFileList_([build = std::move(buildFileList)](FileList& files, const ISystemUpdate& update) {
        build(files, update);
    })
    , tamarindUpdater_(TAMARIND_PRODUCT_TYPE, static_cast<std::uint8_t>(tamarindModel & 0xFF),
                       std::make_shared<IndirectConnectionComponentRelocator>(
                           timing.tamarindRelocationAttempts, timing.tamarindRelocationFirstTimeoutMs),
                       timing.tamarind)
    , upgradeIndicator_(link_.controlCentre(), timing.indicationAttempts, timing.indicationFirstTimeoutMs,
                        timing.indicationResendTimeoutMs)
    , bootloaderFilePutter_(bootloaderProductType, applicationProductType, timing.putTimeout, timing.filePut)
    , loginAgent_(*link_.controlCentre())
    , resetToBootloaderRequester_(link_.controlCentre(), 0, timing.resetTimeoutMs, timing.resetTimeoutMs)
    , resetToApplicationRequester_(link_.controlCentre(), 0, timing.resetTimeoutMs, timing.resetTimeoutMs)
    , validityGetter_(link_.controlCentre(), timing.validityPolls, timing.validityPollIntervalMs,
                      UpgradeableComponentValidityGetter::DEFAULT_ATTEMPT_LIMIT,
                      timing.validityReplyTimeoutMs, timing.validityReplyTimeoutMs)
    , settingsStorer_(bootloaderProductType, applicationProductType, timing.settings)
    , relocator_(std::make_shared<DirectConnectionComponentRelocator>(
          timing.relocationRetries, timing.relocationRetryIntervalMs, timing.productTypeAttempts,
          timing.productTypeFirstTimeoutMs, timing.productTypeResendTimeoutMs))
    , identifier_(std::move(identifier))
    , finishingStepMs_(timing.finishingStepMs)
    , poll_([this] {
        link_.service();
    })
    , finishUpProgress_([this](ProgressPercentage percent) { emit updateProgress(true, percent.value()); })
    , onFailure_([this] { endUpdate(UpdaterStatus::FAILED); }) {
    upgradeIndicator_.setRetryIntervalMs(timing.indicationRetryMs);
    loginAgent_.setStepTimeoutMs(timing.loginStepTimeoutMs);
    timer_.setInterval(timing.stepIntervalMs);
}

MbuAndTamarindUpdater::~MbuAndTamarindUpdater() {
    timer_.stop();
    QObject::disconnect(&timer_, &QTimer::timeout, nullptr, nullptr);
    link_.close();
    relocator_->cancel();
    relocator_.reset();
}

bool MbuAndTamarindUpdater::startUpdate(const ISystemIdentity& identity, const QString& location,
                                        const ISystemUpdate& update) {
    // A second update would share the step timer and the event queue with the first.
    if (running_) {
        qDebug() << "Attempt to start while busy";
        return false;
    }
    events_.clear();
    if (!dynamic_cast<const MbuAndTamarindSystemIdentity*>(&identity)) {
        qCritical() << "Unexpected identity";
        return false;
    }
    running_ = true;
    ++updateId_;

    relocator_->relocate(
        location, identity.serialNumber(),
        [this, id = updateId_](cvsw::muppet::ProductTypeId type, const QString& newLocation) {
            if (!isCurrent(id)) {
                return;
            }
            location_ = newLocation;
            relocatedProductType_ = type;
            events_.push_back(true);
        },
        queues(false));

    waitForEvent([this, &identity, &update] {
        bool started = false;
        if (relocatedProductType_ == bootloaderProductType_) {
            qDebug() << "IN BOOTLOADER, PERFORMING BOOTLOADER UPDATE";
            started = startUpdateBootloader(identity, location_, update);
        } else {
            qDebug() << "IN APPLICATION, PERFORMING APPLICATION UPDATE";
            started = startUpdateApplication(identity, location_, update);
        }
        if (!started) {
            onFailure_();
        }
    });
    return true;
}

void MbuAndTamarindUpdater::migrateSettings(const QString& serialNumber, Version target,
                                            std::function<void(bool)> onDone,
                                            std::function<void()> onFailure) {
    if (!currentIdentity_ || !currentIdentity_->mbuIdentity().softwareVersion) {
        onFailure();
        return;
    }
    settingsStorer_.start(settingsVersionTable_, *currentIdentity_->mbuIdentity().softwareVersion, target,
                          serialNumber, location_, std::shared_ptr<IComponentRelocator>(relocator_), onDone,
                          onFailure);
}

bool MbuAndTamarindUpdater::beginPath(const ISystemIdentity& identity, const QString& location,
                                      const ISystemUpdate& update) {
    // startUpdate, the only way in, has already refused every other kind of identity.
    currentIdentity_ = std::make_unique<MbuAndTamarindSystemIdentity>(
        static_cast<const MbuAndTamarindSystemIdentity&>(identity));
    const auto* systemUpdate = dynamic_cast<const MbuAndTamarindSystemUpdate*>(&update);
    if (!systemUpdate) {
        qCritical() << "Unexpected system update";
        return false;
    }
    buildFileList_(fileList_, update);
    // An empty image would be "put" in one empty packet and the old firmware reported as updated.
    for (const auto& [fileId, path] : fileList_) {
        if (QFileInfo(path).size() <= 0) {
            qWarning() << "Empty or missing firmware image" << path;
            return false;
        }
    }
    location_ = location;
    path_ = PathState{identity.serialNumber(), systemUpdate, 0, 0};
    return true;
}

// --- The application path ---

bool MbuAndTamarindUpdater::startUpdateApplication(const ISystemIdentity& identity, const QString& location,
                                                   const ISystemUpdate& update) {
    if (!beginPath(identity, location, update)) {
        return false;
    }
    const TamarindComponentUpdate& tamarind = path_.update->tamarindUpdate();
    path_.controlPodBytes = file_size(path_.update->controlPodFile().fileName());
    path_.tamarindBytes =
        file_size(tamarind.cpuAppFile().fileName()) + file_size(tamarind.cpuNetFile().fileName());
    emit updateProgress(false, 0);
    qDebug() << "INDICATE UPGRADE";
    indicateUpgrade([this] { applicationTamarindStep(); }, true);
    return true;
}

void MbuAndTamarindUpdater::applicationTamarindStep() {
    qDebug() << "PERFORMING TAMARIND UPDATE";
    if (startTamarindUpdate([this](ProgressPercentage percent) { reportApplicationProgress(percent); })) {
        waitForEvent([this] { applicationSettingsStep(); });
    }
}

void MbuAndTamarindUpdater::applicationSettingsStep() {
    qDebug() << "STORING SETTINGS";
    if (!link_.open(location_)) {
        onFailure_();
        return;
    }
    const Version target =
        path_.update->componentVersions().value(UpgradeableComponent::CONTROL_POD, Version{});
    // Settings that could not be stored, or needed none, do not stop the update.
    const std::function<void()> goOn = queues(true);
    migrateSettings(
        path_.serialNumber, target, [goOn](bool) { goOn(); }, goOn);
    waitForEvent([this] { applicationTransferStep(); });
}

void MbuAndTamarindUpdater::applicationTransferStep() {
    qDebug() << "PERFORMING CONTROL POD FILE TRANSFER";
    controlPodTransferStarted_ = true;
    startControlPodTransfer([this](ProgressPercentage percent) { reportApplicationProgress(percent); });
    waitForEvent([this] { applicationLoginStep(); });
}

void MbuAndTamarindUpdater::applicationLoginStep() {
    qDebug() << "LOGIN AFTER FILE PUT";
    loginStep([this] { indicateUpgrade([this] { applicationValidityStep(); }, true); });
}

void MbuAndTamarindUpdater::applicationValidityStep() {
    qDebug() << "UPGRADEABLE COMPONENT VALIDITY GET";
    if (!link_.open(location_)) {
        onFailure_();
        return;
    }
    validityGetter_.start(
        [this, id = updateId_](bool complete, unsigned int flags, unsigned int mask) {
            if (!isCurrent(id)) {
                return;
            }
            validityComplete_ = complete;
            validityFlags_ = flags;
            validityMask_ = mask;
            events_.push_back(true);
        },
        queues(false));
    waitForEvent(poll_, [this] { checkValidity(true); });
}

// --- The bootloader path ---

bool MbuAndTamarindUpdater::startUpdateBootloader(const ISystemIdentity& identity, const QString& location,
                                                  const ISystemUpdate& update) {
    if (!beginPath(identity, location, update)) {
        return false;
    }
    startControlPodTransfer([this](ProgressPercentage percent) { reportBootloaderProgress(percent); });
    waitForEvent([this] { bootloaderLoginStep(); });
    return true;
}

void MbuAndTamarindUpdater::bootloaderLoginStep() {
    loginStep([this] { indicateUpgrade([this] { bootloaderTamarindStep(); }, true); });
}

void MbuAndTamarindUpdater::bootloaderTamarindStep() {
    tamarindUpdateStarted_ = true;
    if (startTamarindUpdate([this](ProgressPercentage percent) { reportBootloaderProgress(percent); })) {
        waitForEvent([this] { bootloaderRestartStep(); });
    }
}

void MbuAndTamarindUpdater::bootloaderRestartStep() {
    if (!link_.open(location_)) {
        onFailure_();
        return;
    }
    resetToApplicationRequester_.start(queues(true), queues(false));
    waitForEvent(poll_, [this] { bootloaderRelocationStep(); });
}

void MbuAndTamarindUpdater::bootloaderRelocationStep() {
    relocator_->relocate(
        location_, path_.serialNumber,
        [this, id = updateId_](cvsw::muppet::ProductTypeId, const QString& newLocation) {
            if (!isCurrent(id)) {
                return;
            }
            location_ = newLocation;
            events_.push_back(true);
        },
        queues(false));
    waitForEvent([this] { bootloaderSecondLoginStep(); });
}

void MbuAndTamarindUpdater::bootloaderSecondLoginStep() {
    loginStep([this] { indicateUpgrade([this] { bootloaderValidityStep(); }, true); });
}

void MbuAndTamarindUpdater::bootloaderValidityStep() {
    if (!link_.open(location_)) {
        onFailure_();
        return;
    }
    validityGetter_.start(
        [this, id = updateId_](bool complete, unsigned int flags, unsigned int mask) {
            // The closing stretch of the bar. It runs inside the connection's service, which may be
            // entered again by what the pump delivers.
            for (int percent = 90; percent <= 100; ++percent) {
                if (!isCurrent(id)) {
                    return;
                }
                finishUpProgress_(ProgressPercentage(static_cast<unsigned char>(percent)));
                pump_events_for(finishingStepMs_);
            }
            if (!isCurrent(id)) {
                return;
            }
            validityComplete_ = complete;
            validityFlags_ = flags;
            validityMask_ = mask;
            events_.push_back(true);
        },
        queues(false));
    waitForEvent(poll_, [this] { checkValidity(false); });
}

// --- Steps of both paths ---

void MbuAndTamarindUpdater::loginStep(const std::function<void()>& next) {
    if (!link_.open(location_)) {
        onFailure_();
        return;
    }
    loginAgent_.start(applicationProductType_, queues(true), queues(false));
    waitForEvent(poll_, next);
}

bool MbuAndTamarindUpdater::startTamarindUpdate(const std::function<void(ProgressPercentage)>& progress) {
    if (!ensureTamarindPart()) {
        onFailure_();
        return false;
    }
    const auto id = updateId_;
    // An empty image is refused at once, through done(false); the return value adds nothing.
    tamarindUpdater_.startUpdate(
        *currentIdentity_->tamarindIdentity(), location_, path_.update->tamarindUpdate(),
        [this, id, progress](ProgressPercentage percent) {
            if (isCurrent(id)) {
                progress(percent);
            }
        },
        [this, id](bool ok) {
            if (isCurrent(id)) {
                events_.push_back(ok);
            }
        },
        TUNNEL_PREFIX);
    return true;
}

void MbuAndTamarindUpdater::startControlPodTransfer(const std::function<void(ProgressPercentage)>& progress) {
    const auto id = updateId_;
    bootloaderFilePutter_.start(
        std::shared_ptr<IComponentRelocator>(relocator_), fileList_, path_.serialNumber, location_,
        [this, id](const QString& newLocation) {
            if (!isCurrent(id)) {
                return;
            }
            location_ = newLocation;
            events_.push_back(true);
        },
        [this, id, progress](ProgressPercentage percent) {
            if (isCurrent(id)) {
                progress(percent);
            }
        },
        queues(false), true);
}

void MbuAndTamarindUpdater::checkValidity(bool applicationPath) {
    if (applicationPath) {
        qDebug() << "CHECKING VALIDITY";
    }
    // The complete flag is not consulted: the flags decide.
    if (validityFlags_ == validityMask_) {
        indicateUpgrade([this] { completeUpdate(); }, false);
        return;
    }
    if (!link_.open(location_)) {
        onFailure_();
        return;
    }
    // In its bootloader the pod takes the bootloader path at the next attempt.
    resetToBootloaderRequester_.start(queues(true), queues(false));
    std::function<void()> onResetFailed = onFailure_;
    if (applicationPath) {
        onResetFailed = [this] {
            qWarning() << "could not reset to bootloader after validity check";
            onFailure_();
        };
    }
    waitForEvent(poll_, onFailure_, onResetFailed);
}

bool MbuAndTamarindUpdater::ensureTamarindPart() {
    if (currentIdentity_->tamarindIdentity()) {
        return true;
    }
    if (!identifier_) {
        return false;
    }
    const std::unique_ptr<ISystemIdentity> fresh = identifier_->identifyDetector(location_);
    const auto* system = dynamic_cast<const MbuAndTamarindSystemIdentity*>(fresh.get());
    if (!system || !system->tamarindIdentity()) {
        return false;
    }
    currentIdentity_ = std::make_unique<MbuAndTamarindSystemIdentity>(*system);
    return true;
}

// --- Progress ---

void MbuAndTamarindUpdater::reportApplicationProgress(ProgressPercentage percent) {
    const double p = percent.value();
    const double total = static_cast<double>(path_.controlPodBytes + path_.tamarindBytes);
    // Never 0 for an extracted update; a bar that the control-pod file fills alone is the fallback.
    const double tamarindShare = total > 0 ? static_cast<double>(path_.tamarindBytes) / total : 0.0;
    double value = tamarindShare * p;
    if (controlPodTransferStarted_) {
        value =
            total > 0 ? static_cast<double>(path_.controlPodBytes) * p / total + tamarindShare * 100.0 : p;
    }
    emit updateProgress(true, to_percent(value));
}

void MbuAndTamarindUpdater::reportBootloaderProgress(ProgressPercentage percent) {
    double value = percent.value() * 45 / 100.0;
    if (tamarindUpdateStarted_) {
        value += 45;
    }
    emit updateProgress(true, to_percent(value));
}

// --- The machinery ---

void MbuAndTamarindUpdater::indicateUpgrade(std::function<void()> next, bool on) {
    if (!link_.open(location_)) {
        if (on) {
            onFailure_();
            return;
        }
        // Only the closing step clears the indication: the firmware is in and valid.
        qWarning() << "could not establish connection to remove indicate upgrade screen";
        next();
        return;
    }
    const auto id = updateId_;
    upgradeIndicator_.start(on, queues(true), [this, id] {
        if (!isCurrent(id)) {
            return;
        }
        qWarning() << "could not indicate upgrade, continuing anyway";
        events_.push_back(true);
    });
    if (!on) {
        // Logging out closes a valid update; it cannot undo it.
        loginAgent_.startLogout(queues(true), [this, id] {
            if (!isCurrent(id)) {
                return;
            }
            qWarning() << "could not log out after the update";
            events_.push_back(true);
        });
    }
    waitForEvent(poll_, std::move(next));
}

void MbuAndTamarindUpdater::cleanUp() {
    timer_.stop();
    QObject::disconnect(&timer_, &QTimer::timeout, nullptr, nullptr);
    link_.close();
}

void MbuAndTamarindUpdater::waitForEvent(std::function<void()> onTrue) {
    waitForEvent([] {}, std::move(onTrue), onFailure_);
}

void MbuAndTamarindUpdater::waitForEvent(std::function<void()> tick, std::function<void()> onTrue) {
    waitForEvent(std::move(tick), std::move(onTrue), onFailure_);
}

void MbuAndTamarindUpdater::waitForEvent(std::function<void()> tick, std::function<void()> onTrue,
                                         std::function<void()> onFalse) {
    timer_.start();
    QObject::connect(
        &timer_, &QTimer::timeout, this,
        [this, tick = std::move(tick), onTrue = std::move(onTrue), onFalse = std::move(onFalse)] {
            // Outcomes that the tick's servicing delivers are taken in the same tick.
            tick();
            if (events_.empty()) {
                return;
            }
            const bool outcome = events_.front();
            events_.pop_front();
            if (outcome) {
                cleanUp();
                onTrue();
            } else {
                onFalse();
            }
        },
        Qt::DirectConnection);
}

void MbuAndTamarindUpdater::endUpdate(UpdaterStatus status) {
    // Cleared before the signals, so that a receiver may start the next update at once.
    tamarindUpdateStarted_ = false;
    controlPodTransferStarted_ = false;
    running_ = false;
    ++updateId_;
    events_.clear();
    cleanUp();
    emit updateProgress(false, 100);
    emit finished(status);
}

std::function<void()> MbuAndTamarindUpdater::queues(bool outcome) {
    return [this, id = updateId_, outcome] {
        if (isCurrent(id)) {
            events_.push_back(outcome);
        }
    };
}

} // namespace fwup
