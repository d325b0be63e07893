// The agents' own waits at their real values: the reset request's second of silence and the
// indicator's one-second retries. About 4 s.
#include <QElapsedTimer>
#include <QTest>

#include "fwup/installation/firmware_upgrade_indicator.h"
#include "fwup/installation/software_reset_to_bootloader_requester.h"
#include "tests/fwup/installation/installation_test_support.h"

using namespace installation_test;

class TestInstallationTiming : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerLinkStack(); }
    void cleanupTestCase() { unregisterLinkStack(); }

    void realWaits();
};

void TestInstallationTiming::realWaits() {
    const auto detector = plugDetector(SimulatedDetector::PodMode::Application);
    detector->pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    detector->pod().ignoreIndicationSets(SimulatedComponent::kAlways);
    // The pod restarts before it can answer.
    detector->setResetTiming(0, 0);
    // Qt's coarse timers may fire up to 5 % early.
    constexpr double early = 0.95;
    QElapsedTimer clock;
    {
        Link link(detector->location());
        fwup::FirmwareUpgradeIndicator indicator(link.centre);
        Ends ends;
        clock.start();
        indicator.start(true, ends.onDone(), ends.onFailure());
        QTRY_COMPARE_WITH_TIMEOUT(ends.failed, 1, 10000);
        QVERIFY2(clock.elapsed() >= 3000 * early, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(detector->pod().requestCount(command_id::INDICATE_FIRMWARE_UPGRADE, SET), 3);
    }
    {
        Link link(detector->location());
        fwup::SoftwareResetToBootloaderRequester requester(link.centre);
        Ends ends;
        clock.restart();
        requester.start(ends.onDone(), ends.onFailure());
        QTRY_COMPARE_WITH_TIMEOUT(ends.done, 1, 5000);
        QVERIFY2(clock.elapsed() >= 1000 * early, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(detector->podRestartCount(), 1);
    }
}

QTEST_GUILESS_MAIN(TestInstallationTiming)
#include "tst_installation_timing.moc"
