#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "muppet/indicate_firmware_upgrade_command.h"

#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Has a device show its upgrade screen, or clear it, with IndicateFirmwareUpgrade. Before showing
// it asks whether an upgrade is allowed at all. It then checks that the device reports the state
// asked for, and sets it again a bounded number of times when it does not.
//
// The owner connects and services the connection that carries the control centre; the indicator
// opens nothing itself.
class FirmwareUpgradeIndicator {
public:
    static constexpr int DEFAULT_RETRY_INTERVAL_MS = 1000;

    // The three values go to the exchange; the defaults are the devices' own.
    explicit FirmwareUpgradeIndicator(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                      std::uint32_t attemptLimit = 5, std::uint64_t firstTimeoutMs = 3000,
                                      std::uint64_t resendTimeoutMs = 1000);
    ~FirmwareUpgradeIndicator();

    FirmwareUpgradeIndicator(const FirmwareUpgradeIndicator&) = delete;
    FirmwareUpgradeIndicator& operator=(const FirmwareUpgradeIndicator&) = delete;

    // The wait between a reply that shows the wrong state and the next SET.
    void setRetryIntervalMs(int milliseconds) { retryIntervalMs_ = milliseconds; }

    // Shows (true) or clears (false) the indication. One run ends in exactly one handler; a new start
    // replaces a run that waits to retry, whose handlers are then never called. Throws
    // std::invalid_argument when a handler is empty.
    void start(bool indicate, const std::function<void()>& onSuccess, const std::function<void()>& onFailure);

    // Ends the running run without calling either of its handlers: the retry wait stops and the
    // exchange is cancelled, so the next start finds it free. Does nothing while idle.
    void cancel();

    // Expiries of the retry wait in the latest run, and whether that run waits for the next.
    int retryCount() const { return retryCount_; }
    bool isWaitingToRetry() const { return retryTimer_.isActive(); }

private:
    // What one start asked for; every callback of the run holds a copy.
    struct Run {
        std::uint64_t id = 0;
        bool indicate = false;
        std::function<void()> onSuccess;
        std::function<void()> onFailure;
    };

    void query(const Run& run);
    void sendAttempt(const Run& run);
    void retry(const Run& run);
    bool isCurrent(const Run& run) const { return run.id == run_; }
    // Calls the handler unless this run has already called one.
    void finish(const std::function<void()>& handler);

    MuppetCommandExchange<cvsw::muppet::control::IndicateFirmwareUpgradeCommand> exchange_;
    int retryCount_ = 0;
    QTimer retryTimer_;
    bool finished_ = false;
    // Bumped by each start, so that a late reply to an earlier run is not taken for this run's.
    std::uint64_t run_ = 0;
    int retryIntervalMs_ = DEFAULT_RETRY_INTERVAL_MS;
};

} // namespace fwup
