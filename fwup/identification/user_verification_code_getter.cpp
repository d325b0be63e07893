#include "fwup/identification/user_verification_code_getter.h"

#include "fwup/identification/device_info_getter_support_p.h"

#include <QDebug>
#include <QString>

namespace fwup {

using cvsw::muppet::control::Mode;
using cvsw::muppet::control::UserVerificationCodeCommand;

UserVerificationCodeGetter::UserVerificationCodeGetter(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t attemptLimit,
    std::uint64_t firstTimeoutMs, std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
}

void UserVerificationCodeGetter::start(const SuccessHandler& onSuccess,
                                       const std::function<void()>& onFailure) {
    detail::require_handlers(onSuccess, onFailure);
    exchange_.start({
        [] { return std::make_unique<UserVerificationCodeCommand>(Mode::GET); },
        [onSuccess, onFailure](const UserVerificationCodeCommand& reply) {
            const std::uint32_t code = reply.userVerificationCode;
            qDebug() << "Received device UVC" << QStringLiteral("%1").arg(code, 5, 10, QLatin1Char('0'));
            // The holder clamps; a code it would have to clamp is no code at all.
            if (code > UserVerificationCode::UPPER) {
                onFailure();
                return;
            }
            onSuccess(UserVerificationCode(code));
        },
        [onFailure](MuppetCommandExchangeBase::FailureReason) { onFailure(); },
    });
}

void UserVerificationCodeGetter::cancel() {
    exchange_.cancel();
}

} // namespace fwup
