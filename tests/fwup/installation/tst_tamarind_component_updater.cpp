// The Tamarind component updater against the simulated detector: real extracted images put through
// the pod's tunnel, the gateway restarting into them, and the checks that follow.
#include <QTemporaryDir>
#include <QTest>

#include "fwup/identification/tamarind_component_identity.h"
#include "fwup/installation/indirect_connection_component_relocator.h"
#include "fwup/installation/tamarind_component_updater.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/tamarind_test_support.h"

using namespace installation_test;
using namespace tamarind_test;

namespace {

constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;
constexpr cvsw::muppet::ProductTypeId TAMARIND = 161;
constexpr fwup::Version WANTED{2, 4, 1};
// Not a multiple of the packet size, and one that is.
constexpr int CPUAPP_SIZE = 5000;
constexpr int CPUNET_SIZE = 2048;
constexpr int WHOLE_UPDATE_MS = 20000;

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

// What one update reported.
struct Run {
    QList<bool> results;
    QList<int> progress;
    fwup::TamarindComponentUpdater::ProgressHandler onProgress() {
        return [this](fwup::ProgressPercentage percent) {
            progress.append(percent.value());
        };
    }
    std::function<void(bool)> onDone() {
        return [this](bool success) {
            results.append(success);
        };
    }
};

} // namespace

class TestTamarindComponentUpdater : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

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
    void startWhileRunningIsRefused();

private:
    std::unique_ptr<fwup::TamarindComponentUpdater> makeUpdater(std::uint32_t relocationAttempts = 30);
    bool start(fwup::TamarindComponentUpdater& updater, Run& run, const QString& podLocation = {});
    // Waits until the indication clearing that follows a report has reached the gateway.
    void waitForClearing();

    QTemporaryDir dir_;
    std::unique_ptr<SimulatedDetector> detector_;
    std::unique_ptr<fwup::MbuAndTamarindSystemUpdate> update_;
    fwup::TamarindComponentIdentity identity_;
};

void TestTamarindComponentUpdater::initTestCase() {
    registerLinkStack();
    QVERIFY(dir_.isValid());
    update_ = extractLodestarFirmware(QDir(dir_.path()), WANTED, CPUAPP_SIZE, CPUNET_SIZE);
}

void TestTamarindComponentUpdater::init() {
    detector_ = plugDetector(SimulatedDetector::PodMode::Application);
    SimulatedComponent& tamarind = detector_->tamarind();
    // As identification leaves it: the operator logged in on the gateway.
    tamarind.setLoggedInUsers(OPERATOR_LOGGED_IN);
    tamarind.setImageVersion(WANTED);
    tamarind.setValidity(true, 0b0111, 0b0101);
    detector_->setTamarindRebootTime(50);
    identity_ = {};
    identity_.serialNumber = tamarind.serialNumberText();
}

void TestTamarindComponentUpdater::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestTamarindComponentUpdater::cleanupTestCase() {
    update_.reset();
    unregisterLinkStack();
}

std::unique_ptr<fwup::TamarindComponentUpdater>
TestTamarindComponentUpdater::makeUpdater(std::uint32_t relocationAttempts) {
    auto relocator =
        std::make_shared<fwup::IndirectConnectionComponentRelocator>(relocationAttempts, 100, 100);
    return std::make_unique<fwup::TamarindComponentUpdater>(TAMARIND, 1, relocator, shortTiming());
}

bool TestTamarindComponentUpdater::start(fwup::TamarindComponentUpdater& updater, Run& run,
                                         const QString& podLocation) {
    return updater.startUpdate(identity_, podLocation.isEmpty() ? detector_->location() : podLocation,
                               update_->tamarindUpdate(), run.onProgress(), run.onDone(), TUNNEL_PREFIX);
}

void TestTamarindComponentUpdater::waitForClearing() {
    QTRY_COMPARE_WITH_TIMEOUT(detector_->tamarind().requestLog().constLast(), QStringLiteral("SET 114"),
                              5000);
}

void TestTamarindComponentUpdater::wholeUpdate_data() {
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<bool>("upgradeAllowed");
    QTest::addColumn<QStringList>("indication");
    QTest::newRow("indication shown") << true << true << QStringList{"GET 114", "SET 114"};
    // A refused indication never changes the outcome.
    QTest::newRow("upgrade not allowed now") << true << false << QStringList{"GET 114"};
    QTest::newRow("not logged in yet") << false << true << QStringList{"GET 114"};
}

void TestTamarindComponentUpdater::wholeUpdate() {
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
    QTRY_COMPARE_WITH_TIMEOUT(run.results.size(), 1, WHOLE_UPDATE_MS);
    QCOMPARE(run.results, QList<bool>{true});

    // Both images arrived whole and byte for byte, and the gateway restarted into them.
    QCOMPARE(tamarind.file(11081), readAll(update_->tamarindUpdate().cpuAppFile().fileName()));
    QCOMPARE(tamarind.file(11082), readAll(update_->tamarindUpdate().cpuNetFile().fileName()));
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

    // CPUAPP acknowledged at 1024, 2048, 3072, 4096 and 5000 bytes, then its end; CPUNET likewise.
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

void TestTamarindComponentUpdater::otherVersionFails_data() {
    QTest::addColumn<std::optional<fwup::Version>>("imageVersion");
    QTest::addColumn<QString>("reported");
    QTest::newRow("older") << std::optional<fwup::Version>(fwup::Version{2, 4, 0}) << "2.4.0";
    QTest::newRow("newer") << std::optional<fwup::Version>(fwup::Version{2, 4, 2}) << "2.4.2";
    QTest::newRow("images not taken") << std::optional<fwup::Version>() << "2.3.0";
}

void TestTamarindComponentUpdater::otherVersionFails() {
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
    QTRY_COMPARE_WITH_TIMEOUT(run.results.size(), 1, WHOLE_UPDATE_MS);
    QCOMPARE(run.results, QList<bool>{false});

    // No login and no validity read after the version; only the clearing follows.
    waitForClearing();
    const QStringList sequence = requestSequence(tamarind);
    QCOMPARE(sequence.mid(sequence.indexOf("GET 3")), (QStringList{"GET 3", "SET 114"}));
    QCOMPARE(run.results.size(), 1);
}

void TestTamarindComponentUpdater::validityMaskDecides_data() {
    QTest::addColumn<bool>("complete");
    QTest::addColumn<uint>("flags");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<bool>("success");
    QTest::newRow("every mask bit set") << true << 0b0111u << 0b0101u << true;
    QTest::newRow("a mask bit missing") << true << 0b0100u << 0b0101u << false;
    QTest::newRow("empty mask") << true << 0u << 0u << true;
    QTest::newRow("check incomplete, mask set") << false << 0b0101u << 0b0101u << true;
}

void TestTamarindComponentUpdater::validityMaskDecides() {
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
    QTRY_COMPARE_WITH_TIMEOUT(run.results.size(), 1, WHOLE_UPDATE_MS);
    QCOMPARE(run.results, QList<bool>{success});
    QCOMPARE(run.progress.constLast(), 100);
    waitForClearing();
    QVERIFY(!detector_->tamarind().upgradeIndicated());
}

void TestTamarindComponentUpdater::silentAfterResetFails() {
    detector_->setTamarindStaysAwayAfterReset();
    auto updater = makeUpdater(3);
    Run run;

    QTest::ignoreMessage(QtWarningMsg, "TamarindComponentUpdater: file put failure");
    QVERIFY(start(*updater, run));
    QTRY_COMPARE_WITH_TIMEOUT(run.results.size(), 1, WHOLE_UPDATE_MS);
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

void TestTamarindComponentUpdater::emptyImageFailsAtOnce_data() {
    QTest::addColumn<int>("cpuAppSize");
    QTest::addColumn<int>("cpuNetSize");
    QTest::addColumn<QString>("warning");
    QTest::newRow("CPUAPP empty") << 0 << 100 << "CPUAPP file has size of 0";
    QTest::newRow("CPUNET empty") << 100 << 0 << "CPUNET file has size of 0";
    QTest::newRow("both empty") << 0 << 0 << "CPUAPP file has size of 0";
}

void TestTamarindComponentUpdater::emptyImageFailsAtOnce() {
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
    QVERIFY(!updater->startUpdate(identity_, detector_->location(), update, run.onProgress(), run.onDone(),
                                  TUNNEL_PREFIX));
    QCOMPARE(run.results, QList<bool>{false});
    QVERIFY(run.progress.isEmpty());
    QVERIFY(detector_->tamarind().traffic().isEmpty());
    QCOMPARE(detector_->linkEvents().filter("tunnel"), QStringList{});
}

void TestTamarindComponentUpdater::unreachableReportsOnce() {
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

void TestTamarindComponentUpdater::startDuringClearingReportsEachRunOnce() {
    auto updater = makeUpdater();
    Run first;
    Run second;
    bool secondStarted = false;

    QVERIFY(updater->startUpdate(
        identity_, detector_->location(), update_->tamarindUpdate(), first.onProgress(),
        [&](bool success) {
            first.results.append(success);
            // The first update's clearing has only just begun.
            secondStarted = start(*updater, second);
        },
        TUNNEL_PREFIX));
    QTRY_COMPARE_WITH_TIMEOUT(second.results.size(), 1, WHOLE_UPDATE_MS);
    QVERIFY(secondStarted);
    QCOMPARE(first.results, QList<bool>{true});
    QCOMPARE(second.results, QList<bool>{true});
    QCOMPARE(detector_->tamarind().restartCount(), 2);

    waitForClearing();
    QVERIFY(!detector_->tamarind().upgradeIndicated());
    QCOMPARE(first.results.size(), 1);
    QCOMPARE(second.results.size(), 1);
}

void TestTamarindComponentUpdater::startWhileRunningIsRefused() {
    auto updater = makeUpdater();
    Run running;
    Run refused;

    QVERIFY(start(*updater, running));
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    QVERIFY(!start(*updater, refused));
    QCOMPARE(refused.results, QList<bool>{false});

    QTRY_COMPARE_WITH_TIMEOUT(running.results.size(), 1, WHOLE_UPDATE_MS);
    QCOMPARE(running.results, QList<bool>{true});
    QCOMPARE(refused.results.size(), 1);
    QVERIFY(refused.progress.isEmpty());
}

QTEST_GUILESS_MAIN(TestTamarindComponentUpdater)
#include "tst_tamarind_component_updater.moc"
