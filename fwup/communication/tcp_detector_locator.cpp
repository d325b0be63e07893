#include "fwup/communication/tcp_detector_locator.h"

#include <QDebug>
#include <QRegularExpression>

namespace fwup {

TcpDetectorLocator::TcpDetectorLocator(const QString& address, unsigned short port)
    : address_(address)
    , port_(port) {
}

QStringList TcpDetectorLocator::getConnectedDetectors() {
    if (address_.isEmpty()) {
        qDebug() << "No address is provided!" << address_;
        return {};
    }
    static const QRegularExpression ipv4(QStringLiteral("^(([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])\\.){3}"
                                                        "([01]?[0-9]?[0-9]|2[0-4][0-9]|25[0-5])$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (!ipv4.match(address_).hasMatch()) {
        qDebug() << "Bad address supplied" << address_;
        return {};
    }
    return {QStringLiteral("TCP_CLIENT::%1::%2").arg(address_).arg(port_)};
}

} // namespace fwup
