#include "fwup/firmware/i_catalog_manager.h"

#include <QString>

namespace fwup {

ICatalogManager::~ICatalogManager() = default;

bool is_catalog_file_name(const QString& md5) {
    if (md5.size() != 32) {
        return false;
    }
    for (const QChar c : md5) {
        const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const bool lowerHex = c >= QLatin1Char('a') && c <= QLatin1Char('f');
        if (!digit && !lowerHex) {
            return false;
        }
    }
    return true;
}

QList<QSharedPointer<ICatalogManager>>& legacy_catalog_manager_registry() {
    static QList<QSharedPointer<ICatalogManager>> registry;
    return registry;
}

} // namespace fwup
