#include "fwup/identification/component_identification_loop.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/pump_events.h"

#include <QDebug>

namespace fwup::detail {

bool run_component_identification(const QString& location,
                                  const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                  const std::function<void()>& start, const std::function<bool()>& busy) {
    const std::shared_ptr<MuppetConnection> connection = MuppetConnection::establishConnection(location);
    if (!connection) {
        qDebug() << "Failed to establish a connection";
        return false;
    }
    connection->addControlCentre(controlCentre);
    start();
    pump_events_until([&busy] { return !busy(); },
                      [&connection] {
                          connection->service();
                          return false;
                      });
    connection->removeControlCentre(controlCentre);
    return true;
}

} // namespace fwup::detail
