#include "tests/support/update_server/fake_update_server.h"

#include <QHostAddress>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QUrlQuery>

namespace updtest {

FakeUpdateServer::FakeUpdateServer(QObject* parent)
    : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool FakeUpdateServer::listen() {
    return server_.listen(QHostAddress::LocalHost);
}

QUrl FakeUpdateServer::baseUrl() const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(server_.serverPort()));
}

void FakeUpdateServer::offer(const QString& detectorName, const QByteArray& image, int segmentSize,
                             const QString& detectorVersion, const QString& podVersion) {
    detectorName_ = detectorName;
    image_ = image;
    segmentSize_ = segmentSize;
    detectorVersion_ = detectorVersion;
    podVersion_ = podVersion;
}

void FakeUpdateServer::replace(int segment, const Answer& answer) {
    replaced_.insert(segment, answer);
}

QByteArray FakeUpdateServer::jsonp(const QJsonObject& object) {
    return "x(" + QJsonDocument(object).toJson(QJsonDocument::Compact) + ")";
}

QJsonObject FakeUpdateServer::segment(int number, const QString& detectorName, const QByteArray& data) {
    return {{QStringLiteral("segmentNumber"), number},
            {QStringLiteral("detectorName"), detectorName},
            {QStringLiteral("segment"), QString::fromLatin1(data.toBase64())}};
}

FakeUpdateServer::Answer FakeUpdateServer::answerFor(const QUrl& url) const {
    const int segments = int((image_.size() + segmentSize_ - 1) / segmentSize_);
    int key = -1;
    if (url.path() == QLatin1String("/update")) {
        key = 0;
    } else if (url.path() == QLatin1String("/detcode")) {
        key = QUrlQuery(url).queryItemValue(QStringLiteral("segnum")).toInt();
    }
    if (replaced_.contains(key)) {
        return replaced_.value(key);
    }
    Answer answer;
    answer.sendLength = sendLength_;
    if (key == 0) {
        answer.body = jsonp({{QStringLiteral("update"), true},
                             {QStringLiteral("appsize"), int(image_.size())},
                             {QStringLiteral("totalsegments"), segments},
                             {QStringLiteral("detver"), detectorVersion_},
                             {QStringLiteral("podver"), podVersion_}});
    } else if (key >= 1 && key <= segments) {
        answer.body = jsonp(segment(key, detectorName_, image_.mid((key - 1) * segmentSize_, segmentSize_)));
    } else if (key != -1) {
        answer.body = jsonp({{QStringLiteral("request"),
                              QStringLiteral("Segment number requested is not valid %1").arg(key)}});
    } else {
        answer.status = 404;
    }
    return answer;
}

void FakeUpdateServer::onReadyRead(QTcpSocket* socket) {
    const QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n")) {
        return;
    }
    // "GET /detcode?callback=x&... HTTP/1.1"
    const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
    const QUrl url = baseUrl().resolved(QUrl::fromEncoded(words.value(1)));
    requests_ << url;

    const Answer answer = answerFor(url);
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) +
                      (answer.status == 200 ? " OK" : " Failed") +
                      "\r\nContent-Type: application/javascript\r\nConnection: close\r\n";
    if (answer.sendLength) {
        head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
    }
    socket->write(head + "\r\n" + answer.body);
    socket->disconnectFromHost();
}

} // namespace updtest
