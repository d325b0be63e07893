#pragma once

#include "tests/support/simulated_detector/device_framing.h"
#include "tests/support/simulated_detector/simulated_component.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace cuu::test {

// The device's end of a byte-stream link (a socket, a serial line): Mcobs1 frames in, the
// component's answers out as Mcobs1 frames. Only control frames are answered.
class StreamDeviceSide {
public:
    explicit StreamDeviceSide(SimulatedComponent& component)
        : component_(component) {}

    // The bytes the host sent; returns the wire bytes to send back.
    QByteArray receive(const QByteArray& bytes) {
        QByteArray answer;
        const auto frames = framing_.decode(bytes);
        for (const DeviceFraming::Frame& frame : frames) {
            if (frame.type != kControlFrame) {
                continue;
            }
            const SimulatedComponent::Response response = component_.handleMessage(frame.payload);
            if (response.reply) {
                answer += DeviceFraming::encodeFrame(kControlFrame, *response.reply);
            }
        }
        return answer;
    }

    static constexpr std::uint8_t kControlFrame = 0xFF;

private:
    SimulatedComponent& component_;
    DeviceFraming framing_;
};

// A control pod that listens on 127.0.0.1 and speaks Mcobs1 frames over each TCP connection.
class TcpDetectorServer {
public:
    TcpDetectorServer() {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { acceptAll(); });
    }

    bool listen() { return server_.listen(QHostAddress::LocalHost); }
    quint16 port() const { return server_.serverPort(); }
    SimulatedComponent& pod() { return pod_; }
    int connectionCount() const { return connectionCount_; }

private:
    void acceptAll() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++connectionCount_;
            // One framing state per connection, dropped with the socket.
            auto side = std::make_shared<StreamDeviceSide>(pod_);
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, side] {
                const QByteArray answer = side->receive(socket->readAll());
                if (!answer.isEmpty()) {
                    socket->write(answer);
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    SimulatedComponent pod_{SimulatedComponent::Personality::ControlPodApplication};
    QTcpServer server_;
    int connectionCount_ = 0;
};

} // namespace cuu::test
