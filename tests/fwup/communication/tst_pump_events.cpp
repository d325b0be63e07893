#include "fwup/communication/pump_events.h"
#include "tests/support/timing/process_cpu.h"

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

using cuu::test::processCpuSeconds;

class TestPumpEvents : public QObject {
    Q_OBJECT

private slots:
    void waitsRestUntilTheDeadline_data();
    void waitsRestUntilTheDeadline();
    void eventEndsTheWaitAtOnce();
    void passWithWorkLeftIsRepeatedAtOnce();
};

void TestPumpEvents::waitsRestUntilTheDeadline_data() {
    QTest::addColumn<bool>("withPass");
    QTest::newRow("events only") << false;
    QTest::newRow("with a pass") << true;
}

// Nothing to do for 400 ms costs next to no CPU, and timers still fire meanwhile.
void TestPumpEvents::waitsRestUntilTheDeadline() {
    QFETCH(bool, withPass);
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, this, [&ticks] { ++ticks; });
    tick.start(50);
    int passes = 0;
    const std::function<bool()> pass = [&passes] {
        ++passes;
        return false;
    };

    QElapsedTimer wall;
    wall.start();
    const double cpuAtStart = processCpuSeconds();
    if (withPass) {
        QVERIFY(!fwup::pump_events_until([] { return false; }, pass, QDeadlineTimer(400)));
    } else {
        fwup::pump_events_for(400);
    }
    const double cpuSeconds = processCpuSeconds() - cpuAtStart;
    const qint64 wallMs = wall.elapsed();

    QVERIFY2(wallMs >= 400 && wallMs < 1000, QByteArray::number(wallMs).constData());
    QVERIFY2(ticks >= 5, QByteArray::number(ticks).constData());
    QVERIFY2(cpuSeconds * 1000 < 0.2 * double(wallMs), QByteArray::number(cpuSeconds).constData());
    // A pass between waits of at most a few milliseconds.
    QVERIFY2(!withPass || passes >= 400 / (fwup::PUMP_PASS_WAIT_MS * 4),
             QByteArray::number(passes).constData());
}

void TestPumpEvents::eventEndsTheWaitAtOnce() {
    bool done = false;
    QTimer::singleShot(30, this, [&done] { done = true; });
    QElapsedTimer wall;
    wall.start();
    QVERIFY(fwup::pump_events_until([&done] { return done; }, {}, QDeadlineTimer(5000)));
    QVERIFY2(wall.elapsed() < 1000, QByteArray::number(wall.elapsed()).constData());
}

// A pass that has more to do (a long transfer) is not held back by the waits.
void TestPumpEvents::passWithWorkLeftIsRepeatedAtOnce() {
    int passes = 0;
    QElapsedTimer wall;
    wall.start();
    QVERIFY(
        fwup::pump_events_until([&passes] { return passes == 2000; }, [&passes] { return ++passes < 2000; }));
    // 2000 waits would take at least 4 s.
    QVERIFY2(wall.elapsed() < 2000, QByteArray::number(wall.elapsed()).constData());
}

QTEST_GUILESS_MAIN(TestPumpEvents)
#include "tst_pump_events.moc"
