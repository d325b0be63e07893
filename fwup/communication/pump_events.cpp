#include "fwup/communication/pump_events.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace fwup {

namespace {

constexpr qint64 IDLE_WAIT_MS = 100;

// The overload of processEvents with a time limit never waits, whatever its flags; this one does.
// The timer bounds the wait, and any other event ends it sooner.
void wait_for_events(QTimer& wake, qint64 milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    if (QAbstractEventDispatcher::instance() == nullptr) {
        QThread::msleep(static_cast<unsigned long>(milliseconds));
        return;
    }
    wake.start(static_cast<int>(milliseconds));
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

} // namespace

bool pump_events_until(const std::function<bool()>& done, const std::function<bool()>& pass,
                       QDeadlineTimer deadline) {
    const qint64 longestWait = pass ? PUMP_PASS_WAIT_MS : IDLE_WAIT_MS;
    // One timer for the whole wait, restarted before each sleep: idle passes come hundreds a second.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    while (!done()) {
        if (deadline.hasExpired()) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const bool workLeft = pass && pass();
        if (workLeft || done()) {
            continue;
        }
        wait_for_events(wake,
                        deadline.isForever() ? longestWait : std::min(longestWait, deadline.remainingTime()));
    }
    return true;
}

void pump_events_for(int milliseconds) {
    pump_events_until([] { return false; }, {}, QDeadlineTimer(milliseconds, Qt::PreciseTimer));
}

} // namespace fwup
