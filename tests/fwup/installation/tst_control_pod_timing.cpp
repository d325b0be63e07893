// The control-pod agents' own waits at their real values: the store coordinator's second between
// status polls, and the bootloader putter's second of silence after the reset to the application
// followed by five seconds for the application to start. About 8 s.
#include <QElapsedTimer>
#include <QTemporaryFile>
#include <QTest>

#include "fwup/installation/direct_connection_component_relocator.h"
#include "fwup/installation/mbu_bootloader_file_putter.h"
#include "fwup/installation/store_user_settings_record_coordinator.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/updater_test_support.h"

using namespace installation_test;

namespace {

// Qt's coarse timers may fire up to 5 % early.
constexpr double EARLY = 0.95;

} // namespace

class TestControlPodTiming : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void coordinatorPollsEverySecond();
    void putterGivesApplicationTimeToStart();
};

void TestControlPodTiming::initTestCase() {
    updater_test::registerUpdateStack(fwup::IdentificationTiming{});
}

void TestControlPodTiming::cleanupTestCase() {
    updater_test::unregisterUpdateStack();
}

void TestControlPodTiming::coordinatorPollsEverySecond() {
    const auto detector = plugDetector(SimulatedDetector::PodMode::Application);
    detector->pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    detector->pod().setSettingsRecordStatusScript({1, 1, 2});
    Link link(detector->location());
    fwup::StoreUserSettingsRecordCoordinator coordinator(link.centre);
    Ends ends;
    QElapsedTimer clock;

    clock.start();
    coordinator.start([&ends](const bool& stored) { stored ? ends.onDone()() : ends.onFailure()(); },
                      ends.onFailure(), fwup::Version{1, 76, 0});
    QTRY_COMPARE_WITH_TIMEOUT(ends.total(), 1, 10000);
    QCOMPARE(ends.done, 1);
    QVERIFY2(clock.elapsed() >= 2000 * EARLY, qPrintable(QString::number(clock.elapsed())));
    // The support question, then a poll a second after each unfinished status.
    QCOMPARE(detector->pod().requestCount(command_id::STORE_USER_SETTINGS_RECORD, GET), 3);
}

void TestControlPodTiming::putterGivesApplicationTimeToStart() {
    const auto detector = plugDetector(SimulatedDetector::PodMode::Bootloader);
    QTemporaryFile image;
    QVERIFY(image.open());
    image.write(QByteArray(3000, 'x'));
    image.close();
    fwup::MbuBootloaderFilePutter putter(145, 144, std::chrono::milliseconds(10000));
    std::optional<QString> doneAt;
    Ends ends;
    QElapsedTimer clock;

    putter.start(
        std::make_shared<fwup::DirectConnectionComponentRelocator>(30, 250), {{11000, image.fileName()}},
        detector->usbSerialNumber(), detector->location(),
        [&doneAt](const QString& location) { doneAt = location; }, [](fwup::ProgressPercentage) {},
        ends.onFailure(), true);
    // The pod restarts at once, without answering; the putter waits a second for the answer.
    QTRY_COMPARE_WITH_TIMEOUT(detector->podRestartCount(), 1, 10000);
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(doneAt.has_value(), 20000);
    QVERIFY2(clock.elapsed() >= 6000 * EARLY, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(*doneAt, detector->location());
    QCOMPARE(ends.failed, 0);
}

QTEST_GUILESS_MAIN(TestControlPodTiming)
#include "tst_control_pod_timing.moc"
