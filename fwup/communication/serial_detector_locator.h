#pragma once

#include "fwup/communication/detector_locator.h"

#include <QList>
#include <QString>

#include <functional>

namespace fwup {

// Lists the serial ports of one USB vendor and product id as SRL location strings. A port without
// USB identifiers counts as vendor 0, product 0, so only a locator built for 0 and 0 lists it.
class SerialDetectorLocator final : public DetectorLocator {
public:
    // What the locator reads of one port.
    struct PortDescription {
        QString portName;
        QString systemLocation;
        quint16 vendorIdentifier = 0;
        quint16 productIdentifier = 0;
    };
    using PortLister = std::function<QList<PortDescription>()>;

    // The ports the system reports now, in its order.
    static QList<PortDescription> availablePorts();

    // portLister replaces the system's list (tests); empty means the system's.
    SerialDetectorLocator(unsigned short vendorId, unsigned short productId, PortLister portLister = {});

    QStringList getConnectedDetectors() override;

private:
    const unsigned short vendorId_;
    const unsigned short productId_;
    PortLister portLister_;
};

} // namespace fwup
