#include "fwup/coordination/vela_update_server_downloader.h"

#include "fwup/coordination/update_server_reply.h"
#include "fwup/coordination/update_server_request.h"

#include <QDebug>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <limits>
#include <optional>

namespace fwup {

namespace {

// Reply size of a full segment when the server does not say: the Base64 of SEGMENT_SIZE bytes.
constexpr int FULL_SEGMENT_REPLY_SIZE = 986666;
constexpr double BASE64_GROWTH = 4.0 / 3.0;
constexpr int SEGMENT_OVERHEAD = 1024;
const QString SEGMENT_REFUSAL = QStringLiteral("Segment number requested is not valid ");

// What a segment reply says, once its JSON has been read.
struct SegmentAnswer {
    bool valid = false;
    bool exists = false;
    int segmentNumber = 0;
    QString detectorName;
    QByteArray data;
};

SegmentAnswer readSegmentAnswer(const QByteArray& body) {
    SegmentAnswer answer;
    const UpdateServerReply reply(body, "Download segment response");
    if (!reply.parsed()) {
        qDebug() << "Error parsing segment download response JSON:" << reply.errorString();
        return answer;
    }
    const QLatin1String request("request");
    if (reply.object().contains(request)) {
        const QString text = reply.object().value(request).toString();
        if (text.startsWith(SEGMENT_REFUSAL)) {
            answer.valid = true;
        } else {
            qWarning() << "Unexpected response from the server";
        }
        return answer;
    }
    // Every member is read, so the log names each one that is wrong.
    const std::optional<QVariant> number = reply.convertible("segmentNumber", QMetaType::fromType<int>());
    const std::optional<QVariant> name = reply.convertible("detectorName", QMetaType::fromType<QString>());
    const std::optional<QString> segment = reply.string("segment");
    if (number && name && segment) {
        answer.valid = true;
        answer.exists = true;
        answer.segmentNumber = number->toInt();
        answer.detectorName = name->toString();
        // Characters outside the Base64 alphabet (line breaks and the like) are skipped.
        answer.data = QByteArray::fromBase64(segment->toLatin1());
    }
    return answer;
}

} // namespace

struct VelaUpdateServerDownloader::Impl {
    explicit Impl(VelaUpdateServerDownloader* owner)
        : network(new QNetworkAccessManager(owner))
        , owner(owner) {
        follow_update_server_redirects(*network);
    }

    void downloadSegment(int n);
    void onProgress(QNetworkReply* reply, qint64 received, qint64 total);
    void onSegmentFinished(QNetworkReply* reply);
    // Closes the file and reports the end of the download.
    void finish(bool success);

    Version detectorVersion;
    Version podVersion;
    Version gprVersion;
    QUrl baseUrl;
    QString detectorName;
    int totalSegments = 0;
    int appSize = 0;
    QFile destinationFile;
    QNetworkAccessManager* network; // child of the owner
    QPointer<QNetworkReply> currentReply;
    int currentSegment = 0;
    VelaUpdateServerDownloader* owner;
};

VelaUpdateServerDownloader::VelaUpdateServerDownloader(const Version& detectorVersion,
                                                       const Version& podVersion, const QUrl& baseUrl,
                                                       const QString& detectorName, int totalSegments,
                                                       int appSize, QObject* parent)
    : FirmwareDownloader(parent)
    , d(std::make_unique<Impl>(this)) {
    d->detectorVersion = detectorVersion;
    d->podVersion = podVersion;
    d->baseUrl = baseUrl;
    d->detectorName = detectorName;
    d->totalSegments = totalSegments;
    d->appSize = appSize;
}

VelaUpdateServerDownloader::~VelaUpdateServerDownloader() {
    // Running replies die with the network manager, after the Impl is gone: they must not call back.
    for (QNetworkReply* reply : d->network->findChildren<QNetworkReply*>()) {
        reply->disconnect(reply);
    }
}

Version VelaUpdateServerDownloader::detectorVersion() const {
    return d->detectorVersion;
}

Version VelaUpdateServerDownloader::gprVersion() const {
    return d->gprVersion;
}

Version VelaUpdateServerDownloader::podVersion() const {
    return d->podVersion;
}

int VelaUpdateServerDownloader::downloadSize() const {
    const double perSegment = SEGMENT_OVERHEAD + d->detectorName.size();
    const double estimate = perSegment * d->totalSegments + d->appSize * BASE64_GROWTH;
    // The sizes come from the server: an estimate beyond int's range shows as its nearest end.
    return static_cast<int>(std::clamp(estimate, static_cast<double>(std::numeric_limits<int>::min()),
                                       static_cast<double>(std::numeric_limits<int>::max())));
}

void VelaUpdateServerDownloader::startDownloadImpl() {
    d->destinationFile.close();
    d->destinationFile.setFileName(destinationPath());
    // Unbuffered, so that a full disk shows at the write of the segment and not after the last one.
    if (!d->destinationFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        qWarning() << "Failed to open" << destinationPath()
                   << "for writing download to:" << d->destinationFile.errorString();
        // Later, never inside startDownload: the caller may not be ready for the signal yet.
        QTimer::singleShot(10, this, [this] { emit finished(false); });
        return;
    }
    d->downloadSegment(1);
}

void VelaUpdateServerDownloader::Impl::downloadSegment(int n) {
    const QUrl url = update_server_request_url(baseUrl, QStringLiteral("/detcode"), QString(), detectorName,
                                               detectorVersion, podVersion,
                                               {{QStringLiteral("segnum"), QString::number(n)}});

    if (currentReply && currentReply->isRunning()) {
        qWarning() << "Old network reply is still active before downloading next segment";
        currentReply->deleteLater();
    }
    currentSegment = n;
    currentReply = network->get(QNetworkRequest(url));
    if (!currentReply) {
        qWarning() << "Failed to start get of segment" << n;
        emit owner->finished(false);
        return;
    }
    QNetworkReply* reply = currentReply;
    QObject::connect(
        reply, &QNetworkReply::downloadProgress, reply,
        [this, reply](qint64 received, qint64 total) { onProgress(reply, received, total); },
        Qt::DirectConnection);
    QObject::connect(
        reply, &QNetworkReply::finished, reply, [this, reply] { onSegmentFinished(reply); },
        Qt::DirectConnection);
}

void VelaUpdateServerDownloader::Impl::onProgress(QNetworkReply* reply, qint64 received, qint64 total) {
    if (reply != currentReply) {
        return;
    }
    const bool lastSegment = currentSegment >= totalSegments;
    // An image that fills its last segment ends in a full one, not an empty one.
    int lastSegmentSize = appSize > 0 ? appSize % SEGMENT_SIZE : 0;
    if (appSize > 0 && lastSegmentSize == 0) {
        lastSegmentSize = SEGMENT_SIZE;
    }
    double expected = static_cast<double>(total);
    if (total < 1) {
        expected = lastSegment ? static_cast<int>(BASE64_GROWTH * lastSegmentSize) : FULL_SEGMENT_REPLY_SIZE;
    }
    // The expected size is an estimate when the server does not send one; never count past a segment.
    const double segmentShare = expected < 1 ? 0.0 : std::clamp(received / expected, 0.0, 1.0);

    double share = 0.0;
    if (appSize > 0) {
        const double segmentBytes = currentSegment == totalSegments ? lastSegmentSize : SEGMENT_SIZE;
        const double doneBytes = (currentSegment - 1.0) * SEGMENT_SIZE;
        share = (doneBytes + segmentShare * segmentBytes) / appSize;
    } else {
        // No size to weigh the segments by: count them instead.
        share = (currentSegment - 1 + segmentShare) / std::max(totalSegments, 1);
    }
    const int percent = static_cast<int>(std::clamp(share, 0.0, 1.0) * 100.0);
    qDebug() << "Download" << percent << "% complete, on segment" << currentSegment << "which is"
             << static_cast<int>(segmentShare * 100.0) << "% complete";
    emit owner->downloadProgress(percent);
}

void VelaUpdateServerDownloader::Impl::onSegmentFinished(QNetworkReply* reply) {
    reply->deleteLater();
    if (reply != currentReply) {
        return; // abandoned by a new start
    }
    if (reply->error() != QNetworkReply::NoError) {
        qWarning() << "Failed to download segment" << currentSegment << "-" << reply->errorString();
        finish(false);
        return;
    }

    const QByteArray body = reply->readAll();
    const SegmentAnswer answer = readSegmentAnswer(body);
    if (!answer.valid) {
        qWarning() << "Unhandleable segment respose encountered";
        finish(false);
        return;
    }
    if (!answer.exists) {
        qWarning() << "Requested segment" << currentSegment << "of" << totalSegments
                   << "but server says it doesn't exist";
        finish(false);
        return;
    }
    if (answer.segmentNumber != currentSegment) {
        qWarning() << "We requested segment" << currentSegment << "but the server gave us segment"
                   << answer.segmentNumber;
        finish(false);
        return;
    }
    if (answer.detectorName != detectorName) {
        qWarning() << "We requested a segment for" << detectorName << "but got a segment for"
                   << answer.detectorName;
        finish(false);
        return;
    }

    qDebug() << "segment" << currentSegment << "has" << body.size() << "bytes of response which is "
             << answer.data.size() << "bytes of actual FW data";
    const qint64 written = destinationFile.write(answer.data);
    if (written < 1 || written != answer.data.size()) {
        qWarning() << "Failed to write download segment to file:" << destinationFile.errorString();
        finish(false);
        return;
    }

    if (currentSegment < totalSegments) {
        currentReply = nullptr;
        downloadSegment(currentSegment + 1);
        return;
    }
    qInfo() << "Finished writing download to" << destinationFile.fileName();
    finish(true);
}

void VelaUpdateServerDownloader::Impl::finish(bool success) {
    destinationFile.close();
    emit owner->finished(success);
}

} // namespace fwup
