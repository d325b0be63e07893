// Feeds arbitrary gateway lines to the MC_M2M codec, split into reads of varying size, after the codec
// has sent its first frame and with it the request to connect, so that the gateway's connect answer
// is awaited. Checks that every frame the codec accepts comes through again unchanged when the gateway
// sends it back as an rxFrame.
//
// The last input byte steers the run: bits 0-6 pick the read size, bit 7 sends another frame after
// each of the first reads, so that answers to frames meet a moving request id.

#include "fuzz/fuzz_support.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include "fwup/communication/mcm2m_api_codec.h"
#include "muppet/basic_std_vector_buffer.h"
#include "muppet/frame_portal.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using cvsw::muppet::BasicStdVectorBuffer;

struct Frame {
    std::uint8_t type;
    QByteArray payload;
};

class CollectingPortal final : public cvsw::muppet::FramePortal {
public:
    void receiveFrame(cvsw::muppet::Notifier&, std::uint8_t frameType, const std::uint8_t* data,
                      std::size_t size) override {
        frames.push_back(
            {frameType, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))});
    }
    bool nextOutboundFrame(cvsw::muppet::Notifier&, std::uint8_t&, cvsw::muppet::Buffer*&) override {
        return false;
    }

    std::vector<Frame> frames;
};

const QUuid kDevice = QUuid::fromString(QLatin1String("{3f2504e0-4f89-41d3-9a0c-0305e82c3301}"));
const std::uint8_t kRequestPayload[] = {0x02, 0x00, 0x14};

// Buffers kept from input to input.
struct Buffers {
    BasicStdVectorBuffer pending;
    BasicStdVectorBuffer wire;
};

Buffers* buffers = nullptr;

// Sends one frame; the first goes out behind the connect request, each one on a line of its own.
void send(fwup::MCM2MAPICodec& codec, bool first) {
    buffers->wire.clear();
    codec.encode(fuzzsupport::notifier(), 0xFF,
                 fuzzsupport::ReadView(kRequestPayload, sizeof kRequestPayload), buffers->wire);
    const auto* begin = buffers->wire.data();
    const auto lines = std::count(begin, begin + buffers->wire.size(), '\n');
    if (lines != (first ? 2 : 1)) {
        std::abort();
    }
}

std::vector<Frame> decode(const std::uint8_t* data, std::size_t size, std::size_t chunk, bool sendBetween) {
    // Encoding costs far more than a read; a few frames between reads are enough to move the id.
    constexpr int framesBetweenReads = 8;
    fwup::MCM2MAPICodec codec(kDevice);
    send(codec, true);
    CollectingPortal portal;
    buffers->pending.clear();
    int read = 0;
    for (std::size_t from = 0; from < size; from += chunk, ++read) {
        const fuzzsupport::ReadView piece(data + from, std::min(chunk, size - from));
        codec.decode(fuzzsupport::notifier(), piece, buffers->pending, portal);
        if (sendBetween && read < framesBetweenReads) {
            send(codec, false);
        }
    }
    return std::move(portal.frames);
}

QByteArray rxFrameLine(const Frame& frame) {
    const QJsonObject inner{{QStringLiteral("frameType"), frame.type},
                            {QStringLiteral("payload"), QString::fromLatin1(frame.payload.toBase64())}};
    const QJsonObject notification{{QStringLiteral("name"), QStringLiteral("rxFrame")},
                                   {QStringLiteral("deviceUuid"), kDevice.toString()},
                                   {QStringLiteral("frame"), inner}};
    return QJsonDocument(QJsonObject{{QStringLiteral("notification"), notification}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceLogging();
    static Buffers kept;
    buffers = &kept;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t steer = size > 0 ? data[size - 1] : 0;
    const std::size_t chunk = 1 + (steer & 0x7F) % 97;

    for (const Frame& frame : decode(data, size, chunk, (steer & 0x80) != 0)) {
        const QByteArray line = rxFrameLine(frame);
        const std::vector<Frame> again = decode(reinterpret_cast<const std::uint8_t*>(line.constData()),
                                                static_cast<std::size_t>(line.size()), chunk, false);
        if (again.size() != 1 || again[0].type != frame.type || again[0].payload != frame.payload) {
            std::abort();
        }
    }
    return 0;
}
