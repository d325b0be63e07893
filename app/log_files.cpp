#include "app/log_files.h"

#include "app/application_settings.h"
#include "app/log_message_handler.h"
#include "cvbv3/block_registry.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QString>

#include <cstdio>

namespace {

const QString LAST_LOG_FILE_PATH = QStringLiteral("last_log_file_path");
const QString LOG_FILE_NUMBER = QStringLiteral("log_file_number");

} // namespace

bool copyCrashLog(const QDir& dataDirectory, const QSettings& settings) {
    if (settings.value(SETTINGS_CLEAN_SHUTDOWN, true).toBool()) {
        return false;
    }
    const QString source = settings.value(LAST_LOG_FILE_PATH, QString()).toString();
    const QString target = dataDirectory.absoluteFilePath(QStringLiteral("last_crash.log"));
    // QFile::copy never replaces a file, which would keep the very first crash for ever. Copy beside
    // it first, so a source that cannot be read leaves the old copy alone.
    const QString fresh = target + QStringLiteral(".new");
    QFile::remove(fresh);
    if (source.isEmpty() || !QFile::copy(source, fresh)) {
        return false;
    }
    QFile::remove(target);
    return QFile::rename(fresh, target);
}

QString rotateLogFile(const QDir& dataDirectory, QSettings& settings) {
    const int previous = settings.value(LOG_FILE_NUMBER, 5).toInt();
    const int next = previous < 4 ? previous + 1 : 0;
    settings.setValue(LOG_FILE_NUMBER, next);
    const QString path = QStringLiteral("%1/log_%2").arg(dataDirectory.absolutePath()).arg(next);
    settings.setValue(LAST_LOG_FILE_PATH, path);
    return path;
}

void openLogOutputs(const QString& logPath) {
    QFile& standardOutput = cvsw::cvbv3::messageHandlerStandardOutput();
    standardOutput.open(stdout, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    QFile& logFile = cvsw::cvbv3::messageHandlerLogFile();
    logFile.setFileName(logPath);
    logFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text);
}

void setUpLogFiles(const QDir& dataDirectory, QSettings& settings) {
    copyCrashLog(dataDirectory, settings);
    const QString logPath = rotateLogFile(dataDirectory, settings);
    openLogOutputs(logPath);
    qDebug() << "Logging to:" << logPath;
    qInstallMessageHandler(logMessageHandler);
}
