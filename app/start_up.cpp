#include "app/start_up.h"

#include "app/application_settings.h"
#include "fwup/coordination/vela_update_server_firmware_locator.h"

#include <QByteArray>
#include <QSettings>
#include <QStandardPaths>

QString applicationVersionString() {
    return QStringLiteral("%1.%2.%3").arg(3).arg(49).arg(0);
}

QDir applicationDataDirectory() {
    const QDir directory(QStandardPaths::standardLocations(QStandardPaths::AppLocalDataLocation).value(0));
    if (!directory.exists()) {
        directory.mkpath(directory.absolutePath());
    }
    return directory;
}

void markRunStarted(QSettings& settings) {
    settings.setValue(SETTINGS_CLEAN_SHUTDOWN, false);
    settings.setValue(QStringLiteral("NSAppSleepDisabled"), true);
}

QUrl updateServerUrl(const QSettings& settings) {
    const QString fallback = QString::fromLatin1(fwup::VelaUpdateServerFirmwareLocator::DEFAULT_BASE_URL);
    return QUrl(settings.value(QStringLiteral("update_server"), fallback).toString(), QUrl::TolerantMode);
}

void markRunEnded(QSettings& settings, const QByteArray& windowGeometry) {
    settings.setValue(SETTINGS_CLEAN_SHUTDOWN, true);
    settings.setValue(SETTINGS_WINDOW_GEOMETRY, windowGeometry);
}

QByteArray savedWindowGeometry(const QSettings& settings) {
    return settings.value(SETTINGS_WINDOW_GEOMETRY).toByteArray();
}

bool wantsScreenshotMode(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--ss-for-marketing"), Qt::CaseSensitive);
}
