#include "muppet/qt_io_device_endpoint.h"

#include "muppet/buffer.h"

#include <QIODevice>

#include <algorithm>

namespace cvsw::muppet {

QtIoDeviceEndpoint::QtIoDeviceEndpoint(IoFailureHandler* failureHandler, bool dropOnFailure, QObject* parent)
    : QObject(parent)
    , failureHandler_(failureHandler)
    , dropOnFailure_(dropOnFailure) {
}

QtIoDeviceEndpoint::~QtIoDeviceEndpoint() {
    QObject::disconnect(deviceWatch_);
}

void QtIoDeviceEndpoint::setDevice(QIODevice* device) {
    if (device_ != nullptr) {
        QObject::disconnect(deviceWatch_);
        QObject::disconnect(device_, &QIODevice::readyRead, this, &QtIoDeviceEndpoint::readyRead);
    }
    device_ = device;
    if (device_ == nullptr) {
        return;
    }
    connect(device_, &QIODevice::readyRead, this, &QtIoDeviceEndpoint::readyRead);
    deviceWatch_ = connect(
        device_, &QObject::destroyed, this, [this] { device_ = nullptr; }, Qt::DirectConnection);
}

void QtIoDeviceEndpoint::write(Notifier& notifier, Buffer& tx) {
    if (device_ == nullptr) {
        if (dropOnFailure_) {
            tx.clear();
        }
        return;
    }
    if (tx.size() == 0) {
        return;
    }

    const qint64 written =
        device_->write(reinterpret_cast<const char*>(tx.data()), static_cast<qint64>(tx.size()));
    if (written < 0) {
        reportFailure();
        if (dropOnFailure_) {
            tx.clear();
        }
        // Nothing was sent: there is no count to consume or report.
        return;
    }
    if (written == 0) {
        return;
    }

    const auto sent = std::min(static_cast<std::size_t>(written), tx.size());
    const QByteArray sentBytes(reinterpret_cast<const char*>(tx.data()), static_cast<qsizetype>(sent));
    // Consumed before anyone hears of it: an observer may service the connection again, and a
    // nested write must not find these bytes still waiting and send them a second time.
    tx.consume(notifier, sent);
    emit dataWritten(sentBytes);
}

void QtIoDeviceEndpoint::read(Notifier& notifier, Buffer& rx) {
    if (device_ == nullptr) {
        return;
    }
    const qint64 available = device_->bytesAvailable();
    if (available <= 0) {
        return;
    }

    const auto wanted = std::min(static_cast<std::size_t>(available), rx.freeSpace());
    if (wanted == 0) {
        return;
    }
    std::uint8_t* slot = rx.prepare(notifier, wanted);
    if (slot == nullptr) {
        return;
    }
    const qint64 received = device_->read(reinterpret_cast<char*>(slot), static_cast<qint64>(wanted));
    if (received < 0) {
        reportFailure();
        return;
    }
    if (received > 0) {
        rx.commit(notifier, static_cast<std::size_t>(received));
        emit dataReceived(
            QByteArray(reinterpret_cast<const char*>(rx.data()), static_cast<qsizetype>(rx.size())));
    }
}

void QtIoDeviceEndpoint::reportFailure() {
    if (failureHandler_ != nullptr) {
        failureHandler_->handleIoFailure();
    }
}

} // namespace cvsw::muppet
