#include "fwup/identification/component_identification_loop.h"

#include "fwup/communication/muppet_connection.h"

#include <QCoreApplication>
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
    while (busy()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        connection->service();
    }
    connection->removeControlCentre(controlCentre);
    return true;
}

} // namespace fwup::detail
