// The agents' own waits at their real values: the reset request's second of silence, the
// indicator's one-second retries, and the relocator's default resend wait. About 8 s.
#include <QElapsedTimer>
#include <QTest>

#include "fwup/installation/firmware_upgrade_indicator.h"
#include "fwup/installation/indirect_connection_component_relocator.h"
#include "fwup/installation/software_reset_to_bootloader_requester.h"
#include "tests/fwup/installation/installation_test_support.h"

using namespace installation_test;

namespace {

constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;
// Qt's coarse timers may fire up to 5 % early.
constexpr double EARLY = 0.95;

} // namespace

class TestInstallationTiming : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void silentResetCountsAsDoneAfterOneSecond();
    void indicatorGivesUpThreeSecondsAfterWrongStates();
    void relocatorResendsEverySecond();

private:
    std::unique_ptr<SimulatedDetector> detector_;
};

void TestInstallationTiming::initTestCase() {
    registerLinkStack();
}

void TestInstallationTiming::init() {
    detector_ = plugDetector(SimulatedDetector::PodMode::Application);
    detector_->pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
}

void TestInstallationTiming::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestInstallationTiming::cleanupTestCase() {
    unregisterLinkStack();
}

void TestInstallationTiming::silentResetCountsAsDoneAfterOneSecond() {
    // The pod restarts before it can answer.
    detector_->setResetTiming(0, 0);
    Link link(detector_->location());
    fwup::SoftwareResetToBootloaderRequester requester(link.centre);
    Ends ends;
    QElapsedTimer clock;

    clock.start();
    requester.start(ends.onDone(), ends.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(ends.total(), 1, 5000);
    QCOMPARE(ends.done, 1);
    QVERIFY2(clock.elapsed() >= 1000 * EARLY, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(detector_->podRestartCount(), 1);
}

void TestInstallationTiming::indicatorGivesUpThreeSecondsAfterWrongStates() {
    detector_->pod().ignoreIndicationSets(SimulatedComponent::kAlways);
    Link link(detector_->location());
    fwup::FirmwareUpgradeIndicator indicator(link.centre);
    Ends ends;
    QElapsedTimer clock;

    clock.start();
    indicator.start(true, ends.onDone(), ends.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(ends.total(), 1, 10000);
    QCOMPARE(ends.failed, 1);
    QVERIFY2(clock.elapsed() >= 3000 * EARLY, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(detector_->pod().requestCount(command_id::INDICATE_FIRMWARE_UPGRADE, SET), 3);
}

void TestInstallationTiming::relocatorResendsEverySecond() {
    detector_->tamarind().setLoggedInUsers(OPERATOR_LOGGED_IN);
    detector_->setTamarindPresent(false);
    // Three sends: 2000 ms after the first, then the default 1000 ms after each resend.
    fwup::IndirectConnectionComponentRelocator relocator(3, 2000);
    int found = 0;
    int failures = 0;
    QElapsedTimer clock;

    clock.start();
    relocator.relocate(
        TUNNEL_PREFIX + detector_->location(), {},
        [&](cvsw::muppet::ProductTypeId, const QString&) { ++found; }, [&] { ++failures; });
    QTRY_COMPARE_WITH_TIMEOUT(failures, 1, 10000);
    QCOMPARE(found, 0);
    QVERIFY2(clock.elapsed() >= 4000 * EARLY, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(TestInstallationTiming)
#include "tst_installation_timing.moc"
