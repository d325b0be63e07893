#pragma once

#include <QString>

#include <functional>
#include <memory>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup::detail {

// The synchronous part the component identifiers share: opens a connection to location, lends it
// the identifier's control centre, calls start and then processes events and services the
// connection, resting briefly between passes (pump_events_until), for as long as busy() holds;
// there is no overall time limit, every step ends through its own attempt limit. The connection is
// gone when this returns. Returns false, after the debug line "Failed to establish a connection",
// when no connection could be made.
bool run_component_identification(const QString& location,
                                  const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                  const std::function<void()>& start, const std::function<bool()>& busy);

} // namespace fwup::detail
