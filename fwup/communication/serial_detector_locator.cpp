#include "fwup/communication/serial_detector_locator.h"

#include <QSerialPortInfo>

namespace fwup {

namespace {

QString hexId(unsigned short id) {
    return QStringLiteral("0x%1").arg(id, 4, 16, QLatin1Char('0'));
}

} // namespace

QList<SerialDetectorLocator::PortDescription> SerialDetectorLocator::availablePorts() {
    QList<PortDescription> ports;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo& info : infos) {
        // Without identifiers the library reports 0, which is what the filters compare against.
        ports.append(
            {info.portName(), info.systemLocation(), info.vendorIdentifier(), info.productIdentifier()});
    }
    return ports;
}

SerialDetectorLocator::SerialDetectorLocator(unsigned short vendorId, unsigned short productId,
                                             PortLister portLister)
    : vendorId_(vendorId)
    , productId_(productId)
    , portLister_(portLister ? std::move(portLister) : PortLister(&SerialDetectorLocator::availablePorts)) {
}

QStringList SerialDetectorLocator::getConnectedDetectors() {
    QStringList locations;
    const auto ports = portLister_();
    for (const PortDescription& port : ports) {
        if (port.vendorIdentifier != vendorId_ || port.productIdentifier != productId_) {
            continue;
        }
        locations.append(QStringLiteral("SRL::") + hexId(port.vendorIdentifier) + QStringLiteral("::") +
                         hexId(port.productIdentifier) + QStringLiteral("::") + port.portName +
                         QStringLiteral("::") + port.systemLocation);
    }
    return locations;
}

} // namespace fwup
