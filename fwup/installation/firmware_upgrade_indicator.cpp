#include "fwup/installation/firmware_upgrade_indicator.h"

#include <QDebug>

#include <stdexcept>

namespace fwup {

using cvsw::muppet::control::IndicateFirmwareUpgradeCommand;
using cvsw::muppet::control::Mode;
using FailureReason = MuppetCommandExchangeBase::FailureReason;

namespace {

// The SET is sent at most this many times more after a reply that shows the wrong state.
constexpr int RETRIES = 2;

} // namespace

FirmwareUpgradeIndicator::FirmwareUpgradeIndicator(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t attemptLimit,
    std::uint64_t firstTimeoutMs, std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
    retryTimer_.setSingleShot(true);
}

FirmwareUpgradeIndicator::~FirmwareUpgradeIndicator() = default;

void FirmwareUpgradeIndicator::start(bool indicate, const std::function<void()>& onSuccess,
                                     const std::function<void()>& onFailure) {
    // Checked first, so that a refused start leaves a running one alone.
    if (!onSuccess || !onFailure) {
        throw std::invalid_argument("handler functors cannot be null");
    }
    finished_ = false;
    retryCount_ = 0;
    retryTimer_.stop();
    const Run run{++run_, indicate, onSuccess, onFailure};
    // Only this run may retry; an earlier run waiting for its retry is dropped.
    QObject::disconnect(&retryTimer_, &QTimer::timeout, nullptr, nullptr);
    QObject::connect(&retryTimer_, &QTimer::timeout, &retryTimer_, [this, run] { retry(run); });
    if (indicate) {
        query(run);
    } else {
        // Clearing never asks whether an upgrade is allowed.
        sendAttempt(run);
    }
}

void FirmwareUpgradeIndicator::cancel() {
    // A fresh run id first: the exchange reports ABORTED to the cancelled run, which stays silent.
    ++run_;
    finished_ = true;
    retryTimer_.stop();
    QObject::disconnect(&retryTimer_, &QTimer::timeout, nullptr, nullptr);
    exchange_.cancel();
}

void FirmwareUpgradeIndicator::query(const Run& run) {
    exchange_.start({
        [] { return std::make_unique<IndicateFirmwareUpgradeCommand>(Mode::GET); },
        [this, run](const IndicateFirmwareUpgradeCommand& reply) {
            if (!isCurrent(run)) {
                return;
            }
            if (reply.upgradeAllowed) {
                sendAttempt(run);
                return;
            }
            qWarning() << "firmware cannot currently be upgraded";
            finish(run.onFailure);
        },
        [this, run](FailureReason reason) {
            if (!isCurrent(run)) {
                return;
            }
            qWarning() << "could not check if upgrade is allowed: " << reason;
            retryTimer_.stop();
            finish(run.onFailure);
        },
    });
}

void FirmwareUpgradeIndicator::sendAttempt(const Run& run) {
    retryTimer_.stop();
    exchange_.start({
        [indicate = run.indicate] {
            auto command = std::make_unique<IndicateFirmwareUpgradeCommand>(Mode::SET);
            command->indication = indicate;
            return command;
        },
        [this, run](const IndicateFirmwareUpgradeCommand& reply) {
            if (!isCurrent(run)) {
                return;
            }
            if (reply.indicationActive != run.indicate) {
                qDebug() << "status is not as expected";
                retryTimer_.start(retryIntervalMs_);
                return;
            }
            retryTimer_.stop();
            finish(run.onSuccess);
        },
        [this, run](FailureReason reason) {
            if (!isCurrent(run)) {
                return;
            }
            // The exchange has made its own attempts; the indicator does not add more.
            qWarning() << "could not indicate firmware upgrade: " << reason;
            retryTimer_.stop();
            finish(run.onFailure);
        },
    });
}

void FirmwareUpgradeIndicator::retry(const Run& run) {
    const int expiries = retryCount_++;
    if (expiries < RETRIES) {
        qDebug() << "trying again";
        sendAttempt(run);
        return;
    }
    qDebug() << "giving up";
    retryTimer_.stop();
    finish(run.onFailure);
}

void FirmwareUpgradeIndicator::finish(const std::function<void()>& handler) {
    if (finished_) {
        return;
    }
    finished_ = true;
    // A copy: the handler may start the next run, which replaces the slot holding this one.
    const std::function<void()> call = handler;
    call();
}

} // namespace fwup
