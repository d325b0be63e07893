// The Tamarind file putter against the simulated detector: login, both puts, the reset, the restart
// animation and the relocation, through the pod's tunnel.
#include <QTemporaryDir>
#include <QTest>

#include "fwup/installation/indirect_connection_component_relocator.h"
#include "fwup/installation/tamarind_file_putter.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/tamarind_test_support.h"

using namespace installation_test;
using namespace tamarind_test;

namespace {

constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;
constexpr int RUN_MS = 10000;

// What one run reported.
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
    static fwup::TamarindFilePutter::ProgressHandler into(QList<int>& values) {
        return [&values](fwup::ProgressPercentage percent) {
            values.append(percent.value());
        };
    }
};

} // namespace

class TestTamarindFilePutter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void putsRestartsAndFindsAgain_data();
    void putsRestartsAndFindsAgain();
    void loginFailureFailsWithoutPutting();
    void relocationFailureFails();
    void startFromInsideDone();
    void startWhileRunningFailsAtOnce();
    void noConnectionFails();
    void emptyHandlerThrows();

private:
    QString location() const { return TUNNEL_PREFIX + detector_->location(); }
    void start(PutRun& run, const QString& cpuAppPath, const QString& cpuNetPath,
               fwup::TamarindFilePutter::DoneHandler done = {});

    QTemporaryDir dir_;
    QString cpuAppPath_;
    QString cpuNetPath_;
    std::unique_ptr<SimulatedDetector> detector_;
    std::shared_ptr<fwup::IndirectConnectionComponentRelocator> relocator_;
    std::unique_ptr<fwup::TamarindFilePutter> putter_;
};

void TestTamarindFilePutter::initTestCase() {
    registerLinkStack();
    QVERIFY(dir_.isValid());
    cpuAppPath_ = dir_.filePath(QStringLiteral("cpuapp.upd"));
    cpuNetPath_ = dir_.filePath(QStringLiteral("cpunet.upd"));
    QVERIFY(cvbtest::writeBytes(cpuAppPath_, cvbtest::patternBytes(3000, 5)));
    QVERIFY(cvbtest::writeBytes(cpuNetPath_, cvbtest::patternBytes(1500, 6)));
}

void TestTamarindFilePutter::init() {
    detector_ = plugDetector(SimulatedDetector::PodMode::Application);
    detector_->setTamarindRebootTime(50);
    relocator_ = std::make_shared<fwup::IndirectConnectionComponentRelocator>(30, 100, 100);
    putter_ = std::make_unique<fwup::TamarindFilePutter>(161, 1, shortTiming());
}

void TestTamarindFilePutter::cleanup() {
    putter_.reset();
    relocator_.reset();
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestTamarindFilePutter::cleanupTestCase() {
    unregisterLinkStack();
}

void TestTamarindFilePutter::start(PutRun& run, const QString& cpuAppPath, const QString& cpuNetPath,
                                   fwup::TamarindFilePutter::DoneHandler done) {
    putter_->start(relocator_, cpuAppPath, cpuNetPath, detector_->tamarind().serialNumberText(), location(),
                   done ? done : run.onDone(), PutRun::into(run.cpuApp), PutRun::into(run.cpuNet),
                   PutRun::into(run.restart), run.onFailure());
}

void TestTamarindFilePutter::putsRestartsAndFindsAgain_data() {
    QTest::addColumn<bool>("withCpuApp");
    QTest::addColumn<bool>("withCpuNet");
    QTest::addColumn<int>("reportedType");
    QTest::newRow("both images") << true << true << 161;
    QTest::newRow("no CPUAPP path") << false << true << 161;
    QTest::newRow("no CPUNET path") << true << false << 161;
    QTest::newRow("neither: login, then reset") << false << false << 161;
    // Whatever answers at the location is taken as the sub-system.
    QTest::newRow("another type answers") << true << true << 145;
}

void TestTamarindFilePutter::putsRestartsAndFindsAgain() {
    QFETCH(bool, withCpuApp);
    QFETCH(bool, withCpuNet);
    QFETCH(int, reportedType);
    SimulatedComponent& tamarind = detector_->tamarind();
    tamarind.setReportedProductType(std::uint16_t(reportedType));
    PutRun run;

    start(run, withCpuApp ? cpuAppPath_ : QString(), withCpuNet ? cpuNetPath_ : QString());
    QVERIFY(putter_->isRunning());
    QTRY_COMPARE_WITH_TIMEOUT(run.total(), 1, RUN_MS);
    QCOMPARE(run.done, QStringList{location()});
    QVERIFY(!putter_->isRunning());

    QCOMPARE(tamarind.hasFile(11081), withCpuApp);
    QCOMPARE(tamarind.hasFile(11082), withCpuNet);
    if (withCpuApp) {
        QCOMPARE(tamarind.file(11081), readAll(cpuAppPath_));
        QCOMPARE(run.cpuApp, (QList<int>{34, 68, 100, 100}));
    }
    if (withCpuNet) {
        QCOMPARE(tamarind.file(11082), readAll(cpuNetPath_));
        QCOMPARE(run.cpuNet, (QList<int>{68, 100, 100}));
    }
    QCOMPARE(run.cpuApp.isEmpty(), !withCpuApp);
    QCOMPARE(run.cpuNet.isEmpty(), !withCpuNet);
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

void TestTamarindFilePutter::loginFailureFailsWithoutPutting() {
    detector_->tamarind().refuseLogins(SimulatedComponent::kAlways);
    PutRun run;

    start(run, cpuAppPath_, cpuNetPath_);
    QTRY_COMPARE_WITH_TIMEOUT(run.total(), 1, RUN_MS);
    QCOMPARE(run.failures, 1);
    QVERIFY(!putter_->isRunning());
    QCOMPARE(detector_->tamarind().requestCount(command_id::FILE_PUT_LPD), 0);
    QCOMPARE(detector_->tamarind().requestCount(command_id::SOFTWARE_RESET), 0);
    QVERIFY(run.restart.isEmpty());
}

void TestTamarindFilePutter::relocationFailureFails() {
    detector_->setTamarindStaysAwayAfterReset();
    relocator_ = std::make_shared<fwup::IndirectConnectionComponentRelocator>(2, 100, 100);
    PutRun run;

    start(run, cpuAppPath_, cpuNetPath_);
    QTRY_COMPARE_WITH_TIMEOUT(run.total(), 1, RUN_MS);
    QCOMPARE(run.failures, 1);
    QCOMPARE(run.restart.size(), 91);
    QCOMPARE(run.restart.constLast(), 90);
    QVERIFY(!relocator_->isBusy());
}

void TestTamarindFilePutter::startFromInsideDone() {
    PutRun first;
    PutRun second;

    start(first, cpuAppPath_, {}, [&](const QString& location) {
        first.done.append(location);
        start(second, {}, cpuNetPath_);
    });
    QTRY_COMPARE_WITH_TIMEOUT(second.total(), 1, RUN_MS);
    QCOMPARE(first.done, QStringList{location()});
    QCOMPARE(second.done, QStringList{location()});
    QCOMPARE(detector_->tamarind().restartCount(), 2);
    QCOMPARE(detector_->tamarind().file(11082), readAll(cpuNetPath_));
}

void TestTamarindFilePutter::startWhileRunningFailsAtOnce() {
    PutRun running;
    PutRun refused;

    start(running, cpuAppPath_, cpuNetPath_);
    start(refused, cpuAppPath_, cpuNetPath_);
    QCOMPARE(refused.failures, 1);
    QTRY_COMPARE_WITH_TIMEOUT(running.total(), 1, RUN_MS);
    QCOMPARE(running.done.size(), 1);
    QCOMPARE(refused.total(), 1);
    QVERIFY(refused.restart.isEmpty());
}

void TestTamarindFilePutter::noConnectionFails() {
    PutRun run;

    QTest::ignoreMessage(QtDebugMsg, "Failed to establish connection to \"TNLV3::1::OUT::0::nowhere\"");
    putter_->start(relocator_, cpuAppPath_, cpuNetPath_, {}, TUNNEL_PREFIX + "nowhere", run.onDone(),
                   PutRun::into(run.cpuApp), PutRun::into(run.cpuNet), PutRun::into(run.restart),
                   run.onFailure());
    QCOMPARE(run.failures, 1);
    QVERIFY(!putter_->isRunning());

    // The putter is free for the next run.
    PutRun next;
    start(next, cpuAppPath_, cpuNetPath_);
    QTRY_COMPARE_WITH_TIMEOUT(next.total(), 1, RUN_MS);
    QCOMPARE(next.done.size(), 1);
    QCOMPARE(run.total(), 1);
}

void TestTamarindFilePutter::emptyHandlerThrows() {
    PutRun run;
    const auto progress = PutRun::into(run.restart);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             putter_->start(relocator_, cpuAppPath_, cpuNetPath_, {}, location(), {},
                                            progress, progress, progress, run.onFailure()));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             putter_->start(relocator_, cpuAppPath_, cpuNetPath_, {}, location(),
                                            run.onDone(), progress, progress, {}, run.onFailure()));
    QVERIFY(!putter_->isRunning());
    QVERIFY(detector_->tamarind().traffic().isEmpty());
}

QTEST_GUILESS_MAIN(TestTamarindFilePutter)
#include "tst_tamarind_file_putter.moc"
