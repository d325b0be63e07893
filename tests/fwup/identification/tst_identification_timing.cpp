// The device's own waits, at their real length. Every other test runs them short.
#include "login_test_device.h"
#include "simulated_system_fixture.h"

#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/timing/process_cpu.h"

#include "fwup/identification/lodestar_detector_identifier.h"
#include "fwup/identification/upgradeable_component_validity_getter.h"
#include "fwup/identification/user_login_agent.h"
#include "muppet/control_centre.h"

#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <cmath>

#include <memory>

using namespace login_test;
using cvsw::muppet::ControlCentre;

namespace {

// Times at which a silent device was asked, from the first request; gaps are read to the nearest
// millisecond. The device takes each request as soon as the event loop runs dry, not on a timer
// tick of its own, so the time taken is the time sent: a tick's lag, or a lag that only the first
// request suffers on a busy machine, would shorten the gaps measured.
struct Clock {
    explicit Clock(ControlCentreDevice& device) {
        QObject::connect(&device, &ControlCentreDevice::requestTaken, [this] {
            if (!started.isValid()) {
                started.start();
            }
            askedNs.push_back(started.nsecsElapsed());
        });
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                         &device, [&device] { device.service(); });
    }
    qint64 gapMs(std::size_t i) const { return std::llround(double(askedNs[i] - askedNs[i - 1]) / 1e6); }
    qint64 elapsedMs() const { return started.elapsed(); }
    QElapsedTimer started;
    std::vector<qint64> askedNs;
};

// Runs a real event loop until done() holds or the time runs out; unlike QTRY's polling it never
// sleeps, so timers fire and requests are taken when they are due.
template <typename Done>
void runUntil(Done done, int timeoutMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    check.start(5);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray describe(const Clock& clock) {
    QByteArray text;
    for (const qint64 time : clock.askedNs) {
        text += QByteArray::number(std::llround(double(time) / 1e6)) + ' ';
    }
    return text;
}

} // namespace

class TestIdentificationTiming : public QObject {
    Q_OBJECT

private slots:
    void loginStepDefaults();
    void validityExchangeDefaults();
    void silentPodCostsLittleCpu();
};

// Ten status requests, 1000 ms apart, then the failure.
void TestIdentificationTiming::loginStepDefaults() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    Clock clock(device);
    fwup::UserLoginAgent agent(*centre);
    qint64 endedAt = -1;
    agent.setCompletion([&](bool success) {
        QVERIFY(!success);
        endedAt = clock.elapsedMs();
    });

    QTest::ignoreMessage(QtWarningMsg, "Command retry exceeded, giving up");
    agent.start(fwup::UserLoginAgent::ISSUE_GET_USER_STATUS);
    runUntil([&] { return endedAt >= 0; }, 15000);
    QVERIFY(endedAt >= 0);

    QCOMPARE(clock.askedNs.size(), std::size_t(10));
    for (std::size_t i = 1; i < clock.askedNs.size(); ++i) {
        const qint64 gap = clock.gapMs(i);
        QVERIFY2(gap >= 1000 && gap < 1300, describe(clock).constData());
    }
    QVERIFY2(endedAt >= 10000 && endedAt < 11500, QByteArray::number(endedAt).constData());
}

// One question of the validity getter against a silent device: ten sends 1000 ms apart.
void TestIdentificationTiming::validityExchangeDefaults() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    Clock clock(device);
    fwup::UpgradeableComponentValidityGetter getter(centre, 45, 1000);
    qint64 failedAt = -1;

    getter.start([](bool, unsigned, unsigned) { QFAIL("a silent device gives no result"); },
                 [&] { failedAt = clock.elapsedMs(); });
    runUntil([&] { return failedAt >= 0; }, 15000);
    QVERIFY(failedAt >= 0);

    QCOMPARE(clock.askedNs.size(), std::size_t(10));
    for (std::size_t i = 1; i < clock.askedNs.size(); ++i) {
        const qint64 gap = clock.gapMs(i);
        // A coarse Qt timer may fire up to 5 % early.
        QVERIFY2(gap >= 950 && gap < 1300, describe(clock).constData());
    }
    QVERIFY2(failedAt >= 9500 && failedAt < 11500, QByteArray::number(failedAt).constData());
}

// Waiting for a pod that never answers keeps the machine idle: the identification rests between its
// passes instead of asking the link for data in a tight loop.
void TestIdentificationTiming::silentPodCostsLittleCpu() {
    using cuu::test::SimulatedComponent;
    using cuu::test::SimulatedFault;
    identification_test::registerLinkStack();
    auto detector = identification_test::plugDetector(cuu::test::SimulatedDetector::PodMode::Application);
    detector->pod().addFault(cuu::test::command_id::PRODUCT_TYPE, SimulatedFault::silence(),
                             SimulatedComponent::kAlways);
    fwup::LodestarDetectorIdentifier identifier(std::nullopt);

    QElapsedTimer wall;
    wall.start();
    const double cpuAtStart = cuu::test::processCpuSeconds();
    const bool identified = identifier.identifyDetector(detector->location()) != nullptr;
    const double cpuSeconds = cuu::test::processCpuSeconds() - cpuAtStart;
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;

    detector.reset();
    cuu::test::FakeHidBus::instance().reset();
    identification_test::unregisterLinkStack();

    QVERIFY(!identified);
    const QByteArray figures = "CPU " + QByteArray::number(cpuSeconds, 'f', 3) + " s in " +
                               QByteArray::number(wallSeconds, 'f', 3) + " s";
    // The product-type question's real waits: 250 ms, then nine of 1000 ms (coarse timers may fire early).
    QVERIFY2(wallSeconds >= 8.5, figures.constData());
    QVERIFY2(cpuSeconds < 0.2 * wallSeconds, figures.constData());
    qInfo("%s", figures.constData());
}

QTEST_GUILESS_MAIN(TestIdentificationTiming)
#include "tst_identification_timing.moc"
