#include "fwup/installation/tamarind_component_updater.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/firmware/tamarind_component_update.h"
#include "fwup/identification/tamarind_component_identity.h"
#include "fwup/communication/pump_events.h"
#include "fwup/installation/i_component_relocator.h"
#include "muppet/control_centre.h"

#include <QDebug>
#include <QFile>

#include <cmath>
#include <stdexcept>
#include <utility>

namespace fwup {

namespace {

constexpr std::uint32_t VERSION_ATTEMPTS = 10;
constexpr std::uint32_t VALIDITY_POLLS = 45;
constexpr std::uint32_t VALIDITY_ATTEMPTS = 10;
constexpr std::uint32_t INDICATION_ATTEMPTS = 5;

qint64 fileSize(const QString& path) {
    QFile file(path);
    // A file that is missing or cannot be read has nothing to put.
    return file.open(QIODevice::ReadOnly) ? file.size() : 0;
}

} // namespace

TamarindComponentUpdater::TamarindComponentUpdater(cvsw::muppet::ProductTypeId productType,
                                                   std::uint8_t model,
                                                   std::shared_ptr<IComponentRelocator> relocator,
                                                   const TamarindUpdateTiming& timing)
    : productType_(productType)
    , model_(model)
    , relocator_(std::move(relocator))
    , loginAgent_(*link_.controlCentre())
    , versionGetter_(link_.controlCentre(), VERSION_ATTEMPTS, timing.replyTimeoutMs, timing.replyTimeoutMs)
    , validityGetter_(link_.controlCentre(), VALIDITY_POLLS, timing.validityPollIntervalMs, VALIDITY_ATTEMPTS,
                      timing.replyTimeoutMs, timing.replyTimeoutMs)
    , filePutter_(productType, model, timing)
    , indicator_(link_.controlCentre(), INDICATION_ATTEMPTS, timing.indicationFirstTimeoutMs, timing.replyTimeoutMs)
    , timing_(timing) {
    if (!relocator_) {
        throw std::invalid_argument("Relocator can not be null");
    }
    tickTimer_.setInterval(TICK_MS);
    loginAgent_.setStepTimeoutMs(static_cast<qint64>(timing.replyTimeoutMs));
    indicator_.setRetryIntervalMs(timing.indicationRetryMs);

    poll_ = [this] {
        link_.service();
    };
    cleanUp_ = [this] {
        tickTimer_.stop();
        QObject::disconnect(&tickTimer_, &QTimer::timeout, nullptr, nullptr);
        link_.close();
    };
    onFailure_ = [this] {
        tickTimer_.stop();
        QObject::disconnect(&tickTimer_, &QTimer::timeout, nullptr, nullptr);
        indicateUpgrade(cleanUp_, false);
        finish(false);
    };
    onSuccess_ = [this] {
        indicateUpgrade(cleanUp_, false);
        finish(true);
    };
}

TamarindComponentUpdater::~TamarindComponentUpdater() {
    cleanUp_();
}

bool TamarindComponentUpdater::startUpdate(const TamarindComponentIdentity& identity, const QString& location,
                                           const TamarindComponentUpdate& update,
                                           const ProgressHandler& progress,
                                           const std::function<void(bool)>& done,
                                           const QString& locationPrefix) {
    if (!progress || !done) {
        throw std::invalid_argument("Handler functors can not be null");
    }
    // An update that has not reported yet goes on; only its reporting ends it.
    if (done_) {
        qDebug() << "Attempt to start while busy";
        done(false);
        return false;
    }
    // A previous update may still be clearing its indication; its waiting step would otherwise take
    // this update's first event, and this update would never report. Its indicator may still await
    // the clearing's reply, and would refuse this update's indication as busy.
    cleanUp_();
    indicator_.cancel();
    events_.clear();
    done_ = done;
    progress_ = progress;
    location_ = locationPrefix + location;
    cpuAppPath_ = update.cpuAppFile().fileName();
    cpuNetPath_ = update.cpuNetFile().fileName();
    serialNumber_ = identity.serialNumber;
    wantedVersion_ = update.version();

    if (fileSize(cpuAppPath_) == 0) {
        qWarning() << "CPUAPP file has size of 0";
        finish(false);
        return false;
    }
    if (fileSize(cpuNetPath_) == 0) {
        qWarning() << "CPUNET file has size of 0";
        finish(false);
        return false;
    }
    indicateUpgrade([this] { transferStep(); }, true);
    return true;
}

void TamarindComponentUpdater::indicateUpgrade(const std::function<void()>& next, bool on) {
    if (!link_.open(location_)) {
        qWarning() << "TamarindComponentUpdater: could not establish connection for indicate upgrade";
        // Clearing is best effort: the update reports without it, and only once.
        if (on) {
            onFailure_();
        }
        return;
    }
    indicator_.start(
        on, [this] { pushEvent(true); },
        [this] {
            qWarning() << "could not indicate upgrade, continuing anyway";
            pushEvent(true);
        });
    waitForEvent(poll_, next);
}

void TamarindComponentUpdater::waitForEvent(const std::function<void()>& tick,
                                            const std::function<void()>& onTrue) {
    tickTimer_.start();
    QObject::connect(&tickTimer_, &QTimer::timeout, &tickTimer_,
                     [this, tick, onTrue] { waitingStep(tick, onTrue); });
}

void TamarindComponentUpdater::waitingStep(const std::function<void()>& tick,
                                           const std::function<void()>& onTrue) {
    tick();
    if (events_.empty()) {
        return;
    }
    const bool event = events_.front();
    events_.pop_front();
    // A copy: disconnecting drops the slot that holds it.
    const std::function<void()> next = onTrue;
    tickTimer_.stop();
    QObject::disconnect(&tickTimer_, &QTimer::timeout, nullptr, nullptr);
    if (!event) {
        // The failed step's connection stays until the clearing replaces it.
        onFailure_();
        return;
    }
    link_.close();
    next();
}

void TamarindComponentUpdater::transferStep() {
    filePutter_.start(
        relocator_, cpuAppPath_, cpuNetPath_, serialNumber_, location_,
        [this](const QString& newLocation) {
            location_ = newLocation;
            pushEvent(true);
        },
        [this](ProgressPercentage p) { reportScaled(p, 50, 0); },
        [this](ProgressPercentage p) { reportScaled(p, 25, 50); },
        [this](ProgressPercentage p) { reportScaled(p, 22, 75); },
        [this] {
            qWarning() << "TamarindComponentUpdater: file put failure";
            pushEvent(false);
        });
    // The file putter services a connection of its own.
    waitForEvent([] {}, [this] { versionStep(); });
}

void TamarindComponentUpdater::versionStep() {
    qDebug() << "TamarindComponentUpdater: file put complete, getting software version";
    if (!link_.open(location_)) {
        onFailure_();
        return;
    }
    versionGetter_.start(
        [this](Version version) {
            report(97);
            pause();
            report(98);
            pause();
            readBackVersion_ = version;
            pushEvent(true);
        },
        [this] {
            qWarning() << "TamarindComponentUpdater: failed software version get";
            pushEvent(false);
        });
    waitForEvent(poll_, [this] { compareStep(); });
}

void TamarindComponentUpdater::compareStep() {
    qDebug() << "TamarindComponentUpdater: logging in after version check";
    // Any other version fails, a newer one too: the images did not take.
    if (readBackVersion_ != wantedVersion_) {
        qWarning() << "Firmware update failed. Wanted to update to" << wantedVersion_.toString()
                   << "but device now has" << readBackVersion_.toString();
        onFailure_();
        return;
    }
    if (!link_.open(location_)) {
        qWarning() << "TamarindComponentUpdater: could not establish connection for version check";
        onFailure_();
        return;
    }
    loginAgent_.start(
        productType_, model_,
        [this] {
            report(98);
            pause();
            report(99);
            pause();
            pushEvent(true);
        },
        [this] {
            qWarning() << "TamarindComponentUpdater: failed login for version check";
            pushEvent(false);
        });
    waitForEvent(poll_, [this] { validityStep(); });
}

void TamarindComponentUpdater::validityStep() {
    qDebug() << "TamarindComponentUpdater: attempting upgradeable component validity get after log in";
    if (!link_.open(location_)) {
        qWarning() << "TamarindComponentUpdater: could not establish connection for login";
        onFailure_();
        return;
    }
    validityGetter_.start(
        [this](bool /*complete*/, unsigned int flags, unsigned int mask) {
            report(99);
            pause();
            report(100);
            pause();
            validFlags_ = flags;
            validMask_ = mask;
            pushEvent(true);
        },
        [this] {
            qWarning() << "TamarindComponentUpdater: failed upgradeable component validity get";
            pushEvent(false);
        });
    waitForEvent(poll_, [this] { checkStep(); });
}

void TamarindComponentUpdater::checkStep() {
    qDebug() << "TamarindComponentUpdater: checking upgradeable component validity";
    // Whether the device finished its check plays no part: every flag of the mask must be set.
    if ((validMask_ & ~validFlags_) != 0) {
        qWarning() << "Firmware update failed. Component flags are invalid after update.";
        onFailure_();
        return;
    }
    onSuccess_();
}

void TamarindComponentUpdater::reportScaled(ProgressPercentage phase, int weight, int base) {
    const double scaled = std::trunc(phase.value() * weight / 100.0 + base);
    report(scaled >= 100.0 ? 100 : static_cast<unsigned char>(scaled));
}

void TamarindComponentUpdater::report(unsigned char percent) {
    progress_(ProgressPercentage(percent));
}

void TamarindComponentUpdater::pause() {
    pump_events_for(timing_.progressPauseMs);
}

void TamarindComponentUpdater::finish(bool success) {
    // Taken out first: each update reports once, and the handler may start the next one.
    const std::function<void(bool)> done = std::exchange(done_, nullptr);
    if (done) {
        done(success);
    }
}

} // namespace fwup
