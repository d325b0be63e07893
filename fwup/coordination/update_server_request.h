#pragma once

#include "muppet/version.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;

namespace fwup {

// A request to the update server: `path` on `baseUrl`, with the query items callback=x, action (only
// when `action` is not empty), detectorname, detsoftver and podsoftver, then `extra` in order.
QUrl update_server_request_url(const QUrl& baseUrl, const QString& path, const QString& action,
                               const QString& detectorName, const Version& detectorVersion,
                               const Version& podVersion, const QList<QPair<QString, QString>>& extra = {});

// The server may move, but never from HTTPS to HTTP.
void follow_update_server_redirects(QNetworkAccessManager& network);

} // namespace fwup
