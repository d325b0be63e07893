#pragma once

// The program's side of the link to a simulated detector, for tests that link cuu_fwup_identification.

#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/muppet_connection.h"
#include "fwup/identification/juniper_muppet_password_generator.h"
#include "fwup/identification/lodestar_muppet_password_generator.h"
#include "fwup/identification/muppet_password_generator.h"
#include "muppet/control_centre.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

namespace cuu::test {

// The start-up wiring the getters and agents rely on: the HID factory with Mcobs1 framing and the two
// password generators, as the family registrar sets them up.
inline void registerLinkStack() {
    fwup::muppet_connection_mechanism_factory_registry().append(
        QSharedPointer<fwup::HidConnectionMechanismFactory>::create(
            fwup::HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY));
    auto& generators = fwup::muppet_password_generator_registry();
    generators.append(QSharedPointer<fwup::LodestarMuppetPasswordGenerator>::create());
    generators.append(QSharedPointer<fwup::JuniperMuppetPasswordGenerator>::create());
}

inline void unregisterLinkStack() {
    fwup::muppet_connection_mechanism_factory_registry().clear();
    fwup::muppet_password_generator_registry().clear();
}

// One connection carrying one control centre, serviced from the event loop as the program does.
struct Link {
    explicit Link(const QString& location)
        : connection(fwup::MuppetConnection::establishConnection(location)) {
        if (connection) {
            connection->addControlCentre(centre);
            QObject::connect(&pump, &QTimer::timeout, [this] { connection->service(); });
            pump.start(1);
        }
    }
    ~Link() { pump.stop(); }

    std::shared_ptr<cvsw::muppet::ControlCentre> centre = std::make_shared<cvsw::muppet::ControlCentre>();
    std::shared_ptr<fwup::MuppetConnection> connection;
    QTimer pump;
};

} // namespace cuu::test
