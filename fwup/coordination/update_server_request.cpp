#include "fwup/coordination/update_server_request.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrlQuery>

namespace fwup {

QUrl update_server_request_url(const QUrl& baseUrl, const QString& path, const QString& action,
                               const QString& detectorName, const Version& detectorVersion,
                               const Version& podVersion, const QList<QPair<QString, QString>>& extra) {
    QUrl url = baseUrl;
    url.setPath(path, QUrl::DecodedMode);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("callback"), QStringLiteral("x"));
    if (!action.isEmpty()) {
        query.addQueryItem(QStringLiteral("action"), action);
    }
    query.addQueryItem(QStringLiteral("detectorname"), detectorName);
    query.addQueryItem(QStringLiteral("detsoftver"), detectorVersion.toString());
    query.addQueryItem(QStringLiteral("podsoftver"), podVersion.toString());
    for (const auto& [key, value] : extra) {
        query.addQueryItem(key, value);
    }
    url.setQuery(query);
    return url;
}

void follow_update_server_redirects(QNetworkAccessManager& network) {
    network.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

} // namespace fwup
