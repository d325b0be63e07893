// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "tests/support/coordination/coordination_fakes.h"

using namespace coordtest;

// The continuation after an incomplete update on the steady clock, polled like the window polls.
class TestUpdateContinuationTiming : public QObject {
    Q_OBJECT

private slots:
    void failsJustAfterTenSecondsWithoutTheDetector() {
        Rig rig(true);
        rig.driveTo(State::INSTALLING_FIRMWARE);
        QElapsedTimer sinceIncomplete;
        qint64 failedAt = -1;
        connect(&rig.machine, &Machine::stateChanged, this, [&](State state) {
            if (state == State::FAILED) {
                failedAt = sinceIncomplete.elapsed();
            }
        });
        QTimer windowTimer;
        connect(&windowTimer, &QTimer::timeout, &rig.machine, &Machine::poll);
        windowTimer.start(100);

        sinceIncomplete.start();
        emit rig.updater->finished(fwup::UpdaterStatus::INCOMPLETE);
        QTRY_COMPARE_WITH_TIMEOUT(rig.machine.state(), State::FAILED, 20000);
        QVERIFY2(failedAt > 10000, qPrintable(QString::number(failedAt)));
        QVERIFY2(failedAt < 12000, qPrintable(QString::number(failedAt)));
    }
};

QTEST_MAIN(TestUpdateContinuationTiming)
#include "tst_update_continuation_timing.moc"
