#pragma once

#include "fwup/communication/connection_mechanism_factory.h"

#include <QMap>
#include <QString>

#include <memory>

namespace fwup {

// Serves MC_M2M location strings: a TCP connection to the gateway named in the location, carrying
// the gateway's JSON lines for the one device the location names. The connection is started here
// but not waited for; frames written meanwhile wait in the socket. Every connection to one location
// shares one mechanism while any of them holds it.
class MCM2MConnectionMechanismFactory final : public ConnectionMechanismFactory {
public:
    MCM2MConnectionMechanismFactory();
    ~MCM2MConnectionMechanismFactory() override;

    // Empty for other kinds of location.
    std::shared_ptr<ConnectionMechanism> tryCreate(const QString& location) override;

private:
    // Only grows; dead entries are overwritten when their location is asked for again.
    QMap<QString, std::weak_ptr<ConnectionMechanism>> cache_;
};

} // namespace fwup
