#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/i_muppet_device_info_getter.h"
#include "muppet/upgradeable_component_validity_command.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Reads the component-validity state (command 111) until the device reports its validity check
// complete, asking again after the poll interval up to maxPolls questions. A check that never
// completes is not a failure: the read then ends with the last, incomplete answer and the caller
// decides.
class UpgradeableComponentValidityGetter : public QObject, public IMuppetDeviceInfoGetter {
public:
    // (complete, valid flags, valid mask)
    using ResultHandler = std::function<void(bool, unsigned int, unsigned int)>;

    // Each question's exchange: 10 sends, 1000 ms apart.
    static constexpr std::uint32_t DEFAULT_ATTEMPT_LIMIT = 10;
    static constexpr std::uint64_t DEFAULT_TIMEOUT_MS = 1000;

    UpgradeableComponentValidityGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                       std::uint32_t maxPolls, std::uint64_t pollIntervalMs);
    // The same with the exchange's timing given, so tests need not wait out the real one.
    UpgradeableComponentValidityGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                       std::uint32_t maxPolls, std::uint64_t pollIntervalMs,
                                       std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                                       std::uint64_t resendTimeoutMs);
    ~UpgradeableComponentValidityGetter() override;

    // Exactly one handler follows, unless the read is cancelled between two questions. Each start
    // counts its polls from zero. Throws std::invalid_argument when a handler is empty.
    void start(const ResultHandler& onResult, const std::function<void()>& onFailure);

    // A cancel during a question ends the read through onFailure; a cancel between two questions
    // ends it without calling either handler.
    void cancel() override;

private:
    void ask();
    void handleAnswer(const cvsw::muppet::control::UpgradeableComponentValidityCommand& reply);
    void handleFailure();
    void stopPolling();

    std::uint32_t busy_ = 0;
    QTimer pollTimer_;
    std::uint32_t pollCount_ = 0;
    MuppetCommandExchange<cvsw::muppet::control::UpgradeableComponentValidityCommand> exchange_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    std::uint32_t maxPolls_;
    std::uint64_t pollIntervalMs_;
    ResultHandler onResult_;
    std::function<void()> onFailure_;
};

} // namespace fwup
