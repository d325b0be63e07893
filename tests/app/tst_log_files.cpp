#include <QDir>
#include <QFile>
#include <QMessageLogger>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "app/log_files.h"
#include "app/log_message_handler.h"
#include "cvbv3/block_registry.h"

#include <memory>
#include <utility>

using cvsw::cvbv3::messageHandlerLogFile;
using cvsw::cvbv3::messageHandlerStandardOutput;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

void closeOutputs() {
    messageHandlerLogFile().close();
    messageHandlerStandardOutput().close();
}

} // namespace

class TestLogFiles : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    int runs_ = 0;

    // A fresh data directory with its own settings file.
    struct Place {
        QDir data;
        std::unique_ptr<QSettings> settings;
    };
    Place newPlace() {
        const QString path = root_.filePath(QStringLiteral("data%1").arg(++runs_));
        QDir().mkpath(path);
        return {QDir(path), std::make_unique<QSettings>(path + QStringLiteral(".ini"), QSettings::IniFormat)};
    }

    // Both outputs on files of the test directory.
    std::pair<QString, QString> openFileOutputs() {
        closeOutputs();
        const QString log = root_.filePath(QStringLiteral("log%1").arg(++runs_));
        const QString out = log + QStringLiteral(".stdout");
        messageHandlerLogFile().setFileName(log);
        messageHandlerStandardOutput().setFileName(out);
        if (!messageHandlerLogFile().open(QIODevice::WriteOnly) ||
            !messageHandlerStandardOutput().open(QIODevice::WriteOnly)) {
            qFatal("cannot open the test outputs");
        }
        return {log, out};
    }

private slots:
    void initTestCase() { QVERIFY(root_.isValid()); }
    void cleanup() {
        qInstallMessageHandler(nullptr);
        closeOutputs();
    }

    void rotation_data() {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("next");
        QTest::newRow("first start") << QVariant() << 0;
        QTest::newRow("0") << QVariant(0) << 1;
        QTest::newRow("3") << QVariant(3) << 4;
        QTest::newRow("4 wraps") << QVariant(4) << 0;
        QTest::newRow("above the range") << QVariant(9) << 0;
        QTest::newRow("negative") << QVariant(-3) << -2;
        QTest::newRow("not a number") << QVariant(QStringLiteral("five")) << 1;
    }
    void rotation() {
        QFETCH(QVariant, stored);
        QFETCH(int, next);
        Place place = newPlace();
        if (stored.isValid()) {
            place.settings->setValue(QStringLiteral("log_file_number"), stored);
        }
        const QString expected = place.data.absolutePath() + QStringLiteral("/log_%1").arg(next);
        QCOMPARE(rotateLogFile(place.data, *place.settings), expected);
        QCOMPARE(place.settings->value(QStringLiteral("log_file_number")).toInt(), next);
        QCOMPARE(place.settings->value(QStringLiteral("last_log_file_path")).toString(), expected);
    }

    void crashCopy_data() {
        QTest::addColumn<QVariant>("cleanShutdown");
        QTest::addColumn<bool>("lastLogExists");
        QTest::addColumn<bool>("earlierCrashLog");
        QTest::addColumn<QByteArray>("expected"); // contents of last_crash.log afterwards

        const QByteArray missing("<missing>");
        QTest::newRow("first start") << QVariant() << false << false << missing;
        QTest::newRow("clean") << QVariant(true) << true << false << missing;
        QTest::newRow("clean keeps an earlier copy") << QVariant(true) << true << true << QByteArray("old");
        QTest::newRow("unclean") << QVariant(false) << true << false << QByteArray("last run");
        QTest::newRow("unclean replaces an earlier copy")
            << QVariant(false) << true << true << QByteArray("last run");
        QTest::newRow("unclean, log gone") << QVariant(false) << false << true << QByteArray("old");
    }
    void crashCopy() {
        QFETCH(QVariant, cleanShutdown);
        QFETCH(bool, lastLogExists);
        QFETCH(bool, earlierCrashLog);
        QFETCH(QByteArray, expected);
        Place place = newPlace();
        const QString lastLog = place.data.filePath(QStringLiteral("log_2"));
        const QString crashLog = place.data.filePath(QStringLiteral("last_crash.log"));
        if (cleanShutdown.isValid()) {
            place.settings->setValue(QStringLiteral("clean_shutdown"), cleanShutdown);
            place.settings->setValue(QStringLiteral("last_log_file_path"), lastLog);
        }
        QVERIFY(!lastLogExists || writeBytes(lastLog, "last run"));
        QVERIFY(!earlierCrashLog || writeBytes(crashLog, "old"));

        QCOMPARE(copyCrashLog(place.data, *place.settings), expected == "last run");
        QCOMPARE(readBytes(crashLog), expected);
        QCOMPARE(place.data.entryList(QDir::Files).filter(QStringLiteral("last_crash")).size(),
                 expected == "<missing>" ? 0 : 1);
    }

    // Runs of the program, each ending cleanly or not: every start writes the next log and the crash
    // copy always holds the log of the latest unclean run.
    void successiveStarts() {
        Place place = newPlace();
        const auto start = [&place](const char* text, bool clean) {
            closeOutputs();
            setUpLogFiles(place.data, *place.settings);
            place.settings->setValue(QStringLiteral("clean_shutdown"), false);
            qWarning("%s", text);
            if (clean) {
                place.settings->setValue(QStringLiteral("clean_shutdown"), true);
            }
        };
        const auto log = [&place](int n) {
            return readBytes(place.data.filePath(QStringLiteral("log_%1").arg(n)));
        };
        const auto crash = [&place] {
            return readBytes(place.data.filePath(QStringLiteral("last_crash.log")));
        };

        start("run 1", false);
        start("run 2", false);
        QVERIFY(crash().endsWith("W - run 1\n"));
        start("run 3", true);
        QVERIFY(crash().endsWith("W - run 2\n"));
        start("run 4", true);
        QVERIFY(crash().endsWith("W - run 2\n"));
        start("run 5", false);
        start("run 6", false);
        QVERIFY(crash().endsWith("W - run 5\n"));
        QVERIFY(log(0).endsWith("W - run 6\n")); // log_0 emptied and used again
        QVERIFY(!log(0).contains("run 1"));
        QVERIFY(log(4).endsWith("W - run 5\n"));
        QVERIFY(!log(0).contains("Logging to:"));
    }

    void lineFormat_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("warning with a location")
            << int(QtWarningMsg) << QByteArray("muppet/control_centre.cpp") << 42
            << QStringLiteral("late reply")
            << QByteArray("   Loc: [muppet/control_centre.cpp:42] W - late reply\n");
        QTest::newRow("critical without a location")
            << int(QtCriticalMsg) << QByteArray() << 0 << QStringLiteral("\"Unexpected identity\"")
            << QByteArray("   Loc: [:0] C - \"Unexpected identity\"\n");
        QTest::newRow("info") << int(QtInfoMsg) << QByteArray("a.cpp") << 7 << QStringLiteral("x")
                              << QByteArray("   Loc: [a.cpp:7] I - x\n");
        QTest::newRow("fatal") << int(QtFatalMsg) << QByteArray() << 0 << QStringLiteral("Out of bounds")
                               << QByteArray("   Loc: [:0] F - Out of bounds\n");
        QTest::newRow("several lines") << int(QtWarningMsg) << QByteArray() << 0 << QStringLiteral("one\ntwo")
                                       << QByteArray("   Loc: [:0] W - one\ntwo\n");
        QTest::newRow("Latin-1 kept") << int(QtWarningMsg) << QByteArray() << 0 << QStringLiteral("Español")
                                      << QByteArray("   Loc: [:0] W - Espa\xF1ol\n");
        QTest::newRow("other scripts")
            << int(QtWarningMsg) << QByteArray() << 0
            << QStringLiteral("Failed to load translations for \"Русский 中文 عربي\"")
            << QByteArray("   Loc: [:0] W - Failed to load translations for \"??????? ?? ????\"\n");
        QTest::newRow("UTF-8 file name")
            << int(QtWarningMsg) << QByteArray("d\xC3\xA9j\xC3\xA0.cpp") << 3 << QStringLiteral("m")
            << QByteArray("   Loc: [d\xE9j\xE0.cpp:3] W - m\n");
        QTest::newRow("debug dropped") << int(QtDebugMsg) << QByteArray("a.cpp") << 1
                                       << QStringLiteral("Attempt to start while busy") << QByteArray();
    }
    void lineFormat() {
        QFETCH(int, type);
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        QFETCH(QString, message);
        QFETCH(QByteArray, expected);
        const auto [log, out] = openFileOutputs();
        const QMessageLogContext context(file.isEmpty() ? nullptr : file.constData(), line, nullptr,
                                         "default");
        logMessageHandler(QtMsgType(type), context, message);
        QCOMPARE(readBytes(log), expected);
        QCOMPARE(readBytes(out), expected);
    }

    // Installed, the handler takes what Qt logging hands it; every line is on disk at once.
    void installedHandler() {
        const auto [log, out] = openFileOutputs();
        qInstallMessageHandler(logMessageHandler);
        QMessageLogger("cvbv3/cvb_file.cpp", 12, nullptr, "default").warning("Bad CRC");
        qDebug() << "routine tracing";
        qInfo() << QStringLiteral("LDSTCP01");
        const QByteArray expected = "   Loc: [cvbv3/cvb_file.cpp:12] W - Bad CRC\n";
        const QByteArray written = readBytes(log);
        QVERIFY2(written.startsWith(expected), written.constData());
        QVERIFY(written.endsWith(" I - \"LDSTCP01\"\n"));
        QCOMPARE(written.count('\n'), 2);
        QCOMPARE(readBytes(out), written);
    }

    // A log file that could not be opened: every line still reaches standard output.
    void closedLogFile() {
        const auto [log, out] = openFileOutputs();
        messageHandlerLogFile().close();
        qInstallMessageHandler(logMessageHandler);
        qWarning("still here");
        QVERIFY(readBytes(out).endsWith(" W - still here\n"));
        QCOMPARE(readBytes(log), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestLogFiles)
#include "tst_log_files.moc"
