// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "tests/support/containers/firmware_metadata.h"

#include <optional>

namespace {

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

// Runs the real program, offscreen, in a home of its own. The program sits beside a firmware folder
// of its own, so the copy of it lives in the home as well.
class TestApplicationProcess : public QObject {
    Q_OBJECT

    std::optional<QTemporaryDir> home_;
    QString program_;

    QString path(const QString& relative) const { return home_->filePath(relative); }
    QString dataDirectory() const { return path(QStringLiteral("data/Corvane/Corvane Update Utility")); }
    QString dataFile(const QString& name) const { return dataDirectory() + QLatin1Char('/') + name; }

    QVariant setting(const QString& key) const {
        const QSettings settings(
            path(QStringLiteral("config/Corvane/corvane-update-utility-summit-pro.conf")),
            QSettings::IniFormat);
        return settings.value(key);
    }

    void start(QProcess& process, const QStringList& arguments = {}) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home_->path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), path(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), path(QStringLiteral("cache")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // The start language comes from the system's: German here.
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) {
            environment.remove(QString::fromLatin1(name));
        }
        environment.insert(QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8"));
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(home_->path());
        process.start(program_, arguments);
        QVERIFY2(process.waitForStarted(), qPrintable(process.errorString()));
    }

    // Start-up is through once the settings say the run is under way.
    void waitUntilRunning(const QProcess& process) {
        QTRY_COMPARE_WITH_TIMEOUT(setting(QStringLiteral("clean_shutdown")).toString(),
                                  QStringLiteral("false"), 60000);
        QCOMPARE(process.state(), QProcess::Running);
    }

    // No signal handler: a terminated run counts as one that did not end cleanly.
    static void terminate(QProcess& process) {
        process.terminate();
        QVERIFY(process.waitForFinished(30000));
    }

private slots:
    void init() {
        home_.emplace();
        QVERIFY(home_->isValid());
        program_ = path(QStringLiteral("bin/corvane-update-utility"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("bin"))));
        QVERIFY(QFile::copy(QStringLiteral(CUU_PROGRAM), program_));
    }
    void cleanup() { home_.reset(); }

    // A first start makes its settings, log 0 and the catalog with the shipped firmware; the run that
    // follows a kill keeps a copy of the killed run's log and moves on to log 1.
    void startsAndRecoversFromAnUncleanEnd() {
        cvbtest::LodestarFirmwareLayout firmware;
        firmware.podVersion = {1, 78, 0};
        QVERIFY(QDir().mkpath(path(QStringLiteral("Resources/firmware/2024"))));
        QVERIFY(cvbtest::writeContainer(path(QStringLiteral("Resources/firmware/2024/lodestar.cvb")),
                                        cvbtest::lodestarFirmware(firmware)));

        QProcess first;
        start(first);
        waitUntilRunning(first);
        QCOMPARE(setting(QStringLiteral("log_file_number")).toInt(), 0);
        QCOMPARE(setting(QStringLiteral("last_log_file_path")).toString(), dataFile(QStringLiteral("log_0")));
        QCOMPARE(setting(QStringLiteral("NSAppSleepDisabled")).toString(), QStringLiteral("true"));
        QTRY_COMPARE_WITH_TIMEOUT(setting(QStringLiteral("language")).toString(), QStringLiteral("de"),
                                  30000);
        QVERIFY(!setting(QStringLiteral("update_server")).isValid());
        QVERIFY(QFileInfo(dataFile(QStringLiteral("log_0"))).isFile());
        QVERIFY(!QFileInfo::exists(dataFile(QStringLiteral("last_crash.log"))));

        // The shipped container went through the registered parsers into the catalog.
        const QString manifest = dataFile(QStringLiteral("catalog/firmware_file_catalog.json"));
        QTRY_VERIFY(
            QJsonDocument::fromJson(readBytes(manifest)).object().contains(QStringLiteral("SUMMIT PRO")));
        QCOMPARE(QDir(dataFile(QStringLiteral("catalog"))).entryList(QDir::Files).size(), 2);

        terminate(first);
        QCOMPARE(setting(QStringLiteral("clean_shutdown")).toString(), QStringLiteral("false"));
        QVERIFY(!setting(QStringLiteral("window_geometry")).isValid());
        // Every line of the log file went to standard output too, and nothing else did.
        const QByteArray firstLog = readBytes(dataFile(QStringLiteral("log_0")));
        QCOMPARE(first.readAllStandardOutput(), firstLog);
        for (const QByteArray& line : firstLog.split('\n')) {
            QVERIFY2(line.isEmpty() || line.startsWith("   Loc: ["), line.constData());
        }

        QProcess second;
        start(second);
        QTRY_COMPARE_WITH_TIMEOUT(setting(QStringLiteral("log_file_number")).toInt(), 1, 60000);
        waitUntilRunning(second);
        QCOMPARE(readBytes(dataFile(QStringLiteral("last_crash.log"))), firstLog);
        QVERIFY(QFileInfo(dataFile(QStringLiteral("log_1"))).isFile());
        terminate(second);
    }

    // The marketing switch pictures every page in every language in the working directory, leaves the
    // user's language as it was and keeps the program running.
    void screenshotRun() {
        QProcess process;
        start(process, {QStringLiteral("--ss-for-marketing")});
        const QDir pictures(home_->path());
        const QStringList filter{QStringLiteral("cuu_*.png")};
        QTRY_COMPARE_WITH_TIMEOUT(pictures.entryList(filter, QDir::Files).size(), 11 * 12, 120000);
        QTRY_VERIFY(QFileInfo(pictures.filePath(QStringLiteral("cuu_zh_11.png"))).size() > 0);
        QVERIFY(QFileInfo(pictures.filePath(QStringLiteral("cuu_en_00.png"))).size() > 0);
        QCOMPARE(setting(QStringLiteral("language")).toString(), QStringLiteral("de"));
        QCOMPARE(process.state(), QProcess::Running);
        terminate(process);
    }

    // The rule that lets a user open the detectors names the vendor id the program looks for.
    void udevRuleNamesTheDetectorsVendor() {
        const QString vendor = QStringLiteral("%1").arg(
            fwup::HidConnectionMechanismFactory::CORVANE_VENDOR_ID, 4, 16, QLatin1Char('0'));
        const QByteArray rule = readBytes(QStringLiteral(CUU_UDEV_RULE));
        QVERIFY(
            rule.contains(QStringLiteral("SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%1\", TAG+=\"uaccess\"")
                              .arg(vendor)
                              .toLatin1()));
    }
};

QTEST_GUILESS_MAIN(TestApplicationProcess)
#include "tst_application_process.moc"
