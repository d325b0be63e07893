#pragma once

#include <QDir>
#include <QUrl>

namespace fwup {

// What start-up hands every detector family's support function.
struct ApplicationConfiguration {
    QDir dataDirectory;
    QUrl updateServerUrl;   // the "update_server" setting
    bool production = true; // false: the development secrets
};

} // namespace fwup
