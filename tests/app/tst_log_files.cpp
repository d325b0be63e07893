#include <QDir>
#include <QFile>
#include <QMessageLogger>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include "app/log_files.h"
#include "app/log_message_handler.h"
#include "cvbv3/block_registry.h"

#include <memory>
#include <optional>
#include <vector>

using cvsw::cvbv3::messageHandlerLogFile;
using cvsw::cvbv3::messageHandlerStandardOutput;

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// Each test function has a fresh data directory with its own settings file.
class TestLogFiles : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> dir_;
    std::optional<QSettings> settings_;

    QDir data() const { return QDir(dir_->path()); }
    QString file(const QString& name) const { return dir_->filePath(name); }

    // Both outputs on files of the data directory: the log file and "stdout".
    void openFileOutputs() {
        messageHandlerLogFile().setFileName(file(QStringLiteral("log")));
        messageHandlerStandardOutput().setFileName(file(QStringLiteral("stdout")));
        QVERIFY(messageHandlerLogFile().open(QIODevice::WriteOnly));
        QVERIFY(messageHandlerStandardOutput().open(QIODevice::WriteOnly));
    }

private slots:
    void init() {
        dir_.emplace();
        settings_.emplace(file(QStringLiteral("settings.ini")), QSettings::IniFormat);
    }
    void cleanup() {
        qInstallMessageHandler(nullptr);
        messageHandlerLogFile().close();
        messageHandlerStandardOutput().close();
        settings_.reset();
        dir_.reset();
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
        if (stored.isValid()) {
            settings_->setValue(QStringLiteral("log_file_number"), stored);
        }
        const QString expected = data().absolutePath() + QStringLiteral("/log_%1").arg(next);
        QCOMPARE(rotateLogFile(data(), *settings_), expected);
        QCOMPARE(settings_->value(QStringLiteral("log_file_number")).toInt(), next);
        QCOMPARE(settings_->value(QStringLiteral("last_log_file_path")).toString(), expected);
    }

    void crashCopy_data() {
        QTest::addColumn<QVariant>("cleanShutdown");
        QTest::addColumn<bool>("lastLogExists");
        QTest::addColumn<bool>("earlierCopy");
        QTest::addColumn<QByteArray>("expected"); // last_crash.log afterwards

        QTest::newRow("first start") << QVariant() << false << false << QByteArray("<missing>");
        QTest::newRow("clean") << QVariant(true) << true << true << QByteArray("old");
        QTest::newRow("unclean") << QVariant(false) << true << false << QByteArray("last run");
        QTest::newRow("unclean again") << QVariant(false) << true << true << QByteArray("last run");
        QTest::newRow("unclean, log gone") << QVariant(false) << false << true << QByteArray("old");
    }
    void crashCopy() {
        QFETCH(QVariant, cleanShutdown);
        QFETCH(bool, lastLogExists);
        QFETCH(bool, earlierCopy);
        QFETCH(QByteArray, expected);
        if (cleanShutdown.isValid()) {
            settings_->setValue(QStringLiteral("clean_shutdown"), cleanShutdown);
            settings_->setValue(QStringLiteral("last_log_file_path"), file(QStringLiteral("log_2")));
        }
        QVERIFY(!lastLogExists || writeBytes(file(QStringLiteral("log_2")), "last run"));
        QVERIFY(!earlierCopy || writeBytes(file(QStringLiteral("last_crash.log")), "old"));

        QCOMPARE(copyCrashLog(data(), *settings_), expected == "last run");
        QCOMPARE(readBytes(file(QStringLiteral("last_crash.log"))), expected);
        QCOMPARE(data().entryList({QStringLiteral("last_crash*")}, QDir::Files).size(),
                 expected == "<missing>" ? 0 : 1);
    }

    // Starts of the program, each ending cleanly or not: every start writes the next log, and the crash
    // copy always holds the log of the latest unclean run.
    void successiveStarts() {
        const auto start = [this](const char* text, bool clean) {
            messageHandlerLogFile().close();
            messageHandlerStandardOutput().close();
            setUpLogFiles(data(), *settings_);
            settings_->setValue(QStringLiteral("clean_shutdown"), clean);
            qWarning("%s", text);
        };
        const auto crash = [this] {
            return readBytes(file(QStringLiteral("last_crash.log")));
        };

        start("run 1", false);
        start("run 2", false);
        QVERIFY(crash().endsWith("W - run 1\n"));
        start("run 3", true);
        QVERIFY(crash().endsWith("W - run 2\n"));
        start("run 4", true);
        start("run 5", false);
        QVERIFY(crash().endsWith("W - run 2\n"));
        start("run 6", false);
        QVERIFY(crash().endsWith("W - run 5\n"));
        const QByteArray log0 = readBytes(file(QStringLiteral("log_0")));
        QVERIFY(log0.endsWith("W - run 6\n")); // emptied and used again
        QCOMPARE(log0.count('\n'), 1);
        QVERIFY(readBytes(file(QStringLiteral("log_4"))).endsWith("W - run 5\n"));
    }

    void lineFormat_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("warning with a location")
            << int(QtWarningMsg) << QByteArray("muppet/control_centre.cpp") << 42 << "late reply"
            << QByteArray("   Loc: [muppet/control_centre.cpp:42] W - late reply\n");
        QTest::newRow("critical without a location")
            << int(QtCriticalMsg) << QByteArray() << 0 << "\"Unexpected identity\""
            << QByteArray("   Loc: [:0] C - \"Unexpected identity\"\n");
        QTest::newRow("info") << int(QtInfoMsg) << QByteArray("a.cpp") << 7 << "x"
                              << QByteArray("   Loc: [a.cpp:7] I - x\n");
        QTest::newRow("fatal") << int(QtFatalMsg) << QByteArray() << 0 << "Out of bounds"
                               << QByteArray("   Loc: [:0] F - Out of bounds\n");
        QTest::newRow("several lines") << int(QtWarningMsg) << QByteArray() << 0 << "one\ntwo"
                                       << QByteArray("   Loc: [:0] W - one\ntwo\n");
        QTest::newRow("Latin-1 kept") << int(QtWarningMsg) << QByteArray() << 0 << "Español"
                                      << QByteArray("   Loc: [:0] W - Espa\xF1ol\n");
        QTest::newRow("other scripts") << int(QtWarningMsg) << QByteArray() << 0 << "\"Русский 中文 عربي\""
                                       << QByteArray("   Loc: [:0] W - \"??????? ?? ????\"\n");
        QTest::newRow("UTF-8 file name") << int(QtWarningMsg) << QByteArray("d\xC3\xA9j\xC3\xA0.cpp") << 3
                                         << "m" << QByteArray("   Loc: [d\xE9j\xE0.cpp:3] W - m\n");
        QTest::newRow("debug dropped")
            << int(QtDebugMsg) << QByteArray("a.cpp") << 1 << "Attempt to start while busy" << QByteArray();
    }
    void lineFormat() {
        QFETCH(int, type);
        QFETCH(QByteArray, file);
        QFETCH(int, line);
        QFETCH(QString, message);
        QFETCH(QByteArray, expected);
        openFileOutputs();
        const QMessageLogContext context(file.isEmpty() ? nullptr : file.constData(), line, nullptr,
                                         "default");
        logMessageHandler(QtMsgType(type), context, message);
        QCOMPARE(readBytes(this->file(QStringLiteral("log"))), expected);
        QCOMPARE(readBytes(this->file(QStringLiteral("stdout"))), expected);
    }

    // Installed, the handler takes what Qt logging hands it, and every line is on disk at once. Without a
    // log file, lines still reach standard output.
    void installedHandler() {
        openFileOutputs();
        qInstallMessageHandler(logMessageHandler);
        QMessageLogger("cvbv3/cvb_file.cpp", 12, nullptr, "default").warning("Bad CRC");
        qDebug() << "routine tracing";
        const QByteArray line = "   Loc: [cvbv3/cvb_file.cpp:12] W - Bad CRC\n";
        QCOMPARE(readBytes(file(QStringLiteral("log"))), line);

        messageHandlerLogFile().close();
        qInfo() << QStringLiteral("LDSTCP01");
        QCOMPARE(readBytes(file(QStringLiteral("log"))), line);
        const QByteArray out = readBytes(file(QStringLiteral("stdout")));
        QVERIFY(out.startsWith(line));
        QVERIFY(out.endsWith(" I - \"LDSTCP01\"\n"));
        QCOMPARE(out.count('\n'), 2);
    }

    // Qt's worker threads log too: lines from several threads at once arrive whole, each once.
    void linesFromSeveralThreads() {
        openFileOutputs();
        qInstallMessageHandler(logMessageHandler);
        constexpr int threads = 4;
        constexpr int linesEach = 500;
        std::vector<std::unique_ptr<QThread>> writers;
        for (int t = 0; t < threads; ++t) {
            writers.emplace_back(QThread::create([t] {
                for (int i = 0; i < linesEach; ++i) {
                    QMessageLogger("t.cpp", t, nullptr).warning("thread %d line %d", t, i);
                }
            }));
            writers.back()->start();
        }
        for (const auto& writer : writers) {
            QVERIFY(writer->wait(30000));
        }
        const QList<QByteArray> lines = readBytes(file(QStringLiteral("log"))).split('\n');
        QCOMPARE(lines.size(), threads * linesEach + 1);
        QSet<QByteArray> distinct;
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            QVERIFY2(lines[i].startsWith("   Loc: [t.cpp:") && lines[i].contains("] W - thread "),
                     lines[i].constData());
            distinct.insert(lines[i]);
        }
        QCOMPARE(distinct.size(), threads * linesEach);
    }
};

QTEST_GUILESS_MAIN(TestLogFiles)
#include "tst_log_files.moc"
