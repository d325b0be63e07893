// The direct relocator finding a control pod again by its serial number after it restarted, among
// other pods, through the registered locators and the Lodestar identifier, against the simulator.
#include <QTest>

#include "tests/fwup/installation/pod_agents_test_support.h"

using namespace pod_agents_test;

class TestDirectComponentRelocator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerPodFinding(); }
    void init();
    void cleanup();
    void cleanupTestCase() { unregisterPodFinding(); }

    void findsPodBySerial_data();
    void findsPodBySerial();
    void givesUpWhenPodNeverComesBack();
    void busyAndCancel();

private:
    std::unique_ptr<SimulatedDetector> first_;
    std::unique_ptr<SimulatedDetector> second_;
};

void TestDirectComponentRelocator::init() {
    first_ = plugDetector(SimulatedDetector::PodMode::Application);
    second_ = plugDetector(SimulatedDetector::PodMode::Application);
    QVERIFY(first_->usbSerialNumber() != second_->usbSerialNumber());
}

void TestDirectComponentRelocator::cleanup() {
    first_.reset();
    second_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestDirectComponentRelocator::findsPodBySerial_data() {
    QTest::addColumn<bool>("lookForSecond");
    QTest::addColumn<bool>("toBootloader");
    QTest::addColumn<int>("returnDelayMs");
    QTest::newRow("first of two, back at once") << false << false << 0;
    QTest::newRow("second of two, back at once") << true << false << 0;
    QTest::newRow("second of two, in its bootloader") << true << true << 0;
    QTest::newRow("first of two, back after a while") << false << false << 200;
}

void TestDirectComponentRelocator::findsPodBySerial() {
    QFETCH(bool, lookForSecond);
    QFETCH(bool, toBootloader);
    QFETCH(int, returnDelayMs);
    SimulatedDetector& wanted = lookForSecond ? *second_ : *first_;
    const QString oldLocation = wanted.location();
    wanted.setResetTiming(0, returnDelayMs);
    wanted.restartPod(toBootloader ? SimulatedDetector::PodMode::Bootloader
                                   : SimulatedDetector::PodMode::Application);

    const auto relocator = makeDirectRelocator();
    Relocation relocation;
    relocator->relocate(oldLocation, wanted.usbSerialNumber(), relocation.onFound(), relocation.onFailure());
    QVERIFY(relocator->isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(relocation.total(), 1, 15000);

    QCOMPARE(relocation.founds, 1);
    QCOMPARE(relocation.found->first, toBootloader ? POD_BOOTLOADER : POD_APPLICATION);
    QCOMPARE(relocation.found->second, wanted.location());
    QVERIFY(wanted.location() != oldLocation);
    QVERIFY(!relocator->isBusy());
    // The product type is read where the pod was found.
    QCOMPARE(wanted.pod().requestLog().last(), QStringLiteral("GET 20"));
}

void TestDirectComponentRelocator::givesUpWhenPodNeverComesBack() {
    first_->setPodStaysAwayAfterReset();
    first_->restartPod(SimulatedDetector::PodMode::Bootloader);
    const auto relocator = makeDirectRelocator(2, 20);
    Relocation relocation;

    for (int search = 0; search < 3; ++search) {
        QTest::ignoreMessage(QtWarningMsg, "Can't locate the requested system");
    }
    QTest::ignoreMessage(QtDebugMsg, "Exceeded retries");
    relocator->relocate({}, first_->usbSerialNumber(), relocation.onFound(), relocation.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(relocation.total(), 1, 15000);
    QCOMPARE(relocation.failures, 1);
    QVERIFY(!relocator->isBusy());

    // The same relocator serves the next relocation.
    first_->bringPodBack();
    Relocation back;
    relocator->relocate({}, first_->usbSerialNumber(), back.onFound(), back.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(back.total(), 1, 15000);
    QCOMPARE(back.founds, 1);
    QCOMPARE(back.found->second, first_->location());
    QCOMPARE(relocation.total(), 1);
}

void TestDirectComponentRelocator::busyAndCancel() {
    const auto relocator = makeDirectRelocator();
    Relocation first;
    Relocation refused;

    relocator->relocate({}, second_->usbSerialNumber(), first.onFound(), first.onFailure());
    QTest::ignoreMessage(QtDebugMsg, "Attempt to Connect while busy connecting");
    relocator->relocate({}, first_->usbSerialNumber(), refused.onFound(), refused.onFailure());
    QCOMPARE(refused.failures, 1);
    QTRY_COMPARE_WITH_TIMEOUT(first.total(), 1, 15000);
    QCOMPARE(first.found->second, second_->location());
    QCOMPARE(refused.total(), 1);

    // A cancelled search reports nothing, and the next one only to its own handlers.
    Relocation cancelled;
    relocator->relocate({}, QStringLiteral("no such serial"), cancelled.onFound(), cancelled.onFailure());
    relocator->cancel();
    QVERIFY(!relocator->isBusy());
    Relocation next;
    relocator->relocate({}, first_->usbSerialNumber(), next.onFound(), next.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(next.total(), 1, 15000);
    QCOMPARE(next.found->second, first_->location());
    QCOMPARE(cancelled.total(), 0);

    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, relocator->relocate({}, {}, {}, next.onFailure()));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, relocator->relocate({}, {}, next.onFound(), {}));
}

QTEST_GUILESS_MAIN(TestDirectComponentRelocator)
#include "tst_direct_component_relocator.moc"
