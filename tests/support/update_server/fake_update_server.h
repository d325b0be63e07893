#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace updtest {

// A small HTTP server on 127.0.0.1 that plays the update server: "/update" offers one firmware image
// and "/detcode" hands it out in Base64 segments, every answer wrapped as JSONP ("x(" JSON ")").
// Any answer can be replaced to play a faulty server. One request per connection; each is recorded.
class FakeUpdateServer : public QObject {
public:
    struct Answer {
        QByteArray body;
        int status = 200;
        bool sendLength = true; // false: no Content-Length; the body ends when the connection closes
    };

    explicit FakeUpdateServer(QObject* parent = nullptr);

    // Listens at a free port.
    bool listen();
    QUrl baseUrl() const;

    void offer(const QString& detectorName, const QByteArray& image, int segmentSize,
               const QString& detectorVersion, const QString& podVersion);
    // Replaces the answer to "/update" (segment 0) or to one segment.
    void replace(int segment, const Answer& answer);
    // Sends no Content-Length with the answers it makes itself.
    void setSendLength(bool send) { sendLength_ = send; }

    const QList<QUrl>& requests() const { return requests_; }

    static QByteArray jsonp(const QJsonObject& object);
    static QJsonObject segment(int number, const QString& detectorName, const QByteArray& data);

private:
    void onReadyRead(QTcpSocket* socket);
    Answer answerFor(const QUrl& url) const;

    QTcpServer server_;
    QList<QUrl> requests_;
    QHash<int, Answer> replaced_;
    QString detectorName_;
    QByteArray image_;
    int segmentSize_ = 1;
    QString detectorVersion_;
    QString podVersion_;
    bool sendLength_ = true;
};

} // namespace updtest
