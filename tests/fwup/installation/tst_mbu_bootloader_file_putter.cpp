// The bootloader file putter installing into the simulated control pod through the real link stack:
// from the pod's application, from its bootloader, and from a bootloader that holds part of a file,
// with the direct relocator finding the pod again after each reset.
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/installation/mbu_bootloader_file_putter.h"
#include "tests/fwup/installation/pod_agents_test_support.h"
#include "tests/support/simulated_detector/payload_reader.h"

using namespace pod_agents_test;
using PodMode = SimulatedDetector::PodMode;

namespace {

constexpr std::uint16_t CONTROL_POD_IMAGE = 11000;
constexpr std::uint16_t SECOND_IMAGE = 11001;
const QList<std::uint16_t> INSTALL_COMMANDS{command_id::SOFTWARE_RESET_TO_BOOTLOADER,
                                            command_id::FILE_PUT_LPD, command_id::SOFTWARE_RESET};

fwup::MbuBootloaderFilePutter::Timing shortTiming() {
    fwup::MbuBootloaderFilePutter::Timing timing;
    timing.productTypeAttempts = 3;
    timing.productTypeFirstTimeoutMs = WAIT_MS;
    timing.productTypeResendTimeoutMs = WAIT_MS;
    timing.offsetAttempts = 3;
    timing.offsetFirstTimeoutMs = WAIT_MS;
    timing.offsetResendTimeoutMs = WAIT_MS;
    timing.putResendTimeoutMs = WAIT_MS;
    timing.resetTimeoutMs = 100;
    timing.loginStepTimeoutMs = WAIT_MS;
    timing.applicationStartWaitMs = 50;
    return timing;
}

QByteArray contents(int size, int seed = 0) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 37 + seed) & 0xFF);
    }
    return bytes;
}

QList<quint32> setOffsets(const SimulatedComponent& pod) {
    QList<quint32> offsets;
    for (const auto& entry : pod.traffic()) {
        if (entry.commandId == command_id::FILE_PUT_LPD && entry.mode == SET) {
            cuu::test::PayloadReader reader(entry.payload);
            reader.u16();
            offsets.append(reader.u32());
        }
    }
    return offsets;
}

QStringList restarts(const SimulatedDetector& detector) {
    return detector.linkEvents().filter(QRegularExpression(QStringLiteral("^restart to ")));
}

// What one install reported.
struct Install {
    std::optional<QString> doneAt;
    int failures = 0;
    QList<int> progress;
    int total() const { return (doneAt ? 1 : 0) + failures; }
    std::function<void(const QString&)> onDone() {
        return [this](const QString& location) {
            doneAt = location;
        };
    }
    fwup::MbuBootloaderFilePutter::ProgressHandler onProgress() {
        return [this](fwup::ProgressPercentage percent) {
            progress.append(percent.value());
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++failures;
        };
    }
};

} // namespace

class TestMbuBootloaderFilePutter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerPodFinding(); }
    void init();
    void cleanup();
    void cleanupTestCase() { unregisterPodFinding(); }

    void installs_data();
    void installs();
    void reportsProgressOverAllFiles();
    void failures_data();
    void failures();
    void refusesSecondStart();

private:
    void plug(PodMode mode);
    QString writeFile(const QByteArray& bytes);
    void start(fwup::MbuBootloaderFilePutter& putter, Install& install,
               const fwup::MbuBootloaderFilePutter::FileList& files, bool resetToApplicationAfter = true);

    std::unique_ptr<SimulatedDetector> detector_;
    std::unique_ptr<QTemporaryDir> dir_;
    int files_ = 0;
};

void TestMbuBootloaderFilePutter::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestMbuBootloaderFilePutter::cleanup() {
    detector_.reset();
    dir_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestMbuBootloaderFilePutter::plug(PodMode mode) {
    detector_ = plugDetector(mode);
}

QString TestMbuBootloaderFilePutter::writeFile(const QByteArray& bytes) {
    QFile file(dir_->filePath(QStringLiteral("image-%1").arg(++files_)));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return {};
    }
    return file.fileName();
}

void TestMbuBootloaderFilePutter::start(fwup::MbuBootloaderFilePutter& putter, Install& install,
                                        const fwup::MbuBootloaderFilePutter::FileList& files,
                                        bool resetToApplicationAfter) {
    putter.start(makeDirectRelocator(), files, detector_->usbSerialNumber(), detector_->location(),
                 install.onDone(), install.onProgress(), install.onFailure(), resetToApplicationAfter);
}

void TestMbuBootloaderFilePutter::installs_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<int>("heldBytes");
    QTest::addColumn<QStringList>("shape");
    QTest::addColumn<QStringList>("restartsSeen");

    const QString toBootloader = QStringLiteral("restart to bootloader");
    const QString toApplication = QStringLiteral("restart to application");
    QTest::newRow("pod in its application")
        << PodMode::Application << 0 << QStringList{"SET 19", "SET 78", "SET 5"}
        << QStringList{toBootloader, toApplication};
    QTest::newRow("pod in its bootloader")
        << PodMode::Bootloader << 0 << QStringList{"GET 78", "SET 78", "SET 5"} << QStringList{toApplication};
    QTest::newRow("bootloader holding part of the file")
        << PodMode::Bootloader << 3000 << QStringList{"GET 78", "SET 19", "SET 78", "SET 5"}
        << QStringList{toBootloader, toApplication};
}

void TestMbuBootloaderFilePutter::installs() {
    QFETCH(PodMode, mode);
    QFETCH(int, heldBytes);
    QFETCH(QStringList, shape);
    QFETCH(QStringList, restartsSeen);
    plug(mode);
    if (heldBytes > 0) {
        detector_->pod().setFile(CONTROL_POD_IMAGE, contents(heldBytes, 99));
    }
    const QByteArray image = contents(5000);
    const QString path = writeFile(image);
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, std::chrono::milliseconds(500),
                                         shortTiming());
    Install install;

    start(putter, install, {{CONTROL_POD_IMAGE, path}});
    QVERIFY(putter.isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(install.total(), 1, 30000);

    QCOMPARE(install.failures, 0);
    QCOMPARE(*install.doneAt, detector_->location());
    QCOMPARE(detector_->podMode(), PodMode::Application);
    QVERIFY(!putter.isBusy());
    QCOMPARE(requestShape(detector_->pod(), INSTALL_COMMANDS), shape);
    QCOMPARE(restarts(*detector_), restartsSeen);
    // Every file goes from its start, whatever the pod held before.
    const QList<quint32> offsets = setOffsets(detector_->pod());
    QCOMPARE(offsets.first(), 0u);
    QVERIFY(std::is_sorted(offsets.cbegin(), offsets.cend()));
    QCOMPARE(detector_->pod().file(CONTROL_POD_IMAGE), image);
    QVERIFY(detector_->pod().isFileComplete(CONTROL_POD_IMAGE));
    QVERIFY(std::is_sorted(install.progress.cbegin(), install.progress.cend()));
    QCOMPARE(install.progress.last(), 100);
}

// Files of 1000 and 3000 bytes: each acknowledgement reports the bytes of all files sent so far.
void TestMbuBootloaderFilePutter::reportsProgressOverAllFiles() {
    plug(PodMode::Bootloader);
    detector_->pod().setAcceptedFileIds({CONTROL_POD_IMAGE, SECOND_IMAGE});
    const QString first = writeFile(contents(1000));
    const QString second = writeFile(contents(3000, 7));
    const QString location = detector_->location();
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, std::chrono::milliseconds(500),
                                         shortTiming());
    Install install;

    start(putter, install, {{CONTROL_POD_IMAGE, first}, {SECOND_IMAGE, second}}, false);
    QTRY_COMPARE_WITH_TIMEOUT(install.total(), 1, 30000);

    QCOMPARE(*install.doneAt, location);
    QCOMPARE(install.progress, (QList<int>{25, 25, 50, 76, 100, 100}));
    QCOMPARE(detector_->pod().requestCount(command_id::FILE_PUT_LPD, GET), 2);
    QVERIFY(restarts(*detector_).isEmpty());
    QCOMPARE(detector_->pod().file(SECOND_IMAGE), contents(3000, 7));
}

void TestMbuBootloaderFilePutter::failures_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<bool>("wrongProductType");
    QTest::addColumn<bool>("staysAway");
    QTest::newRow("neither product type") << PodMode::Application << true << false;
    QTest::newRow("pod never comes back from the reset") << PodMode::Application << false << true;
}

void TestMbuBootloaderFilePutter::failures() {
    QFETCH(PodMode, mode);
    QFETCH(bool, wrongProductType);
    QFETCH(bool, staysAway);
    plug(mode);
    if (wrongProductType) {
        detector_->pod().setReportedProductType(150);
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^Invalid product type reported")));
    }
    if (staysAway) {
        detector_->setPodStaysAwayAfterReset();
    }
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, std::chrono::milliseconds(500),
                                         shortTiming());
    Install install;

    putter.start(makeDirectRelocator(2, 20), {{CONTROL_POD_IMAGE, writeFile(contents(100))}},
                 detector_->usbSerialNumber(), detector_->location(), install.onDone(), install.onProgress(),
                 install.onFailure(), true);
    QTRY_COMPARE_WITH_TIMEOUT(install.total(), 1, 30000);

    QCOMPARE(install.failures, 1);
    QVERIFY(!putter.isBusy());
    QVERIFY(install.progress.isEmpty());
    QCOMPARE(detector_->pod().requestCount(command_id::FILE_PUT_LPD), 0);
    QCOMPARE(restarts(*detector_).size(), staysAway ? 1 : 0);
}

void TestMbuBootloaderFilePutter::refusesSecondStart() {
    plug(PodMode::Bootloader);
    const QString path = writeFile(contents(2000));
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, std::chrono::milliseconds(500),
                                         shortTiming());
    Install running;
    Install refused;

    start(putter, running, {{CONTROL_POD_IMAGE, path}}, false);
    start(putter, refused, {{CONTROL_POD_IMAGE, path}}, false);
    QCOMPARE(refused.failures, 1);
    QTRY_COMPARE_WITH_TIMEOUT(running.total(), 1, 30000);
    QVERIFY(running.doneAt);
    QCOMPARE(refused.total(), 1);

    QVERIFY_THROWS_EXCEPTION(
        std::invalid_argument,
        putter.start(makeDirectRelocator(), {}, {}, {}, {}, running.onProgress(), running.onFailure(), true));
}

QTEST_GUILESS_MAIN(TestMbuBootloaderFilePutter)
#include "tst_mbu_bootloader_file_putter.moc"
