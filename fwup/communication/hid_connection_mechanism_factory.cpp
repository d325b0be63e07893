#include "fwup/communication/hid_connection_mechanism_factory.h"

#include "fwup/communication/connection_mechanism.h"
#include "fwup/communication/detector_location_string.h"
#include "muppet/dle16_escaped_codec.h"
#include "muppet/mcobs1_codec.h"
#include "muppet/seven_e_demarcated_codec.h"
#include "muppet/usb_hid_endpoint.h"

#include <QDebug>

namespace fwup {

namespace {

constexpr bool kClearOnClose = true;
// While the device is closed, every 51st read or write tries to open it again.
constexpr std::uint32_t kReopenThreshold = 50;

} // namespace

const HidConnectionMechanismFactory::CodecFactory HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY = [] {
    return std::make_unique<cvsw::muppet::Mcobs1Codec>();
};

const HidConnectionMechanismFactory::CodecFactory HidConnectionMechanismFactory::DLE16_ESCAPED_CODEC_FACTORY =
    [] {
        return std::make_unique<cvsw::muppet::Dle16EscapedCodec>();
    };

const HidConnectionMechanismFactory::CodecFactory
    HidConnectionMechanismFactory::SEVEN_E_DEMARCATED_CODEC_FACTORY = [] {
        return std::make_unique<cvsw::muppet::SevenEDemarcatedCodec>();
    };

HidConnectionMechanismFactory::HidConnectionMechanismFactory(CodecFactory codecFactory)
    : codecFactory_(std::move(codecFactory)) {
}

HidConnectionMechanismFactory::~HidConnectionMechanismFactory() = default;

std::shared_ptr<ConnectionMechanism> HidConnectionMechanismFactory::tryCreate(const QString& location) {
    if (auto cached = cache_.value(location).lock()) {
        return cached;
    }

    HidLocationInfo info;
    if (!try_split_detector_location_string(location, info)) {
        return {};
    }
    if (info.vendorId != CORVANE_VENDOR_ID) {
        qDebug() << "Unexpected VID:" << info.vendorId;
        return {};
    }
    if (!codecFactory_) {
        qCritical() << "The codec factory has not been set!";
        return {};
    }
    auto codec = codecFactory_();
    if (!codec) {
        return {};
    }

    auto endpoint = std::make_unique<cvsw::muppet::UsbHidEndpoint<64, 0>>(kClearOnClose, kReopenThreshold);
    // A device that does not open now is no failure: the endpoint keeps trying to reopen it.
    endpoint->open(info.path);

    auto mechanism =
        std::make_shared<ConnectionMechanism>(ConnectionMechanism{std::move(endpoint), std::move(codec)});
    cache_.insert(location, mechanism);
    return mechanism;
}

} // namespace fwup
