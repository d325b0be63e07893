#pragma once

#include <functional>
#include <stdexcept>

namespace fwup::detail {

// An empty handler is a programming error; refuse it at the start rather than fail when the
// device answers.
template <typename Success>
void require_handlers(const Success& onSuccess, const std::function<void()>& onFailure) {
    if (!onSuccess || !onFailure) {
        throw std::invalid_argument("Handler functors can not be null");
    }
}

} // namespace fwup::detail
