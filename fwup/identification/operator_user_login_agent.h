#pragma once

#include "fwup/identification/user_login_agent.h"
#include "muppet/product_type_id.h"

#include <functional>
#include <optional>

namespace fwup {

// Logs the operator in on a device with the password the registered generators give for its
// product, or logs the operator out, and turns the handshake's outcome into one of two callbacks.
class OperatorUserLoginAgent : public UserLoginAgent {

public:
    using UserLoginAgent::UserLoginAgent;

    // Exactly one callback follows. A product no generator knows fails at once without a word to
    // the device. Throws std::invalid_argument when a callback is empty.
    void start(cvsw::muppet::ProductTypeId type, unsigned char productModel,
               const std::function<void()>& onSuccess, const std::function<void()>& onFailure);
    // The same without a model, for devices in their bootloader, whose model is not asked.
    void start(cvsw::muppet::ProductTypeId type, const std::function<void()>& onSuccess,
               const std::function<void()>& onFailure);

    // Logs the operator out: onSuccess on the device's confirmation, onFailure on its refusal or
    // silence.
    void startLogout(const std::function<void()>& onSuccess, const std::function<void()>& onFailure);

private:
    void startLogin(cvsw::muppet::ProductTypeId type, std::optional<unsigned char> productModel,
                    const std::function<void()>& onSuccess, const std::function<void()>& onFailure);
    bool refuseWhileRunning(const std::function<void()>& onFailure);
    void setCallbacks(const std::function<void()>& onSuccess, const std::function<void()>& onFailure);
};

} // namespace fwup
