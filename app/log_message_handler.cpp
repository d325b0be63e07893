#include "app/log_message_handler.h"

#include "cvbv3/block_registry.h"

#include <QFile>
#include <QMessageLogContext>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

namespace {

QLatin1String levelLetter(QtMsgType type) {
    switch (type) {
    case QtWarningMsg:
        return QLatin1String("W");
    case QtCriticalMsg:
        return QLatin1String("C");
    case QtFatalMsg:
        return QLatin1String("F");
    case QtInfoMsg:
    case QtDebugMsg:
        break;
    }
    return QLatin1String("I");
}

void writeAndFlush(QFile& output, const QByteArray& bytes) {
    // A log file that could not be opened is skipped: Qt would print a warning for every write to it.
    if (!output.isWritable()) {
        return;
    }
    output.write(bytes);
    output.flush();
}

} // namespace

void logMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtDebugMsg) {
        return;
    }
    // Qt's own threads (the network's among them) log too; lines must not mix.
    static QMutex mutex;
    const QMutexLocker lock(&mutex);
    QString line;
    line += QLatin1String("   Loc: [");
    line += QString::fromUtf8(context.file);
    line += QLatin1Char(':');
    line += QString::number(context.line);
    line += QLatin1String("] ");
    line += levelLetter(type);
    line += QLatin1String(" - ");
    line += message;
    line += QLatin1Char('\n');

    const QByteArray bytes = line.toLatin1();
    writeAndFlush(cvsw::cvbv3::messageHandlerLogFile(), bytes);
    writeAndFlush(cvsw::cvbv3::messageHandlerStandardOutput(), bytes);
}
