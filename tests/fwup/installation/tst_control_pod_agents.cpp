// The control-pod agents against the simulated detector through the program's own link stack: the
// direct relocator finding a pod again by its serial number, the bootloader file putter on its
// roads, and the user-settings record store (the storer's decision table, the coordinator's answers
// to scripted store statuses, the storer's roads).
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/installation/direct_connection_component_relocator.h"
#include "fwup/installation/mbu_bootloader_file_putter.h"
#include "fwup/installation/store_user_settings_record_coordinator.h"
#include "fwup/installation/user_settings_record_storer.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/updater_test_support.h"

#include <algorithm>
#include <optional>

using namespace installation_test;
using PodMode = SimulatedDetector::PodMode;
using fwup::Version;
using fwup::VersionRange;
using fwup::VersionRangeTable;

namespace {

constexpr cvsw::muppet::ProductTypeId POD_APPLICATION = 144;
constexpr cvsw::muppet::ProductTypeId POD_BOOTLOADER = 145;
constexpr std::uint16_t CONTROL_POD_IMAGE = 11000;
constexpr std::uint16_t SECOND_IMAGE = 11001;
// Short for a test, yet long enough that a late answer on a busy machine brings no resend.
constexpr std::uint64_t WAIT_MS = 150;
constexpr int PATIENCE_MS = 30000;
constexpr std::chrono::milliseconds PUT_TIMEOUT(500);

const Version POD_VERSION{1, 77, 2};
const Version OLDER_TARGET{1, 76, 9};

std::shared_ptr<fwup::DirectConnectionComponentRelocator> relocator(std::uint32_t retries = 30) {
    return std::make_shared<fwup::DirectConnectionComponentRelocator>(retries, 20, 3, WAIT_MS, WAIT_MS);
}

fwup::MbuBootloaderFilePutter::Timing putterTiming() {
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

fwup::StoreUserSettingsRecordCoordinator::Timing storeTiming(std::uint32_t maxPolls = 120) {
    fwup::StoreUserSettingsRecordCoordinator::Timing timing;
    timing.attemptLimit = 3;
    timing.firstTimeoutMs = WAIT_MS;
    timing.resendTimeoutMs = WAIT_MS;
    timing.pollIntervalMs = 10;
    timing.maxPolls = maxPolls;
    return timing;
}

fwup::UserSettingsRecordStorer::Timing storerTiming() {
    fwup::UserSettingsRecordStorer::Timing timing;
    timing.store = storeTiming();
    timing.productTypeAttempts = 3;
    timing.productTypeFirstTimeoutMs = WAIT_MS;
    timing.productTypeResendTimeoutMs = WAIT_MS;
    timing.resetTimeoutMs = 100;
    timing.loginStepTimeoutMs = WAIT_MS;
    return timing;
}

Version version(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    return {static_cast<std::uint8_t>(parts.value(0).toUInt()),
            static_cast<std::uint8_t>(parts.value(1).toUInt()),
            static_cast<std::uint8_t>(parts.value(2).toUInt())};
}

// The pod's requests of the install commands, runs of one request folded into one entry: the shape
// of the conversation, whatever the number of packets.
QStringList installShape(const SimulatedComponent& pod) {
    const QList<std::uint16_t> commands{command_id::SOFTWARE_RESET_TO_BOOTLOADER, command_id::FILE_PUT_LPD,
                                        command_id::SOFTWARE_RESET};
    QStringList shape;
    for (const QString& request : pod.requestLog()) {
        const bool install = commands.contains(static_cast<std::uint16_t>(request.section(' ', 1).toUInt()));
        if (install && (shape.isEmpty() || shape.last() != request)) {
            shape.append(request);
        }
    }
    return shape;
}

QStringList restarts(const SimulatedDetector& detector) {
    return detector.linkEvents().filter(QRegularExpression(QStringLiteral("^restart to ")));
}

// How an agent ended, in order of the calls: "found 144 <location>", "done <location>", "stored",
// "not stored" or "failed"; and the progress it reported.
struct Reports {
    QStringList ends;
    QList<int> progress;

    fwup::IComponentRelocator::FoundHandler onFound() {
        return [this](cvsw::muppet::ProductTypeId type, const QString& location) {
            ends.append(QStringLiteral("found %1 %2").arg(type).arg(location));
        };
    }
    std::function<void(const QString&)> onDone() {
        return [this](const QString& location) {
            ends.append(QStringLiteral("done ") + location);
        };
    }
    std::function<void(bool)> onStored() {
        return [this](bool stored) {
            ends.append(stored ? QStringLiteral("stored") : QStringLiteral("not stored"));
        };
    }
    std::function<void(fwup::ProgressPercentage)> onProgress() {
        return [this](fwup::ProgressPercentage percent) {
            progress.append(percent.value());
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ends.append(QStringLiteral("failed"));
        };
    }
};

QString found(cvsw::muppet::ProductTypeId type, const QString& location) {
    return QStringLiteral("found %1 %2").arg(type).arg(location);
}

} // namespace

class TestControlPodAgents : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { updater_test::registerUpdateStack(identification_test::shortTiming()); }
    void init();
    void cleanup();
    void cleanupTestCase();

    void relocatorFindsPodBySerial_data();
    void relocatorFindsPodBySerial();
    void relocatorGivesUpWhenPodStaysAway();
    void relocatorBusyAndCancel();

    void putterInstalls_data();
    void putterInstalls();
    void putterReportsProgressOverAllFiles();
    void putterFailures_data();
    void putterFailures();
    void putterRefusesSecondStart();

    void storeDecision_data();
    void storeDecision();
    void coordinatorFollowsStatuses_data();
    void coordinatorFollowsStatuses();
    void storerRoads_data();
    void storerRoads();
    void storerWithoutStore_data();
    void storerWithoutStore();
    void storerRefusesSecondStore();

private:
    QString writeFile(const QByteArray& bytes);
    void startPutter(fwup::MbuBootloaderFilePutter& putter, Reports& reports,
                     const fwup::MbuBootloaderFilePutter::FileList& files,
                     bool resetToApplicationAfter = true,
                     std::shared_ptr<fwup::IComponentRelocator> finder = relocator());
    void startStorer(fwup::UserSettingsRecordStorer& storer, Reports& reports, Version to = OLDER_TARGET);

    std::unique_ptr<SimulatedDetector> detector_;
    std::unique_ptr<SimulatedDetector> other_;
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestControlPodAgents::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestControlPodAgents::cleanup() {
    detector_.reset();
    other_.reset();
    dir_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestControlPodAgents::cleanupTestCase() {
    updater_test::unregisterUpdateStack();
}

QString TestControlPodAgents::writeFile(const QByteArray& bytes) {
    QFile file(dir_->filePath(QStringLiteral("image-%1").arg(qHash(bytes))));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        return {};
    }
    return file.fileName();
}

// --- Direct relocator ---

void TestControlPodAgents::relocatorFindsPodBySerial_data() {
    QTest::addColumn<bool>("lookForSecond");
    QTest::addColumn<PodMode>("backIn");
    QTest::addColumn<int>("returnDelayMs");
    QTest::newRow("first of two, back at once") << false << PodMode::Application << 0;
    QTest::newRow("second of two, back at once") << true << PodMode::Application << 0;
    QTest::newRow("second of two, in its bootloader") << true << PodMode::Bootloader << 0;
    QTest::newRow("first of two, back after a while") << false << PodMode::Application << 200;
}

void TestControlPodAgents::relocatorFindsPodBySerial() {
    QFETCH(bool, lookForSecond);
    QFETCH(PodMode, backIn);
    QFETCH(int, returnDelayMs);
    detector_ = plugDetector(PodMode::Application);
    other_ = plugDetector(PodMode::Application);
    SimulatedDetector& wanted = lookForSecond ? *other_ : *detector_;
    const QString oldLocation = wanted.location();
    wanted.setResetTiming(0, returnDelayMs);
    wanted.restartPod(backIn);
    const auto direct = relocator();
    Reports reports;

    direct->relocate(oldLocation, wanted.usbSerialNumber(), reports.onFound(), reports.onFailure());
    QVERIFY(direct->isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(reports.ends.size(), 1, PATIENCE_MS);

    QVERIFY(wanted.location() != oldLocation);
    QCOMPARE(reports.ends.first(),
             found(backIn == PodMode::Bootloader ? POD_BOOTLOADER : POD_APPLICATION, wanted.location()));
    QVERIFY(!direct->isBusy());
    // The product type is read where the pod was found.
    QCOMPARE(wanted.pod().requestLog().last(), QStringLiteral("GET 20"));
}

void TestControlPodAgents::relocatorGivesUpWhenPodStaysAway() {
    detector_ = plugDetector(PodMode::Application);
    detector_->setPodStaysAwayAfterReset();
    detector_->restartPod(PodMode::Bootloader);
    const auto direct = relocator(2);
    Reports lost;

    for (int search = 0; search < 3; ++search) {
        QTest::ignoreMessage(QtWarningMsg, "Can't locate the requested system");
    }
    QTest::ignoreMessage(QtDebugMsg, "Exceeded retries");
    direct->relocate({}, detector_->usbSerialNumber(), lost.onFound(), lost.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(lost.ends, QStringList{"failed"}, PATIENCE_MS);
    QVERIFY(!direct->isBusy());

    // The same relocator serves the next relocation.
    detector_->bringPodBack();
    Reports back;
    direct->relocate({}, detector_->usbSerialNumber(), back.onFound(), back.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(back.ends, QStringList{found(POD_BOOTLOADER, detector_->location())},
                              PATIENCE_MS);
    QCOMPARE(lost.ends.size(), 1);
}

void TestControlPodAgents::relocatorBusyAndCancel() {
    detector_ = plugDetector(PodMode::Application);
    other_ = plugDetector(PodMode::Application);
    const auto direct = relocator();
    Reports first;
    Reports refused;

    direct->relocate({}, other_->usbSerialNumber(), first.onFound(), first.onFailure());
    QTest::ignoreMessage(QtDebugMsg, "Attempt to Connect while busy connecting");
    direct->relocate({}, detector_->usbSerialNumber(), refused.onFound(), refused.onFailure());
    QCOMPARE(refused.ends, QStringList{"failed"});
    QTRY_COMPARE_WITH_TIMEOUT(first.ends, QStringList{found(POD_APPLICATION, other_->location())},
                              PATIENCE_MS);

    // A cancelled search reports nothing, and the next one only to its own handlers.
    Reports cancelled;
    direct->relocate({}, QStringLiteral("no such serial"), cancelled.onFound(), cancelled.onFailure());
    direct->cancel();
    QVERIFY(!direct->isBusy());
    Reports next;
    direct->relocate({}, detector_->usbSerialNumber(), next.onFound(), next.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(next.ends, QStringList{found(POD_APPLICATION, detector_->location())},
                              PATIENCE_MS);
    QVERIFY(cancelled.ends.isEmpty());
    QCOMPARE(refused.ends.size(), 1);
}

// --- Bootloader file putter ---

void TestControlPodAgents::startPutter(fwup::MbuBootloaderFilePutter& putter, Reports& reports,
                                       const fwup::MbuBootloaderFilePutter::FileList& files,
                                       bool resetToApplicationAfter,
                                       std::shared_ptr<fwup::IComponentRelocator> finder) {
    putter.start(std::move(finder), files, detector_->usbSerialNumber(), detector_->location(),
                 reports.onDone(), reports.onProgress(), reports.onFailure(), resetToApplicationAfter);
}

void TestControlPodAgents::putterInstalls_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<int>("heldBytes");
    // Sends of the first file packet that the pod leaves unanswered.
    QTest::addColumn<int>("silentSends");
    QTest::addColumn<bool>("applicationStarts");
    QTest::addColumn<QStringList>("shape");
    QTest::addColumn<QStringList>("restartsSeen");

    const QString toBootloader = QStringLiteral("restart to bootloader");
    const QString toApplication = QStringLiteral("restart to application");
    QTest::newRow("pod in its application")
        << PodMode::Application << 0 << 0 << true << QStringList{"SET 19", "SET 78", "SET 5"}
        << QStringList{toBootloader, toApplication};
    QTest::newRow("pod in its bootloader")
        << PodMode::Bootloader << 0 << 0 << true << QStringList{"GET 78", "SET 78", "SET 5"}
        << QStringList{toApplication};
    QTest::newRow("bootloader holding part of the file")
        << PodMode::Bootloader << 3000 << 0 << true << QStringList{"GET 78", "SET 19", "SET 78", "SET 5"}
        << QStringList{toBootloader, toApplication};
    // The packet's exchange sends it three times before the file putter asks for the offset.
    QTest::newRow("first packet unanswered twice")
        << PodMode::Bootloader << 0 << 2 << true << QStringList{"GET 78", "SET 78", "SET 5"}
        << QStringList{toApplication};
    // The application does not start: the pod found in its bootloader after the last reset still ends
    // the install, at the location where it was found.
    QTest::newRow("back in its bootloader after the last reset")
        << PodMode::Application << 0 << 0 << false << QStringList{"SET 19", "SET 78", "SET 5"}
        << QStringList{toBootloader, toApplication};
}

void TestControlPodAgents::putterInstalls() {
    QFETCH(PodMode, mode);
    QFETCH(int, heldBytes);
    QFETCH(int, silentSends);
    QFETCH(bool, applicationStarts);
    QFETCH(QStringList, shape);
    QFETCH(QStringList, restartsSeen);
    detector_ = plugDetector(mode);
    if (heldBytes > 0) {
        detector_->pod().setFile(CONTROL_POD_IMAGE, contents(heldBytes, 99));
    }
    detector_->pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::silence().forMode(SET), silentSends);
    if (!applicationStarts) {
        detector_->setApplicationStartFailures();
    }
    const QByteArray image = contents(5000);
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, PUT_TIMEOUT, putterTiming());
    Reports reports;

    startPutter(putter, reports, {{CONTROL_POD_IMAGE, writeFile(image)}});
    QVERIFY(putter.isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(reports.ends.size(), 1, PATIENCE_MS);

    QCOMPARE(reports.ends.first(), QStringLiteral("done ") + detector_->location());
    QCOMPARE(detector_->podMode(), applicationStarts ? PodMode::Application : PodMode::Bootloader);
    QVERIFY(!putter.isBusy());
    QCOMPARE(installShape(detector_->pod()), shape);
    QCOMPARE(restarts(*detector_), restartsSeen);
    // The file goes from its start, whatever the pod held before.
    const QList<quint32> offsets = setOffsets(detector_->pod());
    QCOMPARE(offsets.first(), 0u);
    QCOMPARE(offsets.count(0u), 1 + silentSends);
    QVERIFY(std::is_sorted(offsets.cbegin(), offsets.cend()));
    QCOMPARE(detector_->pod().file(CONTROL_POD_IMAGE), image);
    QVERIFY(detector_->pod().isFileComplete(CONTROL_POD_IMAGE));
    QVERIFY(std::is_sorted(reports.progress.cbegin(), reports.progress.cend()));
    QCOMPARE(reports.progress.last(), 100);
}

// Files of 1000 and 3000 bytes: each acknowledgement reports the share of all bytes sent so far.
void TestControlPodAgents::putterReportsProgressOverAllFiles() {
    detector_ = plugDetector(PodMode::Bootloader);
    detector_->pod().setAcceptedFileIds({CONTROL_POD_IMAGE, SECOND_IMAGE});
    const QString location = detector_->location();
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, PUT_TIMEOUT, putterTiming());
    Reports reports;

    startPutter(
        putter, reports,
        {{CONTROL_POD_IMAGE, writeFile(contents(1000))}, {SECOND_IMAGE, writeFile(contents(3000, 7))}},
        false);
    QTRY_COMPARE_WITH_TIMEOUT(reports.ends, QStringList{"done " + location}, PATIENCE_MS);

    QCOMPARE(reports.progress, (QList<int>{25, 25, 50, 76, 100, 100}));
    QCOMPARE(detector_->pod().requestCount(command_id::FILE_PUT_LPD, GET), 2);
    QVERIFY(restarts(*detector_).isEmpty());
    QCOMPARE(detector_->pod().file(SECOND_IMAGE), contents(3000, 7));
}

void TestControlPodAgents::putterFailures_data() {
    QTest::addColumn<bool>("wrongProductType");
    QTest::addColumn<bool>("staysAway");
    QTest::addColumn<bool>("withRelocator");
    QTest::newRow("neither product type") << true << false << true;
    QTest::newRow("pod never comes back from the reset") << false << true << true;
    QTest::newRow("no relocator to find it") << false << false << false;
}

void TestControlPodAgents::putterFailures() {
    QFETCH(bool, wrongProductType);
    QFETCH(bool, staysAway);
    QFETCH(bool, withRelocator);
    detector_ = plugDetector(PodMode::Application);
    if (wrongProductType) {
        detector_->pod().setReportedProductType(150);
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^Invalid product type reported")));
    }
    if (staysAway) {
        detector_->setPodStaysAwayAfterReset();
    }
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, PUT_TIMEOUT, putterTiming());
    Reports reports;

    startPutter(putter, reports, {{CONTROL_POD_IMAGE, writeFile(contents(100))}}, true,
                withRelocator ? relocator(2) : nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(reports.ends, QStringList{"failed"}, PATIENCE_MS);

    QVERIFY(!putter.isBusy());
    QVERIFY(reports.progress.isEmpty());
    QCOMPARE(detector_->pod().requestCount(command_id::FILE_PUT_LPD), 0);
    QCOMPARE(restarts(*detector_).size(), wrongProductType ? 0 : 1);
}

void TestControlPodAgents::putterRefusesSecondStart() {
    detector_ = plugDetector(PodMode::Bootloader);
    const fwup::MbuBootloaderFilePutter::FileList files{{CONTROL_POD_IMAGE, writeFile(contents(2000))}};
    fwup::MbuBootloaderFilePutter putter(POD_BOOTLOADER, POD_APPLICATION, PUT_TIMEOUT, putterTiming());
    Reports running;
    Reports refused;

    startPutter(putter, running, files, false);
    startPutter(putter, refused, files, false);
    QCOMPARE(refused.ends, QStringList{"failed"});
    QTRY_COMPARE_WITH_TIMEOUT(running.ends, QStringList{"done " + detector_->location()}, PATIENCE_MS);
    QCOMPARE(refused.ends.size(), 1);
}

// --- User-settings record store ---

void TestControlPodAgents::storeDecision_data() {
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("overlapping");
    QTest::addColumn<bool>("empty");
    QTest::addColumn<bool>("store");

    QTest::newRow("1.77 to 1.76: 2 > 1") << "1.77.2"
                                         << "1.76.9" << false << false << true;
    QTest::newRow("1.77.0 to 1.76.3") << "1.77.0"
                                      << "1.76.3" << false << false << true;
    QTest::newRow("newest to 1.76.0") << "255.255.255"
                                      << "1.76.0" << false << false << true;
    QTest::newRow("1.77 to below every row: 2 > 0") << "1.77.2"
                                                    << "1.75.9" << false << false << true;
    QTest::newRow("1.76 to below every row: 1 > 0") << "1.76.0"
                                                    << "1.75.255" << false << false << true;
    QTest::newRow("upgrade 1.76 to 1.77") << "1.76.9"
                                          << "1.77.2" << false << false << false;
    QTest::newRow("within 1.76") << "1.76.5"
                                 << "1.76.0" << false << false << false;
    QTest::newRow("within 1.77 and later") << "3.0.0"
                                           << "1.77.0" << false << false << false;
    QTest::newRow("from below every row") << "1.75.0"
                                          << "1.74.0" << false << false << false;
    QTest::newRow("target 0.0.0: no version known") << "1.77.2"
                                                    << "0.0.0" << false << false << false;
    QTest::newRow("empty table") << "1.77.2"
                                 << "1.76.9" << false << true << false;
    QTest::newRow("overlapping rows: the first decides") << "1.78.0"
                                                         << "1.50.0" << true << false << false;
    QTest::newRow("overlapping rows: 3 > 1") << "1.78.0"
                                             << "1.90.0" << true << false << true;
}

void TestControlPodAgents::storeDecision() {
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, overlapping);
    QFETCH(bool, empty);
    QFETCH(bool, store);
    VersionRangeTable table = updater_test::SETTINGS_TABLE;
    if (overlapping) {
        table = {{VersionRange{{1, 0, 0}, {1, 80, 0}}, 3}, {VersionRange{{1, 77, 0}, {1, 99, 0}}, 1}};
    } else if (empty) {
        table.clear();
    }
    QCOMPARE(fwup::UserSettingsRecordStorer::needToStoreSettings(table, version(from), version(to)), store);
}

void TestControlPodAgents::coordinatorFollowsStatuses_data() {
    QTest::addColumn<bool>("supported");
    QTest::addColumn<QList<std::uint8_t>>("statuses");
    QTest::addColumn<int>("maxPolls");
    QTest::addColumn<bool>("errOnSet");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("polls");
    QTest::addColumn<QStringList>("messages");

    using L = QList<std::uint8_t>;
    const QString failed = QStringLiteral("Failed to save settings");
    QTest::newRow("not supported") << false << L{2} << 120 << false << "not stored" << 0
                                   << QStringList{"Device does not support downgrading to \"1.76.9\""};
    QTest::newRow("stored at once") << true << L{2} << 120 << false << "stored" << 0
                                    << QStringList{"Settings stored for \"1.76.9\""};
    QTest::newRow("idle, then stored")
        << true << L{0, 2} << 120 << false << "stored" << 1 << QStringList{"Unexpected IDLE status reported"};
    QTest::newRow("storing four times")
        << true << L{1, 1, 1, 1, 2} << 120 << false << "stored" << 4 << QStringList{};
    QTest::newRow("fails at once") << true << L{3} << 120 << false << "failed" << 0 << QStringList{failed};
    QTest::newRow("fails on a poll") << true << L{1, 4} << 120 << false << "failed" << 1
                                     << QStringList{failed};
    QTest::newRow("fails with 5") << true << L{5} << 120 << false << "failed" << 0 << QStringList{failed};
    QTest::newRow("unknown status") << true << L{1, 7} << 120 << false << "failed" << 1
                                    << QStringList{"Unknown settings store status 7", failed};
    QTest::newRow("never finishes") << true << L{1} << 3 << false << "failed" << 3
                                    << QStringList{"Settings still not stored after 3 polls", failed};
    QTest::newRow("ERR to the store")
        << true << L{2} << 120 << true << "failed" << 0
        << QStringList{"\"Received error FAILED to Store User Settings Record\""};
}

void TestControlPodAgents::coordinatorFollowsStatuses() {
    QFETCH(bool, supported);
    QFETCH(QList<std::uint8_t>, statuses);
    QFETCH(int, maxPolls);
    QFETCH(bool, errOnSet);
    QFETCH(QString, end);
    QFETCH(int, polls);
    QFETCH(QStringList, messages);
    detector_ = plugDetector(PodMode::Application);
    SimulatedComponent& pod = detector_->pod();
    pod.setLoggedInUsers(OPERATOR_LOGGED_IN);
    pod.setSettingsRecordSupported(supported);
    pod.setSettingsRecordStatusScript(statuses);
    if (errOnSet) {
        pod.addFault(command_id::STORE_USER_SETTINGS_RECORD, SimulatedFault::error(8).forMode(SET));
    }
    Link link(detector_->location());
    QVERIFY(link.connection);
    fwup::StoreUserSettingsRecordCoordinator coordinator(link.centre,
                                                         storeTiming(static_cast<std::uint32_t>(maxPolls)));
    Reports reports;

    for (const QString& message : std::as_const(messages)) {
        QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
    }
    const auto onStored = reports.onStored();
    coordinator.start([onStored](const bool& stored) { onStored(stored); }, reports.onFailure(),
                      OLDER_TARGET);
    QVERIFY(coordinator.isBusy());
    QTRY_COMPARE(reports.ends, QStringList{end});

    QVERIFY(!coordinator.isBusy());
    const int sets = pod.requestCount(command_id::STORE_USER_SETTINGS_RECORD, SET);
    QCOMPARE(sets, supported ? 1 : 0);
    QCOMPARE(pod.requestCount(command_id::STORE_USER_SETTINGS_RECORD, GET), 1 + polls);
    QCOMPARE(pod.storedSettingsVersion() == OLDER_TARGET, end == QLatin1String("stored"));
    // No poll is left running.
    QTest::qWait(50);
    QCOMPARE(pod.requestCount(command_id::STORE_USER_SETTINGS_RECORD), 1 + sets + polls);
    QCOMPARE(reports.ends.size(), 1);
}

void TestControlPodAgents::startStorer(fwup::UserSettingsRecordStorer& storer, Reports& reports, Version to) {
    storer.start(updater_test::SETTINGS_TABLE, POD_VERSION, to, detector_->usbSerialNumber(),
                 detector_->location(), relocator(), reports.onStored(), reports.onFailure());
}

void TestControlPodAgents::storerRoads_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<bool>("applicationStarts");
    QTest::addColumn<int>("reportedType");
    QTest::addColumn<bool>("supported");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("secondConnection");
    QTest::addColumn<QString>("end");
    QTest::addColumn<int>("restartCount");

    QTest::newRow("pod in its application")
        << PodMode::Application << true << 0 << true << 2 << false << "stored" << 0;
    QTest::newRow("beside the updater's open connection")
        << PodMode::Application << true << 0 << true << 2 << true << "stored" << 0;
    QTest::newRow("bootloader, back in the application")
        << PodMode::Bootloader << true << 0 << true << 2 << false << "stored" << 1;
    QTest::newRow("bootloader, back in the bootloader")
        << PodMode::Bootloader << false << 0 << true << 2 << false << "not stored" << 1;
    QTest::newRow("store not supported")
        << PodMode::Application << true << 0 << false << 2 << false << "not stored" << 0;
    QTest::newRow("store fails") << PodMode::Application << true << 0 << true << 4 << false << "failed" << 0;
    QTest::newRow("neither product type")
        << PodMode::Application << true << 150 << true << 2 << false << "failed" << 0;
}

void TestControlPodAgents::storerRoads() {
    QFETCH(PodMode, mode);
    QFETCH(bool, applicationStarts);
    QFETCH(int, reportedType);
    QFETCH(bool, supported);
    QFETCH(int, status);
    QFETCH(bool, secondConnection);
    QFETCH(QString, end);
    QFETCH(int, restartCount);
    detector_ = plugDetector(mode);
    SimulatedComponent& pod = detector_->pod();
    pod.setSettingsRecordSupported(supported);
    pod.setSettingsRecordStatusScript({1, static_cast<std::uint8_t>(status)});
    // The storer restarts a pod in its bootloader without logging in; the bootloader allows that.
    pod.setLoginRequired(command_id::SOFTWARE_RESET, mode == PodMode::Application);
    if (!applicationStarts) {
        detector_->setApplicationStartFailures();
    }
    if (reportedType != 0) {
        pod.setReportedProductType(static_cast<std::uint16_t>(reportedType));
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^Invalid product type reported")));
    }
    // The updater keeps its own connection to the pod open while the storer works.
    std::optional<Link> updater;
    if (secondConnection) {
        updater.emplace(detector_->location());
        QVERIFY(updater->connection);
    }
    fwup::UserSettingsRecordStorer storer(POD_BOOTLOADER, POD_APPLICATION, storerTiming());
    Reports reports;

    startStorer(storer, reports);
    QVERIFY(storer.isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(reports.ends, QStringList{end}, PATIENCE_MS);

    QVERIFY(!storer.isBusy());
    QCOMPARE(detector_->podRestartCount(), restartCount);
    QCOMPARE(pod.storedSettingsVersion() == OLDER_TARGET, end == QLatin1String("stored"));
    // A store is only ordered from a pod in its application, with the operator logged in.
    const bool ordered = supported && reportedType == 0 && applicationStarts;
    QCOMPARE(pod.requestCount(command_id::STORE_USER_SETTINGS_RECORD, SET), ordered ? 1 : 0);
    if (ordered) {
        QVERIFY(pod.isOperatorLoggedIn());
    }
}

void TestControlPodAgents::storerWithoutStore_data() {
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("upgrade") << "1.77.5"
                             << "No need to store settings going from  \"1.77.2\" to \"1.77.5\"";
    QTest::newRow("no control-pod version in the firmware")
        << "0.0.0"
        << "No control-pod version to store settings for; not storing settings";
}

void TestControlPodAgents::storerWithoutStore() {
    QFETCH(QString, to);
    QFETCH(QString, message);
    detector_ = plugDetector(PodMode::Application);
    fwup::UserSettingsRecordStorer storer(POD_BOOTLOADER, POD_APPLICATION, storerTiming());
    Reports reports;

    QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
    startStorer(storer, reports, version(to));
    QCOMPARE(reports.ends, QStringList{"not stored"});
    QVERIFY(!storer.isBusy());
    QTest::qWait(50);
    QVERIFY(detector_->pod().traffic().isEmpty());
}

void TestControlPodAgents::storerRefusesSecondStore() {
    detector_ = plugDetector(PodMode::Application);
    detector_->pod().setSettingsRecordStatusScript({1, 1, 2});
    fwup::UserSettingsRecordStorer storer(POD_BOOTLOADER, POD_APPLICATION, storerTiming());
    Reports running;
    Reports refused;
    Reports notNeeded;

    startStorer(storer, running);
    startStorer(storer, refused);
    startStorer(storer, notNeeded, POD_VERSION);
    QCOMPARE(refused.ends, QStringList{"failed"});
    QCOMPARE(notNeeded.ends, QStringList{"not stored"});
    QTRY_COMPARE_WITH_TIMEOUT(running.ends, QStringList{"stored"}, PATIENCE_MS);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             storer.start(updater_test::SETTINGS_TABLE, POD_VERSION, OLDER_TARGET, {}, {},
                                          relocator(), {}, running.onFailure()));
}

QTEST_GUILESS_MAIN(TestControlPodAgents)
#include "tst_control_pod_agents.moc"
