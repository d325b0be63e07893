#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/i_muppet_device_info_getter.h"
#include "fwup/identification/ranged_integer.h"
#include "muppet/user_verification_code_command.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

using UserVerificationCode = cvsw::v2::RangedInteger<unsigned int, 0u, 99999u>;

// Reads the user verification code (command 56). A code above 99999 fails the read.
class UserVerificationCodeGetter : public IMuppetDeviceInfoGetter {
public:
    using SuccessHandler = std::function<void(const UserVerificationCode&)>;

    // The four values go unchanged to the exchange: sends before giving up, the wait after the first
    // send and the wait after each resend.
    UserVerificationCodeGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                               std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                               std::uint64_t resendTimeoutMs);

    // Exactly one of the handlers follows, on the thread that services the connection. A start
    // while a read runs fails at once and leaves the running read alone.
    void start(const SuccessHandler& onSuccess, const std::function<void()>& onFailure);

    void cancel() override;

private:
    MuppetCommandExchange<cvsw::muppet::control::UserVerificationCodeCommand> exchange_;
};

} // namespace fwup
