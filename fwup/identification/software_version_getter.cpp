#include "fwup/identification/software_version_getter.h"

#include "fwup/identification/device_info_getter_support_p.h"

#include <QDebug>

namespace fwup {

using cvsw::muppet::control::Mode;
using cvsw::muppet::control::SoftwareVersionCommand;

SoftwareVersionGetter::SoftwareVersionGetter(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t attemptLimit,
    std::uint64_t firstTimeoutMs, std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
}

void SoftwareVersionGetter::start(const SuccessHandler& onSuccess, const std::function<void()>& onFailure) {
    detail::require_handlers(onSuccess, onFailure);
    exchange_.start({
        [] { return std::make_unique<SoftwareVersionCommand>(Mode::GET); },
        [onSuccess](const SoftwareVersionCommand& reply) {
            const Version version = reply.version;
            qDebug() << "Received SW Version" << version.toString();
            onSuccess(version);
        },
        [onFailure](MuppetCommandExchangeBase::FailureReason) { onFailure(); },
    });
}

void SoftwareVersionGetter::cancel() {
    exchange_.cancel();
}

} // namespace fwup
