#include "fwup/communication/mcm2m_connection_mechanism_factory.h"

#include "fwup/communication/connection_mechanism.h"
#include "fwup/communication/detector_location_string.h"
#include "fwup/communication/mcm2m_api_codec.h"
#include "muppet/qt_tcp_client_endpoint.h"

namespace fwup {

MCM2MConnectionMechanismFactory::MCM2MConnectionMechanismFactory() = default;
MCM2MConnectionMechanismFactory::~MCM2MConnectionMechanismFactory() = default;

std::shared_ptr<ConnectionMechanism> MCM2MConnectionMechanismFactory::tryCreate(const QString& location) {
    if (auto cached = cache_.value(location).lock()) {
        return cached;
    }

    MuppetCommanderLocationInfo info;
    if (!try_split_detector_location_string(location, info)) {
        return {};
    }

    auto codec = std::make_unique<MCM2MAPICodec>(info.deviceUuid);
    auto endpoint = std::make_unique<cvsw::muppet::QtTcpClientEndpoint>();
    endpoint->socket().connectToHost(info.host, info.port, QIODevice::ReadWrite,
                                     QAbstractSocket::AnyIPProtocol);

    auto mechanism =
        std::make_shared<ConnectionMechanism>(ConnectionMechanism{std::move(endpoint), std::move(codec)});
    cache_.insert(location, mechanism);
    return mechanism;
}

} // namespace fwup
