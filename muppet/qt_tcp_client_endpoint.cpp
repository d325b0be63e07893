#include "muppet/qt_tcp_client_endpoint.h"

#include "logging/log.h"

#include <string>

namespace cvsw::muppet {

namespace {
constexpr unsigned short LogModule = 0x4D07;
} // namespace

QtTcpClientEndpoint::QtTcpClientEndpoint(QObject* parent)
    : QtIoDeviceEndpoint(this, true, parent) {
    connect(
        &socket_, &QTcpSocket::connected, this,
        [this] {
            if (connected_) {
                CVSW_LOG(log::Level::Warning, LogModule, "Double connection?");
            }
            connected_ = true;
        },
        Qt::DirectConnection);
    connect(
        &socket_, &QTcpSocket::disconnected, this,
        [this] {
            if (!connected_) {
                CVSW_LOG(log::Level::Warning, LogModule, "Double disconnection?");
            }
            connected_ = false;
        },
        Qt::DirectConnection);
    setDevice(&socket_);
}

QtTcpClientEndpoint::~QtTcpClientEndpoint() {
    // The socket goes before the base; it must not report into a half-destroyed endpoint.
    setDevice(nullptr);
    socket_.disconnect(this);
}

void QtTcpClientEndpoint::handleIoFailure() {
    const std::string error = socket_.errorString().toStdString();
    CVSW_LOG(log::Level::Debug, LogModule, "Server IO failed: %1. Closing.", log::Value::string(error));
    socket_.close();
}

} // namespace cvsw::muppet
