// The Tamarind update against the simulated detector: real extracted images put through the pod's
// tunnel by the Tamarind file putter, the gateway restarting into them, and the component updater's
// checks and reports around it.
#include <QTemporaryDir>
#include <QTest>

#include <optional>

#include "fwup/identification/tamarind_component_identity.h"
#include "fwup/installation/indirect_connection_component_relocator.h"
#include "fwup/installation/tamarind_component_updater.h"
#include "fwup/installation/tamarind_file_putter.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/tamarind_test_support.h"

using namespace installation_test;
using namespace tamarind_test;

namespace {

constexpr cvsw::muppet::ProductTypeId TAMARIND = 161;
constexpr fwup::Version WANTED{2, 4, 1};
// Not a multiple of the packet size, and one that is.
constexpr int CPUAPP_SIZE = 5000;
constexpr int CPUNET_SIZE = 2048;
constexpr int RUN_MS = 20000;

// Requests in order, each run of one request counted once.
QStringList requestSequence(const SimulatedComponent& component) {
    QStringList sequence;
    for (const QString& request : component.requestLog()) {
        if (sequence.isEmpty() || sequence.last() != request) {
            sequence.append(request);
        }
    }
    return sequence;
}

fwup::TamarindFilePutter::ProgressHandler into(QList<int>& values) {
    return [&values](fwup::ProgressPercentage percent) {
        values.append(percent.value());
    };
}

// What one run of the file putter reported.
struct PutRun {
    QStringList done;
    int failures = 0;
    QList<int> cpuApp;
    QList<int> cpuNet;
    QList<int> restart;
    int total() const { return int(done.size()) + failures; }
    fwup::TamarindFilePutter::DoneHandler onDone() {
        return [this](const QString& location) {
            done.append(location);
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++failures;
        };
    }
};

// What one update reported.
struct Run {
    QList<bool> results;
    QList<int> progress;
    std::function<void(bool)> onDone() {
        return [this](bool success) {
            results.append(success);
        };
    }
};

} // namespace

class TestTamarindUpdate : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    // The file putter
    void putsRestartsAndFindsAgain_data();
    void putsRestartsAndFindsAgain();
    void putterLoginFailureFailsWithoutPutting();
    void putterStartsFromInsideDone();
    void putterWithoutConnectionFails();

    // The component updater
    void wholeUpdate_data();
    void wholeUpdate();
    void otherVersionFails_data();
    void otherVersionFails();
    void validityMaskDecides_data();
    void validityMaskDecides();
    void silentAfterResetFails();
    void emptyImageFailsAtOnce_data();
    void emptyImageFailsAtOnce();
    void unreachableReportsOnce();
    void startDuringClearingReportsEachRunOnce();
    void startDuringClearingShowsItsIndication();
    void startWhileRunningIsRefused();

private:
    QString tamarindLocation() const { return TUNNEL_PREFIX + detector_->location(); }
    QString cpuAppPath() const { return update_->tamarindUpdate().cpuAppFile().fileName(); }
    QString cpuNetPath() const { return update_->tamarindUpdate().cpuNetFile().fileName(); }
    void startPut(fwup::TamarindFilePutter& putter, PutRun& run, const QString& cpuAppPath,
                  const QString& cpuNetPath, const fwup::TamarindFilePutter::DoneHandler& done = {});
    std::unique_ptr<fwup::TamarindComponentUpdater> makeUpdater();
    bool start(fwup::TamarindComponentUpdater& updater, Run& run, const QString& podLocation = {});
    // Waits until the indication clearing that follows a report has reached the gateway.
    void waitForClearing();

    QTemporaryDir dir_;
    std::unique_ptr<fwup::MbuAndTamarindSystemUpdate> update_;
    std::unique_ptr<SimulatedDetector> detector_;
    std::shared_ptr<fwup::IndirectConnectionComponentRelocator> relocator_;
    fwup::TamarindComponentIdentity identity_;
};

void TestTamarindUpdate::initTestCase() {
    registerLinkStack();
    QVERIFY(dir_.isValid());
    update_ = extractLodestarFirmware(QDir(dir_.path()), WANTED, CPUAPP_SIZE, CPUNET_SIZE);
}

void TestTamarindUpdate::init() {
    detector_ = plugDetector(SimulatedDetector::PodMode::Application);
    SimulatedComponent& tamarind = detector_->tamarind();
    // As identification leaves it: the operator logged in on the gateway.
    tamarind.setLoggedInUsers(OPERATOR_LOGGED_IN);
    tamarind.setImageVersion(WANTED);
    tamarind.setValidity(true, 0b0111, 0b0101);
    detector_->setTamarindRebootTime(50);
    relocator_ = std::make_shared<fwup::IndirectConnectionComponentRelocator>(30, 100, 100);
    identity_ = {};
    identity_.serialNumber = tamarind.serialNumberText();
}

void TestTamarindUpdate::cleanup() {
    relocator_.reset();
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestTamarindUpdate::cleanupTestCase() {
    update_.reset();
    unregisterLinkStack();
}

void TestTamarindUpdate::startPut(fwup::TamarindFilePutter& putter, PutRun& run, const QString& cpuAppPath,
                                  const QString& cpuNetPath,
                                  const fwup::TamarindFilePutter::DoneHandler& done) {
    putter.start(relocator_, cpuAppPath, cpuNetPath, identity_.serialNumber, tamarindLocation(),
                 done ? done : run.onDone(), into(run.cpuApp), into(run.cpuNet), into(run.restart),
                 run.onFailure());
}

std::unique_ptr<fwup::TamarindComponentUpdater> TestTamarindUpdate::makeUpdater() {
    return std::make_unique<fwup::TamarindComponentUpdater>(TAMARIND, 1, relocator_, shortTiming());
}

bool TestTamarindUpdate::start(fwup::TamarindComponentUpdater& updater, Run& run,
                               const QString& podLocation) {
    return updater.startUpdate(identity_, podLocation.isEmpty() ? detector_->location() : podLocation,
                               update_->tamarindUpdate(), into(run.progress), run.onDone(), TUNNEL_PREFIX);
}

void TestTamarindUpdate::waitForClearing() {
    QTRY_COMPARE_WITH_TIMEOUT(detector_->tamarind().requestLog().constLast(), QStringLiteral("SET 114"),
                              5000);
}

// --- The file putter ---

void TestTamarindUpdate::putsRestartsAndFindsAgain_data() {
    QTest::addColumn<bool>("withCpuApp");
    QTest::addColumn<bool>("withCpuNet");
    QTest::addColumn<int>("reportedType");
    // Sends of the first file packet that the gateway leaves unanswered.
    QTest::addColumn<int>("silentSends");
    QTest::newRow("both images") << true << true << 161 << 0;
    QTest::newRow("no CPUAPP path") << false << true << 161 << 0;
    QTest::newRow("no CPUNET path") << true << false << 161 << 0;
    QTest::newRow("neither: login, then reset") << false << false << 161 << 0;
    // Whatever answers at the location is taken as the sub-system.
    QTest::newRow("another type answers") << true << true << 145 << 0;
    // The packet's exchange sends it three times before the file putter asks for the offset.
    QTest::newRow("first packet unanswered twice") << true << true << 161 << 2;
}

void TestTamarindUpdate::putsRestartsAndFindsAgain() {
    QFETCH(bool, withCpuApp);
    QFETCH(bool, withCpuNet);
    QFETCH(int, reportedType);
    QFETCH(int, silentSends);
    SimulatedComponent& tamarind = detector_->tamarind();
    tamarind.setReportedProductType(std::uint16_t(reportedType));
    tamarind.addFault(command_id::FILE_PUT_LPD, SimulatedFault::silence().forMode(SET), silentSends);
    fwup::TamarindFilePutter putter(TAMARIND, 1, shortTiming());
    PutRun run;

    startPut(putter, run, withCpuApp ? cpuAppPath() : QString(), withCpuNet ? cpuNetPath() : QString());
    QVERIFY(putter.isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(run.total(), 1, RUN_MS);
    QCOMPARE(run.done, QStringList{tamarindLocation()});
    QVERIFY(!putter.isRunning());

    QCOMPARE(tamarind.hasFile(11081), withCpuApp);
    QCOMPARE(tamarind.hasFile(11082), withCpuNet);
    // An unanswered packet is sent again by its exchange, with no offset query.
    QCOMPARE(tamarind.requestCount(command_id::FILE_PUT_LPD, GET), 0);
    QCOMPARE(setOffsets(tamarind).count(0u), int(withCpuApp) + int(withCpuNet) + silentSends);
    // Acknowledged at each 1024 bytes and at the end, then the empty packet that ends the file.
    QCOMPARE(run.cpuApp, (withCpuApp ? QList<int>{20, 40, 61, 81, 100, 100} : QList<int>{}));
    QCOMPARE(run.cpuNet, (withCpuNet ? QList<int>{50, 100, 100} : QList<int>{}));
    if (withCpuApp) {
        QCOMPARE(tamarind.file(11081), readAll(cpuAppPath()));
    }
    if (withCpuNet) {
        QCOMPARE(tamarind.file(11082), readAll(cpuNetPath()));
    }
    QCOMPARE(tamarind.restartCount(), 1);
    // Every step from 0 to 100, with 90 at the end of one animation and the start of the other.
    QList<int> restart;
    for (int p = 0; p <= 100; ++p) {
        restart << p;
    }
    restart.insert(90, 90);
    QCOMPARE(run.restart, restart);
    QCOMPARE(tamarind.requestLog().filter("SET 5").size(), 1);
    QCOMPARE(tamarind.requestLog().constLast(), QStringLiteral("GET 20"));
}

void TestTamarindUpdate::putterLoginFailureFailsWithoutPutting() {
    detector_->tamarind().setLoggedInUsers(0);
    detector_->tamarind().refuseLogins(SimulatedComponent::kAlways);
    fwup::TamarindFilePutter putter(TAMARIND, 1, shortTiming());
    PutRun run;

    startPut(putter, run, cpuAppPath(), cpuNetPath());
    QTRY_COMPARE_WITH_TIMEOUT(run.total(), 1, RUN_MS);
    QCOMPARE(run.failures, 1);
    QVERIFY(!putter.isRunning());
    QCOMPARE(detector_->tamarind().requestCount(command_id::FILE_PUT_LPD), 0);
    QCOMPARE(detector_->tamarind().requestCount(command_id::SOFTWARE_RESET), 0);
    QVERIFY(run.restart.isEmpty());
}

void TestTamarindUpdate::putterStartsFromInsideDone() {
    fwup::TamarindFilePutter putter(TAMARIND, 1, shortTiming());
    PutRun first;
    PutRun second;

    startPut(putter, first, cpuAppPath(), {}, [&](const QString& location) {
        first.done.append(location);
        startPut(putter, second, {}, cpuNetPath());
    });
    QTRY_COMPARE_WITH_TIMEOUT(second.total(), 1, RUN_MS);
    QCOMPARE(first.done, QStringList{tamarindLocation()});
    QCOMPARE(second.done, QStringList{tamarindLocation()});
    QCOMPARE(detector_->tamarind().restartCount(), 2);
    QCOMPARE(detector_->tamarind().file(11082), readAll(cpuNetPath()));
}

void TestTamarindUpdate::putterWithoutConnectionFails() {
    fwup::TamarindFilePutter putter(TAMARIND, 1, shortTiming());
    PutRun run;

    QTest::ignoreMessage(QtDebugMsg, "Failed to establish connection to \"TNLV3::1::OUT::0::nowhere\"");
    putter.start(relocator_, cpuAppPath(), cpuNetPath(), {}, TUNNEL_PREFIX + "nowhere", run.onDone(),
                 into(run.cpuApp), into(run.cpuNet), into(run.restart), run.onFailure());
    QCOMPARE(run.total(), 1);
    QCOMPARE(run.failures, 1);
    QVERIFY(!putter.isRunning());
}

// --- The component updater ---

void TestTamarindUpdate::wholeUpdate_data() {
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<bool>("upgradeAllowed");
    QTest::addColumn<QStringList>("indication");
    QTest::newRow("indication shown") << true << true << QStringList{"GET 114", "SET 114"};
    // A refused indication never changes the outcome.
    QTest::newRow("upgrade not allowed now") << true << false << QStringList{"GET 114"};
    QTest::newRow("not logged in yet") << false << true << QStringList{"GET 114"};
}

void TestTamarindUpdate::wholeUpdate() {
    QFETCH(bool, loggedIn);
    QFETCH(bool, upgradeAllowed);
    QFETCH(QStringList, indication);
    SimulatedComponent& tamarind = detector_->tamarind();
    tamarind.setLoggedInUsers(loggedIn ? OPERATOR_LOGGED_IN : 0);
    tamarind.setUpgradeAllowed(upgradeAllowed);
    auto updater = makeUpdater();
    Run run;

    QVERIFY(start(*updater, run));
    QVERIFY(run.progress.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(run.results.size(), 1, RUN_MS);
    QCOMPARE(run.results, QList<bool>{true});

    // Both images arrived whole and byte for byte, and the gateway restarted into them.
    QCOMPARE(tamarind.file(11081), readAll(cpuAppPath()));
    QCOMPARE(tamarind.file(11082), readAll(cpuNetPath()));
    QCOMPARE(tamarind.file(11081).size(), CPUAPP_SIZE);
    QVERIFY(tamarind.isFileComplete(11081) && tamarind.isFileComplete(11082));
    QCOMPARE(tamarind.restartCount(), 1);
    QCOMPARE(tamarind.softwareVersion(), WANTED);

    waitForClearing();
    QVERIFY(!tamarind.upgradeIndicated());
    const QStringList login = loggedIn ? QStringList{"GET 82"} : QStringList{"GET 82", "GET 81", "SET 80"};
    const QStringList expected =
        indication + login +
        QStringList{"SET 78", "SET 5", "GET 20", "GET 3", "GET 82", "GET 81", "SET 80", "GET 111", "SET 114"};
    QCOMPARE(requestSequence(tamarind), expected);

    // The putter's CPUAPP reports 20..100 become 10..50, its CPUNET reports 50..100 become 62..75.
    const QList<int> transfer{10, 20, 30, 40, 50, 50, 62, 75, 75};
    QCOMPARE(run.progress.mid(0, transfer.size()), transfer);
    // The restart animation 0..90 and the found animation 90..100: 75 to 94, then to 97.
    const QList<int> restart = run.progress.mid(transfer.size(), 102);
    QCOMPARE(restart.size(), 102);
    QCOMPARE(restart.first(), 75);
    QCOMPARE(restart.at(90), 94);
    QCOMPARE(restart.at(91), 94);
    QCOMPARE(restart.last(), 97);
    QVERIFY(std::is_sorted(restart.cbegin(), restart.cend()));
    QCOMPARE(run.progress.mid(transfer.size() + 102), (QList<int>{97, 98, 98, 99, 99, 100}));
}

void TestTamarindUpdate::otherVersionFails_data() {
    QTest::addColumn<std::optional<fwup::Version>>("imageVersion");
    QTest::addColumn<QString>("reported");
    QTest::newRow("older") << std::optional<fwup::Version>(fwup::Version{2, 4, 0}) << "2.4.0";
    QTest::newRow("newer") << std::optional<fwup::Version>(fwup::Version{2, 4, 2}) << "2.4.2";
    QTest::newRow("images not taken") << std::optional<fwup::Version>() << "2.3.0";
}

void TestTamarindUpdate::otherVersionFails() {
    QFETCH(std::optional<fwup::Version>, imageVersion);
    QFETCH(QString, reported);
    SimulatedComponent& tamarind = detector_->tamarind();
    tamarind.setImageVersion(imageVersion);
    auto updater = makeUpdater();
    Run run;

    QTest::ignoreMessage(
        QtWarningMsg, qPrintable(QStringLiteral("Firmware update failed. Wanted to update to \"2.4.1\" but "
                                                "device now has \"%1\"")
                                     .arg(reported)));
    QVERIFY(start(*updater, run));
    QTRY_COMPARE_WITH_TIMEOUT(run.results.size(), 1, RUN_MS);
    QCOMPARE(run.results, QList<bool>{false});

    // No login and no validity read after the version; only the clearing follows.
    waitForClearing();
    const QStringList sequence = requestSequence(tamarind);
    QCOMPARE(sequence.mid(sequence.indexOf("GET 3")), (QStringList{"GET 3", "SET 114"}));
    QCOMPARE(run.results.size(), 1);
}

void TestTamarindUpdate::validityMaskDecides_data() {
    QTest::addColumn<bool>("complete");
    QTest::addColumn<uint>("flags");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<bool>("success");
    QTest::newRow("every mask bit set") << true << 0b0111u << 0b0101u << true;
    QTest::newRow("a mask bit missing") << true << 0b0100u << 0b0101u << false;
    QTest::newRow("empty mask") << true << 0u << 0u << true;
    QTest::newRow("check incomplete, mask set") << false << 0b0101u << 0b0101u << true;
}

void TestTamarindUpdate::validityMaskDecides() {
    QFETCH(bool, complete);
    QFETCH(uint, flags);
    QFETCH(uint, mask);
    QFETCH(bool, success);
    detector_->tamarind().setValidity(complete, flags, mask);
    auto updater = makeUpdater();
    Run run;

    if (!success) {
        QTest::ignoreMessage(QtWarningMsg,
                             "Firmware update failed. Component flags are invalid after update.");
    }
    QVERIFY(start(*updater, run));
    QTRY_COMPARE_WITH_TIMEOUT(run.results.size(), 1, RUN_MS);
    QCOMPARE(run.results, QList<bool>{success});
    QCOMPARE(run.progress.constLast(), 100);
    waitForClearing();
    QVERIFY(!detector_->tamarind().upgradeIndicated());
}

void TestTamarindUpdate::silentAfterResetFails() {
    detector_->setTamarindStaysAwayAfterReset();
    relocator_ = std::make_shared<fwup::IndirectConnectionComponentRelocator>(3, 100, 100);
    auto updater = makeUpdater();
    Run run;

    QTest::ignoreMessage(QtWarningMsg, "TamarindComponentUpdater: file put failure");
    QVERIFY(start(*updater, run));
    QTRY_COMPARE_WITH_TIMEOUT(run.results.size(), 1, RUN_MS);
    QCOMPARE(run.results, QList<bool>{false});

    // The relocator asked three times into the silence; the restart animation stopped at 90.
    const QStringList events = detector_->linkEvents();
    QCOMPARE(
        std::count_if(events.cbegin(), events.cend(),
                      [](const QString& e) { return e.startsWith("tunnel data ignored 11 ff 02 00 14"); }),
        3);
    QCOMPARE(run.progress.constLast(), 94);
    QCOMPARE(detector_->tamarind().requestLog().constLast(), QStringLiteral("SET 5"));
}

void TestTamarindUpdate::emptyImageFailsAtOnce_data() {
    QTest::addColumn<int>("cpuAppSize");
    QTest::addColumn<int>("cpuNetSize");
    QTest::addColumn<QString>("warning");
    QTest::newRow("CPUAPP empty") << 0 << 100 << "CPUAPP file has size of 0";
    QTest::newRow("CPUNET empty") << 100 << 0 << "CPUNET file has size of 0";
    QTest::newRow("both empty") << 0 << 0 << "CPUAPP file has size of 0";
}

void TestTamarindUpdate::emptyImageFailsAtOnce() {
    QFETCH(int, cpuAppSize);
    QFETCH(int, cpuNetSize);
    QFETCH(QString, warning);
    const fwup::TamarindComponentUpdate update(WANTED);
    for (const auto& [file, size] :
         {std::pair{&update.cpuAppFile(), cpuAppSize}, {&update.cpuNetFile(), cpuNetSize}}) {
        QFile image(file->fileName());
        QVERIFY(image.open(QIODevice::WriteOnly));
        image.write(QByteArray(size, 'x'));
    }
    auto updater = makeUpdater();
    Run run;

    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    QVERIFY(!updater->startUpdate(identity_, detector_->location(), update, into(run.progress), run.onDone(),
                                  TUNNEL_PREFIX));
    QCOMPARE(run.results, QList<bool>{false});
    QVERIFY(run.progress.isEmpty());
    QVERIFY(detector_->tamarind().traffic().isEmpty());
    QCOMPARE(detector_->linkEvents().filter("tunnel"), QStringList{});
}

void TestTamarindUpdate::unreachableReportsOnce() {
    auto updater = makeUpdater();
    Run run;

    // Once for showing the indication, once for clearing it, then one report.
    QTest::ignoreMessage(QtWarningMsg,
                         "TamarindComponentUpdater: could not establish connection for indicate upgrade");
    QTest::ignoreMessage(QtWarningMsg,
                         "TamarindComponentUpdater: could not establish connection for indicate upgrade");
    QVERIFY(start(*updater, run, QStringLiteral("nowhere")));
    QCOMPARE(run.results, QList<bool>{false});
    QVERIFY(run.progress.isEmpty());
}

void TestTamarindUpdate::startDuringClearingReportsEachRunOnce() {
    auto updater = makeUpdater();
    Run first;
    Run second;
    bool secondStarted = false;

    QVERIFY(updater->startUpdate(
        identity_, detector_->location(), update_->tamarindUpdate(), into(first.progress),
        [&](bool success) {
            first.results.append(success);
            // The first update's clearing has only just begun.
            secondStarted = start(*updater, second);
        },
        TUNNEL_PREFIX));
    QTRY_COMPARE_WITH_TIMEOUT(second.results.size(), 1, RUN_MS);
    QVERIFY(secondStarted);
    QCOMPARE(first.results, QList<bool>{true});
    QCOMPARE(second.results, QList<bool>{true});
    QCOMPARE(detector_->tamarind().restartCount(), 2);

    waitForClearing();
    QVERIFY(!detector_->tamarind().upgradeIndicated());
    QCOMPARE(first.results.size(), 1);
    QCOMPARE(second.results.size(), 1);
}

void TestTamarindUpdate::startDuringClearingShowsItsIndication() {
    auto updater = makeUpdater();
    Run first;
    Run second;
    // Taken at the second update's first report: its transfer has begun, the restart has not.
    std::optional<bool> shownDuringTransfer;
    const auto secondProgress = [&](fwup::ProgressPercentage percent) {
        if (!shownDuringTransfer) {
            shownDuringTransfer = detector_->tamarind().upgradeIndicated();
        }
        second.progress.append(percent.value());
    };
    QTest::failOnWarning("could not indicate upgrade, continuing anyway");

    QVERIFY(updater->startUpdate(
        identity_, detector_->location(), update_->tamarindUpdate(), into(first.progress),
        [&](bool success) {
            first.results.append(success);
            // The first update's clearing still waits for the gateway's answer.
            QVERIFY(updater->startUpdate(identity_, detector_->location(), update_->tamarindUpdate(),
                                         secondProgress, second.onDone(), TUNNEL_PREFIX));
        },
        TUNNEL_PREFIX));
    QTRY_COMPARE_WITH_TIMEOUT(second.results.size(), 1, RUN_MS);
    QCOMPARE(shownDuringTransfer, std::optional<bool>(true));

    waitForClearing();
    QVERIFY(!detector_->tamarind().upgradeIndicated());
    QCOMPARE(first.results, QList<bool>{true});
    QCOMPARE(second.results, QList<bool>{true});
}

void TestTamarindUpdate::startWhileRunningIsRefused() {
    auto updater = makeUpdater();
    Run running;
    Run refused;

    QVERIFY(start(*updater, running));
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    QVERIFY(!start(*updater, refused));
    QCOMPARE(refused.results, QList<bool>{false});

    QTRY_COMPARE_WITH_TIMEOUT(running.results.size(), 1, RUN_MS);
    QCOMPARE(running.results, QList<bool>{true});
    QCOMPARE(refused.results.size(), 1);
    QVERIFY(refused.progress.isEmpty());
}

QTEST_GUILESS_MAIN(TestTamarindUpdate)
#include "tst_tamarind_update.moc"
