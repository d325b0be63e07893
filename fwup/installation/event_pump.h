#pragma once

namespace fwup::detail {

// Runs the event loop of the calling thread until the given time has passed: timers, device
// traffic and window events are delivered meanwhile. It sleeps between events rather than spinning.
void pump_events_for(int milliseconds);

} // namespace fwup::detail
