#pragma once

#include "fwup/communication/detector_locator.h"

#include <QString>

namespace fwup {

// Names one detector at a fixed IPv4 address and port: a single TCP_CLIENT location string. It does
// not connect to find out whether anything listens there.
class TcpDetectorLocator final : public DetectorLocator {
public:
    TcpDetectorLocator(const QString& address, unsigned short port);

    // Empty when the address is not a dotted IPv4 address: the string could not be connected to.
    QStringList getConnectedDetectors() override;

private:
    const QString address_;
    const unsigned short port_;
};

} // namespace fwup
