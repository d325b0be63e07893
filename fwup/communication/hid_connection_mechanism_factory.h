#pragma once

#include "fwup/communication/connection_mechanism_factory.h"

#include <QMap>
#include <QString>

#include <functional>
#include <memory>

namespace cvsw::muppet {
class Codec;
}

namespace fwup {

// Serves HID location strings of the maker's vendor id: a USB HID endpoint opened by the location's
// path, paired with a codec from the codec factory. Every connection to one location shares one
// mechanism while any of them holds it, so the device is opened once.
class HidConnectionMechanismFactory final : public ConnectionMechanismFactory {
public:
    using CodecFactory = std::function<std::unique_ptr<cvsw::muppet::Codec>()>;

    static constexpr quint16 CORVANE_VENDOR_ID = 0x2E7A;

    static const CodecFactory MCOBS1_CODEC_FACTORY;
    static const CodecFactory DLE16_ESCAPED_CODEC_FACTORY;
    static const CodecFactory SEVEN_E_DEMARCATED_CODEC_FACTORY;

    explicit HidConnectionMechanismFactory(CodecFactory codecFactory);
    ~HidConnectionMechanismFactory() override;

    // The cached mechanism while it lives; else a new one, even when the device would not open (its
    // endpoint then stays closed and keeps trying to reopen). Empty for other kinds of location, a
    // foreign vendor id or a missing codec factory.
    std::shared_ptr<ConnectionMechanism> tryCreate(const QString& location) override;

private:
    // Only grows; dead entries are overwritten when their location is asked for again.
    QMap<QString, std::weak_ptr<ConnectionMechanism>> cache_;
    CodecFactory codecFactory_;
};

} // namespace fwup
