#pragma once

#include "muppet/qt_io_device_endpoint.h"

#include <QTcpSocket>

namespace cvsw::muppet {

// A stream endpoint on a TCP socket of its own. Whoever makes it starts the connection on socket();
// bytes written meanwhile wait in the socket until it connects. After an I/O failure the socket is
// closed for good: later writes fail and drop their data, reads find nothing.
class QtTcpClientEndpoint final : public QtIoDeviceEndpoint, public QtIoDeviceEndpoint::IoFailureHandler {
public:
    explicit QtTcpClientEndpoint(QObject* parent = nullptr);
    ~QtTcpClientEndpoint() override;

    QTcpSocket& socket() { return socket_; }
    bool isConnected() const { return connected_; }

    void handleIoFailure() override;

private:
    QTcpSocket socket_;
    bool connected_ = false;
};

} // namespace cvsw::muppet
