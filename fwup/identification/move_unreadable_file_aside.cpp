#include "fwup/identification/move_unreadable_file_aside.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>

namespace fwup {

bool move_unreadable_file_aside(const QString& path) {
    const QFileInfo info(path);
    if (info.isFile() && info.size() == 0) {
        return true;
    }
    const QString stem = path + QStringLiteral(".unreadable-") +
                         QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    // Two in one second keep both: never rename over an earlier one.
    for (int attempt = 1; info.isFile() && attempt <= 100; ++attempt) {
        const QString aside = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
        if (QFileInfo::exists(aside)) {
            continue;
        }
        if (QFile::rename(path, aside)) {
            qWarning() << "Unreadable file" << path << "kept as" << aside;
            return true;
        }
        break;
    }
    qWarning() << "Unreadable file" << path << "could not be kept aside; it is left unchanged";
    return false;
}

} // namespace fwup
