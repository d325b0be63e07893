#pragma once

#include "fwup/communication/muppet_command_exchange.h"

#include <functional>
#include <memory>
#include <stdexcept>

namespace fwup::detail {

// The one rule of both reset requesters: a single SET of the reset command. A device that restarts
// at once never answers, so silence counts as done, like an INF answer; an ERR answer or a busy
// exchange fails the request.
template <typename Command>
void start_reset_request(MuppetCommandExchange<Command>& exchange, const std::function<void()>& onDone,
                         const std::function<void()>& onFailure) {
    if (!onDone || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    exchange.start({
        [] { return std::make_unique<Command>(cvsw::muppet::control::Mode::SET); },
        [onDone](const Command&) { onDone(); },
        [onDone, onFailure](MuppetCommandExchangeBase::FailureReason reason) {
            if (reason == MuppetCommandExchangeBase::FailureReason::TIMEOUT) {
                onDone();
            } else {
                onFailure();
            }
        },
    });
}

} // namespace fwup::detail
