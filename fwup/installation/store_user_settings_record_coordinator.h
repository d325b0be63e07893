#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "muppet/store_user_settings_record_command.h"
#include "muppet/version.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Has the control pod store its user-settings record in the form a target software version reads:
// asks whether the pod can (GET), orders the store (SET) and polls the store's status (GET) a poll
// interval after each answer until the pod reports it stored or failed.
//
// The owner keeps the connection that carries the control centre open and serviced, with the
// operator logged in; the coordinator only drives its exchange.
class StoreUserSettingsRecordCoordinator : public QObject {
public:
    using DoneHandler = std::function<void(const bool&)>;

    // The device's own waits are the defaults; tests shorten them.
    struct Timing {
        // Sends of one request before it fails, the wait after the first send and after each resend.
        std::uint32_t attemptLimit = 10;
        std::uint64_t firstTimeoutMs = 1000;
        std::uint64_t resendTimeoutMs = 1000;
        // Wait between an unfinished status and the next poll.
        std::uint64_t pollIntervalMs = 1000;
        // Polls of a store that stays unfinished before the store counts as failed: a pod that kept
        // answering "busy" would otherwise hold the update, and the window, for ever.
        std::uint32_t maxPolls = 120;
    };

    // Store statuses the pod reports.
    enum Status : std::uint8_t {
        IDLE = 0,
        STORING = 1,
        STORED = 2,
        // 3 to 5: the store failed.
        LAST_FAILURE = 5,
    };

    explicit StoreUserSettingsRecordCoordinator(
        const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre);
    StoreUserSettingsRecordCoordinator(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                       const Timing& timing);
    ~StoreUserSettingsRecordCoordinator() override;

    // Exactly one of done(true) (stored), done(false) (the pod cannot store for target) and
    // onFailure() follows. A start while a store runs fails at once and leaves it alone. Throws
    // std::invalid_argument when a handler is empty.
    void start(const DoneHandler& done, const std::function<void()>& onFailure, Version target);

    bool isBusy() const { return busy_ != 0; }

private:
    using Command = cvsw::muppet::control::StoreUserSettingsRecordCommand;

    // What one store reports to, and for which version.
    struct Run {
        DoneHandler done;
        std::function<void()> onFailure;
        Version target;
    };

    void send(cvsw::muppet::control::Mode mode, const Run& run,
              const std::function<void(const Command&)>& onReply);
    void checkSupport(const Run& run, const Command& reply);
    void checkStatus(const Run& run, const Command& reply);
    void poll(const Run& run);
    // Back to idle; the caller then calls the run's one handler.
    void finish();
    void fail(const Run& run);

    QTimer pollTimer_;
    // Polls sent since the store was ordered.
    std::uint32_t polls_ = 0;
    MuppetCommandExchange<Command> exchange_;
    std::int32_t busy_ = 0;
    const Timing timing_;
};

} // namespace fwup
