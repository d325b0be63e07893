#pragma once

#include <QDeadlineTimer>

#include <functional>

namespace fwup {

// Every synchronous wait of the program (for a device, for its agents, or for a given time) runs
// through these, so none of them spins a core. The device links give no sign when data arrives, so
// between passes the thread sleeps in the event loop for a few milliseconds, or less when an event
// comes in first.

// The longest sleep between two passes: short next to any device's answer, long enough that a silent
// device costs next to no CPU.
inline constexpr int PUMP_PASS_WAIT_MS = 2;

// Runs passes until done() holds or the deadline passes, and returns done(). A pass processes the
// pending events, then calls pass (when given); unless done() then holds, it sleeps until an event
// arrives, at most PUMP_PASS_WAIT_MS (and never past the deadline). A pass that returns true has
// work left and the next pass follows at once. Without pass, the sleeps last up to 100 ms, as
// only an event can change done().
bool pump_events_until(const std::function<bool()>& done, const std::function<bool()>& pass = {},
                       QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));

// Delivers events for the given time: timers, device traffic and window events go on meanwhile.
void pump_events_for(int milliseconds);

} // namespace fwup
