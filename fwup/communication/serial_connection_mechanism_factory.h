#pragma once

#include "fwup/communication/connection_mechanism_factory.h"

#include <QMap>
#include <QString>

#include <memory>

namespace fwup {

// Serves SRL location strings: opens the named serial port and pairs it with the codec the
// product id calls for (DLE16 for 0x1300 and 0x1301, 7E for 0x10B3, Mcobs1 for 0x1310). Every
// connection to one location shares one mechanism while any of them holds it.
class SerialConnectionMechanismFactory final : public ConnectionMechanismFactory {
public:
    SerialConnectionMechanismFactory();
    ~SerialConnectionMechanismFactory() override;

    // Empty for other kinds of location, a product id without a codec (the port is then left
    // alone), or a port that does not open.
    std::shared_ptr<ConnectionMechanism> tryCreate(const QString& location) override;

private:
    // Only grows; dead entries are overwritten when their location is asked for again.
    QMap<QString, std::weak_ptr<ConnectionMechanism>> cache_;
};

} // namespace fwup
