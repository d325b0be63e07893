// The device's own waits, at their real length. Every other test runs them short.
#include "login_test_device.h"

#include "fwup/identification/upgradeable_component_validity_getter.h"
#include "fwup/identification/user_login_agent.h"
#include "muppet/control_centre.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace login_test;
using cvsw::muppet::ControlCentre;

namespace {

// Times at which a silent device was asked, relative to the first request.
struct Clock {
    explicit Clock(ControlCentreDevice& device) {
        QObject::connect(&device, &ControlCentreDevice::requestTaken, [this] {
            if (!started.isValid()) {
                started.start();
            }
            asked.push_back(started.elapsed());
        });
    }
    QElapsedTimer started;
    std::vector<qint64> asked;
};

QByteArray describe(const std::vector<qint64>& times) {
    QByteArray text;
    for (const qint64 time : times) {
        text += QByteArray::number(time) + ' ';
    }
    return text;
}

} // namespace

class TestIdentificationTiming : public QObject {
    Q_OBJECT

private slots:
    void loginStepDefaults();
    void validityExchangeDefaults();
};

// Ten status requests, 1000 ms apart, then the failure.
void TestIdentificationTiming::loginStepDefaults() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    Clock clock(device);
    device.startServicing();
    fwup::UserLoginAgent agent(*centre);
    qint64 endedAt = -1;
    agent.setCompletion([&](bool success) {
        QVERIFY(!success);
        endedAt = clock.started.elapsed();
    });

    QTest::ignoreMessage(QtWarningMsg, "Command retry exceeded, giving up");
    agent.start(fwup::UserLoginAgent::ISSUE_GET_USER_STATUS);
    QTRY_VERIFY_WITH_TIMEOUT(endedAt >= 0, 15000);

    QCOMPARE(clock.asked.size(), std::size_t(10));
    for (std::size_t i = 1; i < clock.asked.size(); ++i) {
        const qint64 gap = clock.asked[i] - clock.asked[i - 1];
        QVERIFY2(gap >= 1000 && gap < 1300, describe(clock.asked).constData());
    }
    QVERIFY2(endedAt >= 10000 && endedAt < 11500, QByteArray::number(endedAt).constData());
}

// One question of the validity getter against a silent device: ten sends 1000 ms apart.
void TestIdentificationTiming::validityExchangeDefaults() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    Clock clock(device);
    device.startServicing();
    fwup::UpgradeableComponentValidityGetter getter(centre, 45, 1000);
    qint64 failedAt = -1;

    getter.start([](bool, unsigned, unsigned) { QFAIL("a silent device gives no result"); },
                 [&] { failedAt = clock.started.elapsed(); });
    QTRY_VERIFY_WITH_TIMEOUT(failedAt >= 0, 15000);

    QCOMPARE(clock.asked.size(), std::size_t(10));
    for (std::size_t i = 1; i < clock.asked.size(); ++i) {
        const qint64 gap = clock.asked[i] - clock.asked[i - 1];
        // A coarse Qt timer may fire up to 5 % early.
        QVERIFY2(gap >= 950 && gap < 1300, describe(clock.asked).constData());
    }
    QVERIFY2(failedAt >= 9500 && failedAt < 11500, QByteArray::number(failedAt).constData());
}

QTEST_GUILESS_MAIN(TestIdentificationTiming)
#include "tst_identification_timing.moc"
