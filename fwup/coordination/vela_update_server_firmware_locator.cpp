#include "fwup/coordination/vela_update_server_firmware_locator.h"

#include "fwup/coordination/update_server_reply.h"
#include "fwup/coordination/update_server_request.h"
#include "fwup/coordination/vela_update_server_downloader.h"
#include "fwup/firmware/version_string.h"
#include "fwup/identification/i_system_identity.h"

#include <QDebug>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace fwup {

struct VelaUpdateServerFirmwareLocator::Impl {
    Impl(DetectorType detectorType, const QString& detectorName, const QUrl& baseUrl)
        : detectorType(detectorType)
        , detectorName(detectorName)
        , baseUrl(baseUrl) {
        follow_update_server_redirects(network);
    }

    void resetResult() {
        updateAvailable = false;
        appSize = 0;
        totalSegments = 0;
        detectorVersion = {};
        podVersion = {};
    }

    DetectorType detectorType;
    QString detectorName;
    QUrl baseUrl;
    QNetworkAccessManager network;
    // The result of the latest reply; set only from a reply that passed every check.
    bool updateAvailable = false;
    int appSize = 0;
    int totalSegments = 0;
    Version detectorVersion;
    Version podVersion;
};

VelaUpdateServerFirmwareLocator::VelaUpdateServerFirmwareLocator(DetectorType detectorType,
                                                                 const QString& detectorName,
                                                                 const QUrl& baseUrl)
    : d(std::make_unique<Impl>(detectorType, detectorName, baseUrl)) {
    connect(&d->network, &QNetworkAccessManager::finished, this,
            &VelaUpdateServerFirmwareLocator::onRequestFinished);
}

VelaUpdateServerFirmwareLocator::~VelaUpdateServerFirmwareLocator() {
    // Requests in flight die with the manager; none of them may reach a half-destroyed locator.
    d->network.disconnect(this);
}

bool VelaUpdateServerFirmwareLocator::startSearchForLatestVersion(const ISystemIdentity& identity) {
    if (identity.detectorType() != d->detectorType) {
        return false;
    }
    // The server is always asked from 0.0.0, so it offers its newest firmware whatever is installed.
    const QUrl url =
        update_server_request_url(d->baseUrl, QStringLiteral("/update"), QStringLiteral("getdetver"),
                                  d->detectorName, Version{}, Version{});
    d->network.get(QNetworkRequest(url));
    return true;
}

std::unique_ptr<FirmwareDownloader> VelaUpdateServerFirmwareLocator::latestVersionDownloader() {
    if (!d->updateAvailable) {
        return {};
    }
    return std::make_unique<VelaUpdateServerDownloader>(d->detectorVersion, d->podVersion, d->baseUrl,
                                                        d->detectorName, d->totalSegments, d->appSize,
                                                        nullptr);
}

void VelaUpdateServerFirmwareLocator::onRequestFinished(QNetworkReply* reply) {
    reply->deleteLater();
    d->resetResult();

    if (reply->error() != QNetworkReply::NoError) {
        qWarning() << "Failed to check for latest version" << reply->errorString();
        emit searchFinished();
        return;
    }

    const UpdateServerReply answer(reply->readAll(), "Update query response");
    bool good = answer.parsed();
    if (!good) {
        qDebug() << "Error parsing update query response JSON:" << answer.errorString();
    }
    std::optional<QVariant> update;
    std::optional<QVariant> appSize;
    std::optional<QVariant> totalSegments;
    std::optional<QString> detectorVersion;
    std::optional<QString> podVersion;
    if (good) {
        // Every member is read, so the log names each one that is wrong.
        update = answer.convertible("update", QMetaType::fromType<bool>());
        appSize = answer.convertible("appsize", QMetaType::fromType<int>());
        totalSegments = answer.convertible("totalsegments", QMetaType::fromType<int>());
        detectorVersion = answer.string("detver");
        podVersion = answer.string("podver");
        good = update && appSize && totalSegments && detectorVersion && podVersion;
    }
    if (!good) {
        qWarning() << "Failed to parse server response for latest version";
        emit searchFinished();
        return;
    }

    d->updateAvailable = update->toBool();
    d->appSize = appSize->toInt();
    d->totalSegments = totalSegments->toInt();
    d->detectorVersion = parse_version_string(*detectorVersion);
    d->podVersion = parse_version_string(*podVersion);

    if (!d->updateAvailable) {
        qDebug() << "Server indicates no update available for" << d->detectorName;
        emit searchFinished();
        return;
    }
    qInfo() << QStringLiteral("There is an update available for %1: det %2, pod %3. It is %4 bytes (%5 MB)")
                   .arg(d->detectorName, d->detectorVersion.toString(), d->podVersion.toString(),
                        QString::number(d->appSize),
                        QString::number(d->appSize / 1000000.0, 'g', QLocale::FloatingPointShortest));
    emit searchFinished();
}

} // namespace fwup
