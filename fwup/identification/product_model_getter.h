#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/polling_getter.h"
#include "muppet/product_model_command.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Reads the product model (command 110) until the device reports one: 0 means "not valid yet" and
// is asked again after the poll interval, up to maxPolls questions; 255 is invalid and fails the
// read. Each question is a whole exchange with its own resends.
class ProductModelGetter : public PollingGetter {
public:
    ProductModelGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                       std::uint32_t maxPolls, std::uint64_t pollIntervalMs);
    // The same with the exchange's timing given, so tests need not wait out the real one.
    ProductModelGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                       std::uint32_t maxPolls, std::uint64_t pollIntervalMs, std::uint32_t attemptLimit,
                       std::uint64_t firstTimeoutMs, std::uint64_t resendTimeoutMs);
    ~ProductModelGetter() override;

    // Exactly one handler follows, unless the read is cancelled between two questions. Each start
    // counts its polls from zero. Throws std::invalid_argument when a handler is empty.
    void start(const std::function<void(unsigned char)>& onModel, const std::function<void()>& onFailure);

private:
    void ask() override;
    void cancelQuestion() override;
    void handleAnswer(unsigned char model);

    MuppetCommandExchange<cvsw::muppet::control::ProductModelCommand> exchange_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    std::function<void(unsigned char)> onModel_;
};

} // namespace fwup
