#include "fwup/installation/event_pump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <algorithm>

namespace fwup::detail {

namespace {

// No single wait runs longer than this, as the pauses have always been taken in slices of it.
constexpr qint64 SLICE_MS = 100;

} // namespace

void pump_events_for(int milliseconds) {
    const QDeadlineTimer deadline(std::max(milliseconds, 0), Qt::PreciseTimer);
    // Wakes the wait at the end of each slice when nothing else happens.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    for (qint64 left = deadline.remainingTime(); left > 0; left = deadline.remainingTime()) {
        wake.start(static_cast<int>(std::min(left, SLICE_MS)));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

} // namespace fwup::detail
