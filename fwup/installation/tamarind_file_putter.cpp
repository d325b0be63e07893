#include "fwup/installation/tamarind_file_putter.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/pump_events.h"
#include "fwup/installation/i_component_relocator.h"
#include "muppet/control_centre.h"

#include <QDebug>

#include <stdexcept>

namespace fwup {

namespace {

// The restart animation counts 0 to 90 while the sub-system restarts, the found animation 90 to 100.
constexpr unsigned char RESTART_LAST_STEP = 90;
constexpr unsigned char FOUND_LAST_STEP = 100;
// The put's packet exchange sends each packet this many times before it counts as failed.
constexpr std::uint32_t PACKET_ATTEMPTS = 3;
// The reset is sent once: the sub-system may restart before it can answer.
constexpr std::uint32_t RESET_ATTEMPTS = 0;

} // namespace

TamarindFilePutter::TamarindFilePutter(cvsw::muppet::ProductTypeId productType, std::uint8_t model,
                                       const TamarindUpdateTiming& timing)
    : productType_(productType)
    , model_(model)
    , loginAgent_(*link_.controlCentre())
    , filePutter_(link_.controlCentre(), PACKET_SIZE, PACKET_ATTEMPTS, timing.replyTimeoutMs, timing.replyTimeoutMs)
    , resetRequester_(link_.controlCentre(), RESET_ATTEMPTS, timing.replyTimeoutMs, timing.replyTimeoutMs)
    , timing_(timing) {
    loginAgent_.setStepTimeoutMs(static_cast<qint64>(timing.replyTimeoutMs));
    tickTimer_.setInterval(TICK_MS);
}

TamarindFilePutter::~TamarindFilePutter() {
    // The relocator outlives us and would report to a putter that is gone.
    if (state_ == DETACHED && relocator_) {
        relocator_->cancel();
    }
}

void TamarindFilePutter::start(std::shared_ptr<IComponentRelocator> relocator, const QString& cpuAppPath,
                               const QString& cpuNetPath, const QString& name, const QString& location,
                               const DoneHandler& done, const ProgressHandler& cpuAppProgress,
                               const ProgressHandler& cpuNetProgress, const ProgressHandler& restartProgress,
                               const std::function<void()>& onFailure) {
    if (!done || !cpuAppProgress || !cpuNetProgress || !restartProgress || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    if (!relocator) {
        throw std::invalid_argument("Relocator can not be null");
    }
    if (state_ != IDLE) {
        onFailure();
        return;
    }
    location_ = location;
    relocator_ = std::move(relocator);
    // Nothing of an earlier run may move this one.
    events_.clear();
    const Run run{cpuAppPath,     cpuNetPath,      name,     done, cpuAppProgress,
                  cpuNetProgress, restartProgress, onFailure};
    QObject::connect(&tickTimer_, &QTimer::timeout, &tickTimer_, [this, run] { tick(run); });

    if (!link_.open(location)) {
        cleanUp();
        onFailure();
        return;
    }
    loginAgent_.start(
        productType_, model_, [this] { events_.push_back(LOGGED_IN); },
        [this] { events_.push_back(FAILED); });
    state_ = RUNNING;
    tickTimer_.start();
}

void TamarindFilePutter::tick(const Run& run) {
    if (state_ == RUNNING) {
        link_.service();
    }
    while (!events_.empty()) {
        const std::uint32_t event = events_.front();
        events_.pop_front();
        if (!handle(event, run)) {
            return;
        }
    }
}

bool TamarindFilePutter::handle(std::uint32_t event, const Run& run) {
    switch (event) {
    case LOGGED_IN:
        events_.push_back(PUT_CPUAPP);
        state_ = RUNNING;
        return true;
    case PUT_CPUAPP:
        putImage(run.cpuAppPath, CPUAPP_FILE_ID, run.cpuAppProgress, PUT_CPUNET);
        state_ = RUNNING;
        return true;
    case PUT_CPUNET:
        putImage(run.cpuNetPath, CPUNET_FILE_ID, run.cpuNetProgress, RESET);
        state_ = RUNNING;
        return true;
    case RESET: {
        const ProgressHandler restartProgress = run.restartProgress;
        resetRequester_.start([this, restartProgress] { restartAnimation(restartProgress); },
                              [this] { events_.push_back(FAILED); });
        state_ = RUNNING;
        return true;
    }
    case RELOCATE: {
        state_ = DETACHED;
        link_.close();
        const ProgressHandler restartProgress = run.restartProgress;
        const std::shared_ptr<IComponentRelocator> relocator = relocator_;
        relocator->relocate(
            location_, run.name,
            [this, restartProgress](cvsw::muppet::ProductTypeId, const QString& foundAt) {
                foundAnimation(restartProgress, foundAt);
            },
            [this] { events_.push_back(FAILED); });
        return true;
    }
    case FAILED: {
        // Copies: cleaning up drops the tick that holds the run, and the handler may start anew.
        const std::function<void()> onFailure = run.onFailure;
        cleanUp();
        onFailure();
        return false;
    }
    case DONE: {
        const DoneHandler done = run.done;
        const QString location = location_;
        cleanUp();
        done(location);
        return false;
    }
    default:
        return true;
    }
}

void TamarindFilePutter::putImage(const QString& path, cvsw::corvane::FileId fileId,
                                  const ProgressHandler& progress, Event next) {
    if (path.isEmpty()) {
        events_.push_back(next);
        return;
    }
    filePutter_.start([this, next] { events_.push_back(next); }, progress,
                      [this] { events_.push_back(FAILED); }, path, fileId);
}

void TamarindFilePutter::restartAnimation(const ProgressHandler& restartProgress) {
    // Nothing is sent meanwhile: the sub-system is restarting.
    for (unsigned char step = 0; step <= RESTART_LAST_STEP; ++step) {
        restartProgress(ProgressPercentage(step));
        pump_events_for(timing_.restartStepMs);
    }
    events_.push_back(RELOCATE);
}

void TamarindFilePutter::foundAnimation(const ProgressHandler& restartProgress, const QString& location) {
    for (unsigned char step = RESTART_LAST_STEP; step <= FOUND_LAST_STEP; ++step) {
        restartProgress(ProgressPercentage(step));
        pump_events_for(timing_.foundStepMs);
    }
    location_ = location;
    events_.push_back(DONE);
}

void TamarindFilePutter::cleanUp() {
    tickTimer_.stop();
    QObject::disconnect(&tickTimer_, &QTimer::timeout, nullptr, nullptr);
    link_.close();
    relocator_.reset();
    state_ = IDLE;
}

} // namespace fwup
