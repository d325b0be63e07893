#pragma once

#include "fwup/communication/detector_locator.h"

#include <QHostAddress>
#include <QObject>
#include <QString>

#include <utility>

class QTcpSocket;

namespace fwup {

// Asks a local MC_M2M gateway which devices it offers and names each with an MC_M2M location
// string. Every call opens its own connection and waits for the answer (at most five seconds by
// default), processing the application's events meanwhile. The gateway speaks first; the locator
// answers any line that is not the answer to its request with the request.
class MCM2MApiDetectorLocator final : public QObject, public DetectorLocator {
public:
    static constexpr unsigned short kDefaultPort = 9800;
    static constexpr int kDefaultResponseTimeoutMs = 5000;

    MCM2MApiDetectorLocator();
    ~MCM2MApiDetectorLocator() override;

    void setMuppetCommanderServer(const QHostAddress& address, unsigned short port);
    std::pair<QHostAddress, unsigned short> muppetCommanderServer() const;

    // How long one call waits for the gateway's list.
    void setResponseTimeout(int milliseconds) { responseTimeoutMs_ = milliseconds; }
    int responseTimeout() const { return responseTimeoutMs_; }

    // Empty when the gateway cannot be reached, stays silent or refuses.
    QStringList getConnectedDetectors() override;

private:
    // True once the list has been taken from an answer.
    bool handleLine(QTcpSocket& socket, const QByteArray& line, QStringList& locations) const;

    // Empty accepts every device name.
    const QString deviceNamePattern_;
    QHostAddress serverAddress_{QHostAddress::LocalHost};
    unsigned short serverPort_ = kDefaultPort;
    int responseTimeoutMs_ = kDefaultResponseTimeoutMs;
};

} // namespace fwup
