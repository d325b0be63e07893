#include "fwup/communication/serial_connection_mechanism_factory.h"

#include "fwup/communication/connection_mechanism.h"
#include "fwup/communication/detector_location_string.h"
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/serial_port_endpoint.h"

#include <QDebug>

namespace fwup {

namespace {

// The framing each serial product speaks; the vendor id plays no part.
HidConnectionMechanismFactory::CodecFactory codecFactoryFor(quint16 productId) {
    switch (productId) {
    case 0x1300:
    case 0x1301:
        return HidConnectionMechanismFactory::DLE16_ESCAPED_CODEC_FACTORY;
    case 0x10B3:
        return HidConnectionMechanismFactory::SEVEN_E_DEMARCATED_CODEC_FACTORY;
    case 0x1310:
        return HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY;
    default:
        return {};
    }
}

} // namespace

SerialConnectionMechanismFactory::SerialConnectionMechanismFactory() = default;
SerialConnectionMechanismFactory::~SerialConnectionMechanismFactory() = default;

std::shared_ptr<ConnectionMechanism> SerialConnectionMechanismFactory::tryCreate(const QString& location) {
    if (auto cached = cache_.value(location).lock()) {
        return cached;
    }

    SerialLocationInfo info;
    if (!try_split_detector_location_string(location, info)) {
        return {};
    }
    // A mechanism without a codec would break the first pump pass, so such a product is refused
    // before its port is touched.
    const auto codecFactory = codecFactoryFor(info.productId);
    if (!codecFactory) {
        qDebug() << "No codec for serial product id:" << info.productId;
        return {};
    }
    auto codec = codecFactory();

    auto endpoint = std::make_unique<SerialPortEndpoint>();
    if (!endpoint->open(info.portName)) {
        qDebug() << "Failed to open port:" << endpoint->errorString();
        qDebug() << "Failed to open serial port.";
        return {};
    }

    auto mechanism =
        std::make_shared<ConnectionMechanism>(ConnectionMechanism{std::move(endpoint), std::move(codec)});
    cache_.insert(location, mechanism);
    return mechanism;
}

} // namespace fwup
