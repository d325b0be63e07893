#pragma once

#include "muppet/endpoint.h"

#include <QByteArray>
#include <QMetaObject>
#include <QObject>

class QIODevice;

namespace cvsw::muppet {

// An endpoint on any Qt stream device (a socket, a pipe). It does not own the device and forgets it
// when the device is destroyed. Failed reads and writes go to the failure handler, which decides
// what becomes of the device; the endpoint itself never closes it.
class QtIoDeviceEndpoint : public QObject, public Endpoint {
    Q_OBJECT

public:
    class IoFailureHandler {
    public:
        virtual void handleIoFailure() = 0;

    protected:
        ~IoFailureHandler() = default;
    };

    // dropOnFailure: pending transmit bytes are discarded while there is no device and after a
    // failed write, so a dead link does not pile up frames.
    QtIoDeviceEndpoint(IoFailureHandler* failureHandler, bool dropOnFailure, QObject* parent = nullptr);
    ~QtIoDeviceEndpoint() override;

    QtIoDeviceEndpoint(const QtIoDeviceEndpoint&) = delete;
    QtIoDeviceEndpoint& operator=(const QtIoDeviceEndpoint&) = delete;

    // Null allowed: the endpoint then has no device.
    void setDevice(QIODevice* device);
    QIODevice* device() const { return device_; }

    void write(Notifier& notifier, Buffer& tx) override;
    void read(Notifier& notifier, Buffer& rx) override;

signals:
    // Forwarded from the device; the endpoint reads only when asked to.
    void readyRead();
    // The whole receive buffer after each read that brought bytes.
    void dataReceived(const QByteArray& data);
    void dataWritten(const QByteArray& data);

private:
    void reportFailure();

    IoFailureHandler* failureHandler_;
    QIODevice* device_ = nullptr;
    QMetaObject::Connection deviceWatch_;
    bool dropOnFailure_;
};

} // namespace cvsw::muppet
