#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/polling_getter.h"
#include "muppet/upgradeable_component_validity_command.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Reads the component-validity state (command 111) until the device reports its validity check
// complete, asking again after the poll interval up to maxPolls questions. A check that never
// completes is not a failure: the read then ends with the last, incomplete answer and the caller
// decides.
class UpgradeableComponentValidityGetter : public PollingGetter {
public:
    // (complete, valid flags, valid mask)
    using ResultHandler = std::function<void(bool, unsigned int, unsigned int)>;

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

private:
    void ask() override;
    void cancelQuestion() override;
    void handleAnswer(const cvsw::muppet::control::UpgradeableComponentValidityCommand& reply);

    MuppetCommandExchange<cvsw::muppet::control::UpgradeableComponentValidityCommand> exchange_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    ResultHandler onResult_;
};

} // namespace fwup
