#include "fwup/identification/hardware_revision_getter.h"

#include "fwup/identification/device_info_getter_support_p.h"

#include <QDebug>

namespace fwup {

using cvsw::muppet::control::HardwareVersionCommand;
using cvsw::muppet::control::Mode;

HardwareRevisionGetter::HardwareRevisionGetter(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t attemptLimit,
    std::uint64_t firstTimeoutMs, std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
}

void HardwareRevisionGetter::start(const SuccessHandler& onSuccess, const std::function<void()>& onFailure) {
    detail::require_handlers(onSuccess, onFailure);
    exchange_.start({
        [] { return std::make_unique<HardwareVersionCommand>(Mode::GET); },
        [onSuccess](const HardwareVersionCommand& reply) {
            const unsigned char revision = reply.hardwareRevision;
            qDebug() << "Received device hardware revision" << unsigned(revision);
            onSuccess(revision);
        },
        [onFailure](MuppetCommandExchangeBase::FailureReason) { onFailure(); },
    });
}

void HardwareRevisionGetter::cancel() {
    exchange_.cancel();
}

} // namespace fwup
