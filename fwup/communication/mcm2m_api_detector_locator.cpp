#include "fwup/communication/mcm2m_api_detector_locator.h"

#include <QDebug>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>

namespace fwup {

namespace {

// The gateway is asked in exactly these bytes.
const QByteArray kGetAvailableDevicesRequest =
    QByteArrayLiteral(R"({"request":{"id": 1, "name":"getAvailableDevices", "parameters":{}}})");
constexpr qint64 kListRequestId = 1;

void sendRequest(QTcpSocket& socket) {
    socket.write(kGetAvailableDevicesRequest + '\n');
    socket.flush();
    qDebug() << "Wrote request: " << kGetAvailableDevicesRequest;
}

} // namespace

MCM2MApiDetectorLocator::MCM2MApiDetectorLocator() = default;
MCM2MApiDetectorLocator::~MCM2MApiDetectorLocator() = default;

void MCM2MApiDetectorLocator::setMuppetCommanderServer(const QHostAddress& address, unsigned short port) {
    serverAddress_ = address;
    serverPort_ = port;
}

std::pair<QHostAddress, unsigned short> MCM2MApiDetectorLocator::muppetCommanderServer() const {
    return {serverAddress_, serverPort_};
}

QStringList MCM2MApiDetectorLocator::getConnectedDetectors() {
    QStringList locations;
    QTcpSocket socket;
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);

    connect(
        &socket, &QTcpSocket::connected, this, [] { qDebug() << "Connected!"; }, Qt::DirectConnection);
    connect(
        &socket, &QTcpSocket::readyRead, this,
        [&] {
            // Every complete line that came in; a line cut short waits for its line feed.
            while (socket.canReadLine()) {
                if (handleLine(socket, socket.readLine(), locations)) {
                    loop.quit();
                    return;
                }
            }
        },
        Qt::DirectConnection);
    connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);

    socket.connectToHost(serverAddress_, serverPort_, QIODevice::ReadWrite);
    deadline.start(responseTimeoutMs_);
    loop.exec();
    return locations;
}

bool MCM2MApiDetectorLocator::handleLine(QTcpSocket& socket, const QByteArray& line,
                                         QStringList& locations) const {
    const QByteArray text = line.trimmed();
    qDebug() << "Received response: " << text;

    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        qDebug() << "Not valid JSON:" << error.errorString() << " : " << text;
        return false;
    }
    if (!document.isObject()) {
        qDebug() << "Not a JSON object.";
        return false;
    }
    const QJsonValue responseValue = document.object().value(QLatin1String("response"));
    if (!responseValue.isObject()) {
        // A greeting or a notification: the gateway is there, so ask it.
        qDebug() << "Not a response object";
        sendRequest(socket);
        return false;
    }
    const QJsonObject response = responseValue.toObject();
    if (response.value(QLatin1String("requestId")).toInteger(-1) != kListRequestId) {
        sendRequest(socket);
        return false;
    }
    const QJsonValue resultCode = response.value(QLatin1String("resultCode"));
    if (!resultCode.isDouble() || resultCode.toDouble() != 0) {
        qDebug() << "Result code was not zero.";
        return false;
    }
    const QJsonValue result = response.value(QLatin1String("result"));
    if (!result.isObject()) {
        qDebug() << "Result is not an object.";
        return false;
    }
    const QJsonValue devices = result.toObject().value(QLatin1String("devices"));
    if (!devices.isArray()) {
        qDebug() << "Devices was not an array.";
        return false;
    }

    const QRegularExpression namePattern(deviceNamePattern_);
    const auto deviceList = devices.toArray();
    for (const QJsonValue& entry : deviceList) {
        const QJsonObject device = entry.toObject();
        if (namePattern.isValid() &&
            !namePattern.match(device.value(QLatin1String("name")).toString()).hasMatch()) {
            continue;
        }
        locations.append(QStringLiteral("MC_M2M::%1::%2::%3")
                             .arg(device.value(QLatin1String("uuid")).toString(), serverAddress_.toString())
                             .arg(serverPort_));
    }
    return true;
}

} // namespace fwup
