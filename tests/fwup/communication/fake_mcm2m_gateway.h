#pragma once

#include "tests/support/simulated_detector/simulated_component.h"

#include <QByteArrayList>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUuid>

namespace cuu::test {

// A small MC_M2M gateway on 127.0.0.1: it greets every client, lists its devices, accepts connects,
// and hands the control frames sent to its one device to a simulated control pod, whose answers go
// back as rxFrame notifications.
class FakeMcm2mGateway {
public:
    static constexpr int kChunkPauseMs = 30;

    FakeMcm2mGateway() {
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { acceptAll(); });
    }

    bool listen() { return server_.listen(QHostAddress::LocalHost); }
    quint16 port() const { return server_.serverPort(); }

    // Written on every new connection, each chunk a moment after the one before; empty: silent.
    void setGreeting(const QByteArrayList& chunks) { greeting_ = chunks; }
    // The list answer goes out in two halves, a moment apart.
    void setSplitAnswers(bool split) { splitAnswers_ = split; }
    void setDevices(const QJsonArray& devices) { devices_ = devices; }

    QUuid podUuid() const { return podUuid_; }
    SimulatedComponent& pod() { return pod_; }
    // Every request received, in order: the objects under "request".
    QList<QJsonObject> requests() const { return requests_; }

    static QByteArray line(const QJsonObject& object) {
        return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    }

private:
    void acceptAll() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { readLines(*socket); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            send(socket, greeting_);
        }
    }

    void send(QTcpSocket* socket, const QByteArrayList& chunks) {
        QPointer<QTcpSocket> target(socket);
        for (qsizetype i = 0; i < chunks.size(); ++i) {
            const QByteArray chunk = chunks.at(i);
            QTimer::singleShot(static_cast<int>(i) * kChunkPauseMs, socket, [target, chunk] {
                if (target) {
                    target->write(chunk);
                    target->flush();
                }
            });
        }
    }

    void readLines(QTcpSocket& socket) {
        while (socket.canReadLine()) {
            const QJsonObject request = QJsonDocument::fromJson(socket.readLine())
                                            .object()
                                            .value(QLatin1String("request"))
                                            .toObject();
            requests_.append(request);
            answer(socket, request);
        }
    }

    void answer(QTcpSocket& socket, const QJsonObject& request) {
        const QString name = request.value(QLatin1String("name")).toString();
        const QJsonObject parameters = request.value(QLatin1String("parameters")).toObject();
        QJsonObject response{{QStringLiteral("name"), name},
                             {QStringLiteral("requestId"), request.value(QLatin1String("id"))},
                             {QStringLiteral("resultCode"), 0}};
        if (name == QLatin1String("getAvailableDevices")) {
            response.insert(QStringLiteral("result"), QJsonObject{{QStringLiteral("devices"), devices_}});
            const QByteArray text = line({{QStringLiteral("response"), response}});
            const qsizetype half = splitAnswers_ ? text.size() / 2 : text.size();
            send(&socket,
                 half < text.size() ? QByteArrayList{text.left(half), text.mid(half)} : QByteArrayList{text});
            return;
        }
        if (name == QLatin1String("connectToDevice")) {
            response.insert(QStringLiteral("deviceUuid"), parameters.value(QLatin1String("uuid")));
        }
        socket.write(line({{QStringLiteral("response"), response}}));
        if (name == QLatin1String("sendFrameToDevice")) {
            forwardFrame(socket, parameters);
        }
    }

    void forwardFrame(QTcpSocket& socket, const QJsonObject& parameters) {
        if (QUuid::fromString(parameters.value(QLatin1String("uuid")).toString()) != podUuid_ ||
            parameters.value(QLatin1String("frameType")).toInt() != 0xFF) {
            return;
        }
        const QByteArray message =
            QByteArray::fromBase64(parameters.value(QLatin1String("payload")).toString().toLatin1());
        const SimulatedComponent::Response response = pod_.handleMessage(message);
        if (!response.reply) {
            return;
        }
        const QJsonObject frame{{QStringLiteral("frameType"), 0xFF},
                                {QStringLiteral("payload"), QString::fromLatin1(response.reply->toBase64())}};
        socket.write(
            line({{QStringLiteral("notification"),
                   QJsonObject{{QStringLiteral("name"), QStringLiteral("rxFrame")},
                               {QStringLiteral("deviceUuid"), podUuid_.toString(QUuid::WithoutBraces)},
                               {QStringLiteral("frame"), frame}}}}));
    }

    QTcpServer server_;
    QByteArrayList greeting_{line({{QStringLiteral("notification"),
                                    QJsonObject{{QStringLiteral("name"), QStringLiteral("gatewayReady")}}}})};
    bool splitAnswers_ = false;
    QJsonArray devices_;
    QUuid podUuid_ = QUuid::fromString(QLatin1String("{3f2504e0-4f89-41d3-9a0c-0305e82c3301}"));
    SimulatedComponent pod_{SimulatedComponent::Personality::ControlPodApplication};
    QList<QJsonObject> requests_;
};

} // namespace cuu::test
