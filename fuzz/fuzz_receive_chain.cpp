// Sends the input up the whole receive chain as a detector would: HID input reports, through the
// program's HID endpoint (on the tests' hidapi stand-in), the Mcobs1 codec and two connections sharing
// one link, the direct one and the one under a tunnel, to the control centres on both. The direct
// centre takes every frame; the tunnel's takes inner control messages of its channel and hands those
// of a few commands to their decoders.
//
// Checks: every frame that went on the wire intact arrives, in order, and nothing else arrives when
// nothing else was sent; the tunnel sees exactly the data frames of its channel; each control centre
// reads each message it is given as the bytes say: a command, an invalid group or too short.
//
// Input: one flags byte, then records. Flags: bits 0-5 are the report size less one; bit 6 services
// the direct connection and the tunnel in turn, not the tunnel alone; bit 7 has the tunnel's centre
// send a request first, so that reports go out between those read. A record: a kind byte (bits 0-1:
// a control frame, a tunnel data frame, a frame of the type in the next byte, or raw bytes; bit 2:
// damage the encoded frame at the position in the next byte), a two-byte big-endian length (14 bits,
// up to the codec's largest payload) and that many bytes.

#include "fuzz/fuzz_support.h"

#include <QCoreApplication>

#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/frame_handler.h"
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/tunnel_device_muppet_connection.h"
#include "muppet/basic_std_vector_buffer.h"
#include "muppet/control_centre.h"
#include "muppet/hardware_version_command.h"
#include "muppet/mcobs1_codec.h"
#include "muppet/product_type_command.h"
#include "muppet/serial_number_command.h"
#include "muppet/software_version_command.h"
#include "muppet/upgradeable_component_validity_command.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/fake_hidapi/fake_hid_device.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using cvsw::muppet::ControlCentre;
using fwup::TunnelDeviceMuppetConnection;

constexpr quint16 productId = 0x1321;
constexpr std::uint8_t channel = 3;
constexpr std::size_t reportSize = 64;
const QString path = QStringLiteral("fuzz/detector");

struct Frame {
    std::uint8_t type;
    QByteArray payload;

    bool operator==(const Frame&) const = default;
};

// Takes what the program writes and forgets it: the input is all the device says.
class QuietDevice final : public cuu::test::FakeHidDevice {
public:
    using FakeHidDevice::FakeHidDevice;

protected:
    void onReport(const QByteArray&) override {}
};

class FrameRecorder final : public fwup::FrameHandler {
public:
    void handleFrame(std::uint8_t frameType, const QByteArray& payload) override {
        frames.push_back({frameType, payload});
    }

    std::vector<Frame> frames;
};

// What a control centre made of each message it was given, as bytes that can be compared with what
// it should have made: "M" and the message rebuilt from the parsed header, "G" and an invalid group,
// "S" and a message too short for a header.
class CentreRecorder final : public ControlCentre::ErrorSink {
public:
    explicit CentreRecorder(ControlCentre& centre, bool consume) {
        centre.setErrorSink(this);
        centre.setInterceptor([this, consume](cvsw::muppet::control::Mode mode,
                                              cvsw::muppet::control::Group group, std::uint16_t id,
                                              const std::uint8_t* payload, std::size_t length) {
            QByteArray& entry = entries.emplace_back("M");
            entry.append(static_cast<char>(cvsw::muppet::control::header_byte(mode, group)));
            entry.append(static_cast<char>(id >> 8));
            entry.append(static_cast<char>(id & 0xFF));
            entry.append(reinterpret_cast<const char*>(payload), static_cast<qsizetype>(length));
            return consume;
        });
    }

    void handlerReplaced(cvsw::muppet::control::Group, std::uint16_t) override { std::abort(); }
    void invalidGroup(cvsw::muppet::control::Group group) override {
        entries.emplace_back("G").append(static_cast<char>(group));
    }
    void unhandled(cvsw::muppet::control::Group, std::uint16_t) override {}
    void tooShort(const std::uint8_t* message, std::size_t length) override {
        // A command's decoder finding its payload short reports the same; only the header counts here.
        if (length <= 2) {
            entries.emplace_back("S").append(reinterpret_cast<const char*>(message),
                                             static_cast<qsizetype>(length));
        }
    }

    // What the centre should make of the messages.
    static std::vector<QByteArray> expected(const std::vector<QByteArray>& messages) {
        std::vector<QByteArray> result;
        for (const QByteArray& message : messages) {
            const auto group = static_cast<std::uint8_t>(message.size() > 0 ? message.at(0) & 0x3F : 0);
            if (message.size() <= 2) {
                result.push_back("S" + message);
            } else if (group >= cvsw::muppet::control::GROUP_COUNT) {
                result.push_back(QByteArray("G").append(static_cast<char>(group)));
            } else {
                result.push_back("M" + message);
            }
        }
        return result;
    }

    std::vector<QByteArray> entries;
};

template <typename T>
void decodeOnly(ControlCentre& centre) {
    centre.setHandler<T>([](std::unique_ptr<T>&&) {});
}

struct Harness {
    Harness()
        : device(std::make_shared<QuietDevice>(fwup::HidConnectionMechanismFactory::CORVANE_VENDOR_ID,
                                               productId, path))
        , location(QStringLiteral("HID::0x%1::0x%2::%3")
                       .arg(fwup::HidConnectionMechanismFactory::CORVANE_VENDOR_ID, 4, 16, QLatin1Char('0'))
                       .arg(productId, 4, 16, QLatin1Char('0'))
                       .arg(path)) {
        fwup::muppet_connection_mechanism_factory_registry().append(
            QSharedPointer<fwup::HidConnectionMechanismFactory>::create(
                fwup::HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY));
        cuu::test::FakeHidBus::instance().plug(device);
        // The tunnel rides on a second connection to the same location, so both share one link.
        direct = fwup::MuppetConnection::establishConnection(location);
        tunnel = fwup::MuppetConnection::establishConnection(
            QStringLiteral("TNLV3::%1::IN::7::").arg(channel) + location);
        if (!direct || !tunnel) {
            qFatal("cannot connect to the simulated detector");
        }
        direct->addControlCentre(directCentre);
        direct->addFrameListener(outerFrames);
        tunnel->addControlCentre(tunnelCentre);
        tunnel->addFrameListener(innerFrames);
        decodeOnly<cvsw::muppet::control::ProductTypeCommand>(*tunnelCentre);
        decodeOnly<cvsw::muppet::control::SoftwareVersionCommand>(*tunnelCentre);
        decodeOnly<cvsw::muppet::control::HardwareVersionCommand>(*tunnelCentre);
        decodeOnly<cvsw::muppet::control::SerialNumberCommand>(*tunnelCentre);
        decodeOnly<cvsw::muppet::control::UpgradeableComponentValidityCommand>(*tunnelCentre);
    }

    std::shared_ptr<QuietDevice> device;
    QString location;
    std::shared_ptr<fwup::MuppetConnection> direct;
    std::shared_ptr<fwup::MuppetConnection> tunnel;
    std::shared_ptr<ControlCentre> directCentre = std::make_shared<ControlCentre>();
    std::shared_ptr<ControlCentre> tunnelCentre = std::make_shared<ControlCentre>();
    CentreRecorder directMessages{*directCentre, true};
    CentreRecorder tunnelMessages{*tunnelCentre, false};
    std::shared_ptr<FrameRecorder> outerFrames = std::make_shared<FrameRecorder>();
    std::shared_ptr<FrameRecorder> innerFrames = std::make_shared<FrameRecorder>();

    // Kept from input to input.
    cvsw::muppet::Mcobs1Codec encoder;
    cvsw::muppet::BasicStdVectorBuffer wire;
    cvsw::muppet::BasicStdVectorBuffer payload;
    std::vector<Frame> intact;
};

Harness* harness = nullptr;

// Reads the records onto the wire; false when some bytes went on it that are no intact frame.
bool buildWire(Harness& h, const std::uint8_t* data, std::size_t size) {
    cvsw::muppet::Notifier& notifier = fuzzsupport::notifier();
    bool onlyIntact = true;
    std::size_t at = 0;
    const auto next = [&]() -> std::uint8_t {
        return at < size ? data[at++] : 0;
    };
    while (at < size) {
        const std::uint8_t kind = next();
        std::uint8_t type = ControlCentre::CONTROL_FRAME_TYPE;
        if ((kind & 3) == 1) {
            type = TunnelDeviceMuppetConnection::DATA_FRAME_TYPE;
        } else if ((kind & 3) == 2) {
            type = next();
        }
        const bool damaged = (kind & 4) != 0;
        const std::uint8_t damageAt = damaged ? next() : 0;
        const std::size_t high = next() & 0x3F;
        const std::size_t length = std::min((high << 8) | next(), size - at);
        const std::uint8_t* bytes = data + at;
        at += length;

        if ((kind & 3) == 3) {
            std::copy_n(bytes, length, h.wire.prepare(notifier, length));
            h.wire.commit(notifier, length);
            onlyIntact = false;
            continue;
        }
        const std::size_t start = h.wire.size();
        h.encoder.encode(notifier, type, fuzzsupport::ReadView(bytes, length), h.wire);
        if (damaged) {
            h.wire.data()[start + damageAt % (h.wire.size() - start)] ^= 0xFF;
            onlyIntact = false;
        } else {
            h.intact.push_back(
                {type, QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length))});
        }
    }
    // Ends whatever the bytes left the decoder in, so that the next input starts afresh.
    h.wire.prepare(notifier, 1)[0] = 0x00;
    h.wire.commit(notifier, 1);
    return onlyIntact;
}

void sendReports(Harness& h, std::size_t size) {
    const auto* bytes = reinterpret_cast<const char*>(h.wire.data());
    for (std::size_t from = 0; from < h.wire.size(); from += size) {
        h.device->pushReport(
            QByteArray(bytes + from, static_cast<qsizetype>(std::min(size, h.wire.size() - from))));
    }
}

// Services until the device has nothing left to say; every pass reads one report.
void receive(Harness& h, bool alternate) {
    const int reports = h.device->pendingReportCount();
    for (int round = 0; h.device->pendingReportCount() > 0; ++round) {
        if (round > reports) {
            std::abort();
        }
        if (alternate && round % 2 == 1) {
            h.direct->service();
        } else {
            h.tunnel->service(*h.innerFrames);
        }
    }
}

// Whether the wanted frames arrived in order among the others.
bool arrivedInOrder(const std::vector<Frame>& wanted, const std::vector<Frame>& arrived) {
    auto from = arrived.begin();
    for (const Frame& frame : wanted) {
        from = std::find(from, arrived.end(), frame);
        if (from == arrived.end()) {
            return false;
        }
        ++from;
    }
    return true;
}

void check(const Harness& h, bool onlyIntact) {
    const std::vector<Frame>& outer = h.outerFrames->frames;
    if (onlyIntact ? outer != h.intact : !arrivedInOrder(h.intact, outer)) {
        std::abort();
    }
    std::vector<QByteArray> outerMessages;
    std::vector<Frame> inner;
    std::vector<QByteArray> innerMessages;
    for (const Frame& frame : outer) {
        outerMessages.push_back(frame.payload);
        if (frame.type != TunnelDeviceMuppetConnection::DATA_FRAME_TYPE || frame.payload.isEmpty()) {
            continue;
        }
        const auto address = static_cast<std::uint8_t>(frame.payload.at(0));
        if ((address & 0x0F) != channel || (address & 0x10) != 0) {
            continue;
        }
        const auto type = static_cast<std::uint8_t>(frame.payload.size() > 1 ? frame.payload.at(1) : 0);
        inner.push_back({type, frame.payload.mid(2)});
        if (type == ControlCentre::CONTROL_FRAME_TYPE) {
            innerMessages.push_back(inner.back().payload);
        }
    }
    if (h.innerFrames->frames != inner ||
        h.directMessages.entries != CentreRecorder::expected(outerMessages) ||
        h.tunnelMessages.entries != CentreRecorder::expected(innerMessages)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceLogging();
    static Harness instance;
    harness = &instance;
    // The tunnel's set-up frames go out before any input.
    instance.tunnel->service();
    instance.tunnel->service();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    Harness& h = *harness;
    const std::uint8_t flags = data[0];
    h.wire.clear();
    h.intact.clear();
    h.outerFrames->frames.clear();
    h.innerFrames->frames.clear();
    h.directMessages.entries.clear();
    h.tunnelMessages.entries.clear();

    const bool onlyIntact = buildWire(h, data + 1, size - 1);
    sendReports(h, 1 + (flags & 0x3F));
    if ((flags & 0x80) != 0) {
        h.tunnelCentre->queueMessage({0x02, 0x00, 0x14}); // GET product type
    }
    receive(h, (flags & 0x40) != 0);
    check(h, onlyIntact);
    return 0;
}
