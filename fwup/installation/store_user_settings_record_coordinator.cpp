#include "fwup/installation/store_user_settings_record_coordinator.h"

#include "fwup/identification/poll_interval_p.h"

#include <QDebug>

#include <stdexcept>

namespace fwup {

using cvsw::muppet::control::Mode;

StoreUserSettingsRecordCoordinator::StoreUserSettingsRecordCoordinator(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre)
    : StoreUserSettingsRecordCoordinator(controlCentre, Timing{}) {
}

StoreUserSettingsRecordCoordinator::StoreUserSettingsRecordCoordinator(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, const Timing& timing)
    : exchange_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs, timing.resendTimeoutMs)
    , timing_(timing) {
    pollTimer_.setSingleShot(true);
}

StoreUserSettingsRecordCoordinator::~StoreUserSettingsRecordCoordinator() = default;

void StoreUserSettingsRecordCoordinator::start(const DoneHandler& done,
                                               const std::function<void()>& onFailure, Version target) {
    if (!done || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    if (busy_ != 0) {
        qDebug() << "Attempt to start while busy";
        onFailure();
        return;
    }
    const Run run{done, onFailure, target};
    QObject::connect(&pollTimer_, &QTimer::timeout, this, [this, run] { poll(run); });
    busy_ = 1;
    polls_ = 0;
    send(Mode::GET, run, [this, run](const Command& reply) { checkSupport(run, reply); });
}

void StoreUserSettingsRecordCoordinator::send(Mode mode, const Run& run,
                                              const std::function<void(const Command&)>& onReply) {
    exchange_.start({
        [mode, target = run.target] {
            auto command = std::make_unique<Command>(mode);
            command->version = target;
            return command;
        },
        onReply,
        [this, run](MuppetCommandExchangeBase::FailureReason) { fail(run); },
    });
}

void StoreUserSettingsRecordCoordinator::checkSupport(const Run& run, const Command& reply) {
    if (busy_ == 0) {
        return;
    }
    if (!reply.supported) {
        qDebug() << "Device does not support downgrading to" << run.target.toString();
        const DoneHandler done = run.done;
        finish();
        done(false);
        return;
    }
    send(Mode::SET, run, [this, run](const Command& status) { checkStatus(run, status); });
}

void StoreUserSettingsRecordCoordinator::checkStatus(const Run& run, const Command& reply) {
    if (busy_ == 0) {
        return;
    }
    switch (reply.status) {
    case IDLE:
        qDebug() << "Unexpected IDLE status reported";
        [[fallthrough]];
    case STORING:
        if (polls_ >= timing_.maxPolls) {
            qDebug() << "Settings still not stored after" << polls_ << "polls";
            qDebug() << "Failed to save settings";
            fail(run);
            return;
        }
        pollTimer_.start(detail::timer_interval(timing_.pollIntervalMs));
        return;
    case STORED: {
        qDebug() << "Settings stored for" << run.target.toString();
        const DoneHandler done = run.done;
        finish();
        done(true);
        return;
    }
    default:
        // Statuses past the known failures are failures too: the store did not report success.
        if (reply.status > LAST_FAILURE) {
            qDebug() << "Unknown settings store status" << int(reply.status);
        }
        qDebug() << "Failed to save settings";
        fail(run);
        return;
    }
}

void StoreUserSettingsRecordCoordinator::poll(const Run& run) {
    if (busy_ == 0) {
        return;
    }
    ++polls_;
    send(Mode::GET, run, [this, run](const Command& reply) { checkStatus(run, reply); });
}

void StoreUserSettingsRecordCoordinator::fail(const Run& run) {
    const std::function<void()> onFailure = run.onFailure;
    finish();
    onFailure();
}

void StoreUserSettingsRecordCoordinator::finish() {
    pollTimer_.stop();
    QObject::disconnect(&pollTimer_, &QTimer::timeout, nullptr, nullptr);
    busy_ = 0;
}

} // namespace fwup
