#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/communication/muppet_connection.h"
#include "muppet/control_centre.h"
#include "muppet/product_type_command.h"

#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>

namespace cuu::test {

// One product-type exchange over a connection, serviced from a timer as the program's agents do.
// The product type, or nothing when the exchange failed or took longer than waitMs.
inline std::optional<quint16> readProductType(const std::shared_ptr<fwup::MuppetConnection>& connection,
                                              int waitMs = 5000) {
    using cvsw::muppet::control::ProductTypeCommand;
    const auto controlCentre = std::make_shared<cvsw::muppet::ControlCentre>();
    connection->addControlCentre(controlCentre);
    fwup::MuppetCommandExchange<ProductTypeCommand> exchange(controlCentre, 3, 1000, 1000);

    std::optional<quint16> productType;
    bool finished = false;
    QTimer pump;
    QObject::connect(&pump, &QTimer::timeout, &pump, [&connection] { connection->service(); });
    pump.start(5);
    exchange.start({
        [] { return std::make_unique<ProductTypeCommand>(cvsw::muppet::control::Mode::GET); },
        [&](const ProductTypeCommand& reply) {
            productType = reply.productType;
            finished = true;
        },
        [&](fwup::MuppetCommandExchangeBase::FailureReason) { finished = true; },
    });
    const bool done = QTest::qWaitFor([&finished] { return finished; }, waitMs);
    Q_UNUSED(done);
    pump.stop();
    connection->removeControlCentre(controlCentre);
    return productType;
}

} // namespace cuu::test
