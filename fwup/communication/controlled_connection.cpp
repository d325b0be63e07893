#include "fwup/communication/controlled_connection.h"

#include "fwup/communication/muppet_connection.h"
#include "muppet/control_centre.h"

#include <QDebug>

namespace fwup {

ControlledConnection::ControlledConnection()
    : controlCentre_(std::make_shared<cvsw::muppet::ControlCentre>()) {
}

ControlledConnection::~ControlledConnection() {
    close();
}

bool ControlledConnection::open(const QString& location, const char* failureMessage) {
    // The earlier connection is let go only once the new one stands, so a device handle the two
    // share stays open across the change.
    auto connection = MuppetConnection::establishConnection(location);
    close();
    connection_ = std::move(connection);
    if (!connection_) {
        qDebug() << failureMessage << location;
        return false;
    }
    connection_->addControlCentre(controlCentre_);
    return true;
}

void ControlledConnection::close() {
    if (connection_) {
        connection_->removeControlCentre(controlCentre_);
        connection_.reset();
    }
}

void ControlledConnection::service() {
    // Through a local reference: closing inside would otherwise destroy the connection mid-call.
    if (const auto connection = connection_) {
        connection->service();
    }
}

} // namespace fwup
