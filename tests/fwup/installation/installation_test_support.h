#pragma once

#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/muppet_connection.h"
#include "fwup/identification/juniper_muppet_password_generator.h"
#include "fwup/identification/lodestar_muppet_password_generator.h"
#include "fwup/identification/muppet_password_generator.h"
#include "muppet/control_centre.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/operator_passwords/generated_operator_password.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/simulated_detector.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

namespace installation_test {

using cuu::test::FakeHidBus;
using cuu::test::SimulatedComponent;
using cuu::test::SimulatedDetector;
using cuu::test::SimulatedFault;
namespace command_id = cuu::test::command_id;

inline const QString TUNNEL_PREFIX = QStringLiteral("TNLV3::1::OUT::0::");

inline constexpr std::uint8_t GET = 0;
inline constexpr std::uint8_t SET = 1;
inline constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;

// The start-up wiring the agents rely on: the HID factory with Mcobs1 framing and the two password
// generators, as the family registrar sets them up.
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

// A plugged system whose parts check logins against the program's own passwords.
inline std::unique_ptr<SimulatedDetector> plugDetector(SimulatedDetector::PodMode mode) {
    auto detector = std::make_unique<SimulatedDetector>(mode);
    detector->setPasswordSource(&cuu::test::generated_operator_password);
    detector->plug();
    return detector;
}

// One connection carrying one control centre, serviced from the event loop as an agent's owner does.
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

// The end handlers an agent called, counted.
struct Ends {
    int done = 0;
    int failed = 0;
    int total() const { return done + failed; }
    std::function<void()> onDone() {
        return [this] {
            ++done;
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++failed;
        };
    }
};

} // namespace installation_test
