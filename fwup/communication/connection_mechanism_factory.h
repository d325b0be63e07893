#pragma once

#include <QList>
#include <QSharedPointer>
#include <QString>

#include <memory>

namespace fwup {

struct ConnectionMechanism;

// Turns a location string into a ready transport: an opened endpoint and a fresh codec.
class ConnectionMechanismFactory {
public:
    virtual ~ConnectionMechanismFactory() = default;

    // Empty when this factory cannot serve the location.
    virtual std::shared_ptr<ConnectionMechanism> tryCreate(const QString& location) = 0;

protected:
    ConnectionMechanismFactory() = default;
    ConnectionMechanismFactory(const ConnectionMechanismFactory&) = default;
    ConnectionMechanismFactory& operator=(const ConnectionMechanismFactory&) = default;
};

// The factories MuppetConnection::establishConnection asks, first match wins. Filled once at
// start-up; take a copy before walking it.
QList<QSharedPointer<ConnectionMechanismFactory>>& muppet_connection_mechanism_factory_registry();

} // namespace fwup
