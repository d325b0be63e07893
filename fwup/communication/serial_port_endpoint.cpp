#include "fwup/communication/serial_port_endpoint.h"

#include "muppet/buffer.h"
#include "muppet/notifier.h"

#include <QDebug>

#include <algorithm>

namespace fwup {

namespace {
constexpr std::uint32_t kEndpointCategory = 1;
constexpr std::uint32_t kDeviceClosed = 5;
constexpr int kWriteWaitMs = 10;
} // namespace

SerialPortEndpoint::SerialPortEndpoint() = default;

SerialPortEndpoint::~SerialPortEndpoint() {
    port_.close();
}

bool SerialPortEndpoint::open(const QString& portName) {
    port_.setPortName(portName);
    return port_.open(QIODevice::ReadWrite);
}

bool SerialPortEndpoint::isOpen() const {
    return port_.isOpen();
}

QString SerialPortEndpoint::errorString() const {
    return port_.errorString();
}

void SerialPortEndpoint::write(cvsw::muppet::Notifier& notifier, cvsw::muppet::Buffer& tx) {
    if (!port_.isOpen()) {
        tx.clear();
        return;
    }
    if (tx.size() == 0) {
        return;
    }

    const qint64 written =
        port_.write(reinterpret_cast<const char*>(tx.data()), static_cast<qint64>(tx.size()));
    if (written < 0 || !port_.waitForBytesWritten(kWriteWaitMs)) {
        // The bytes stay in tx; the closed port drops them on the next write.
        fail(notifier);
        return;
    }
    tx.consume(notifier, std::min(static_cast<std::size_t>(written), tx.size()));
}

void SerialPortEndpoint::read(cvsw::muppet::Notifier& notifier, cvsw::muppet::Buffer& rx) {
    if (!port_.isOpen()) {
        return;
    }
    const qint64 available = std::max<qint64>(port_.bytesAvailable(), 0);
    const auto wanted = std::min(static_cast<std::size_t>(available), rx.freeSpace());
    std::uint8_t* slot = rx.prepare(notifier, wanted);
    if (slot == nullptr) {
        return;
    }
    const qint64 received = port_.read(reinterpret_cast<char*>(slot), static_cast<qint64>(wanted));
    if (received < 0) {
        qDebug() << "No data read";
        fail(notifier);
        return;
    }
    rx.commit(notifier, static_cast<std::size_t>(received));
}

void SerialPortEndpoint::fail(cvsw::muppet::Notifier& notifier) {
    notifier.notify(kEndpointCategory, kDeviceClosed);
    port_.close();
}

} // namespace fwup
