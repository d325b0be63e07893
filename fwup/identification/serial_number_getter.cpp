#include "fwup/identification/serial_number_getter.h"

#include "fwup/identification/device_info_getter_support_p.h"

#include <QByteArray>
#include <QDebug>

namespace fwup {

using cvsw::muppet::control::Mode;
using cvsw::muppet::control::SerialNumberCommand;

SerialNumberGetter::SerialNumberGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                       std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                                       std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
}

void SerialNumberGetter::start(const SuccessHandler& onSuccess, const std::function<void()>& onFailure) {
    detail::require_handlers(onSuccess, onFailure);
    exchange_.start({
        [] { return std::make_unique<SerialNumberCommand>(Mode::GET); },
        [onSuccess](const SerialNumberCommand& reply) {
            const QByteArray raw(reinterpret_cast<const char*>(reply.serialNumber.data()),
                                 static_cast<qsizetype>(reply.serialNumber.size()));
            const QString serial = QString::fromLatin1(raw.toHex());
            qDebug() << "Received device serial number" << serial;
            onSuccess(serial);
        },
        [onFailure](MuppetCommandExchangeBase::FailureReason) { onFailure(); },
    });
}

void SerialNumberGetter::cancel() {
    exchange_.cancel();
}

} // namespace fwup
