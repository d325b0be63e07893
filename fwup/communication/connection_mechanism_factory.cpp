#include "fwup/communication/connection_mechanism_factory.h"

namespace fwup {

QList<QSharedPointer<ConnectionMechanismFactory>>& muppet_connection_mechanism_factory_registry() {
    static QList<QSharedPointer<ConnectionMechanismFactory>> registry;
    return registry;
}

} // namespace fwup
