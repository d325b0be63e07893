// Feeds arbitrary bytes to the three frame decoders and the location-string parsers, and checks that
// whatever a decoder accepts, and the input itself as a payload, survives an encode/decode round trip.

#include "fuzz/fuzz_support.h"

#include "fwup/communication/detector_location_string.h"
#include "muppet/basic_std_vector_buffer.h"
#include "muppet/dle16_escaped_codec.h"
#include "muppet/frame_portal.h"
#include "muppet/mcobs1_codec.h"
#include "muppet/seven_e_demarcated_codec.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using cvsw::muppet::BasicStdVectorBuffer;
using cvsw::muppet::Buffer;
using cvsw::muppet::Codec;

struct Frame {
    std::uint8_t type;
    std::vector<std::uint8_t> payload;
};

class CollectingPortal final : public cvsw::muppet::FramePortal {
public:
    void receiveFrame(cvsw::muppet::Notifier&, std::uint8_t frameType, const std::uint8_t* data,
                      std::size_t size) override {
        frames.push_back({frameType, std::vector<std::uint8_t>(data, data + size)});
    }
    bool nextOutboundFrame(cvsw::muppet::Notifier&, std::uint8_t&, Buffer*&) override { return false; }

    std::vector<Frame> frames;
};

cvsw::muppet::Notifier& notifier = fuzzsupport::notifier();

// Kept from input to input: a decoder's accumulator and an encoded frame.
BasicStdVectorBuffer accumulator;
BasicStdVectorBuffer wire;

// Decodes the bytes in reads of chunk bytes, as an endpoint would hand them over.
std::vector<Frame> decode(Codec& codec, const std::uint8_t* data, std::size_t size, std::size_t chunk) {
    CollectingPortal portal;
    accumulator.clear();
    for (std::size_t from = 0; from < size; from += chunk) {
        const fuzzsupport::ReadView read(data + from, std::min(chunk, size - from));
        codec.decode(notifier, read, accumulator, portal);
    }
    return std::move(portal.frames);
}

template <typename CodecType>
void checkRoundTrip(std::uint8_t type, const std::uint8_t* payload, std::size_t size, std::size_t chunk) {
    CodecType sender;
    wire.clear();
    sender.encode(notifier, type, fuzzsupport::ReadView(payload, size), wire);
    CodecType receiver;
    const std::vector<Frame> frames = decode(receiver, wire.data(), wire.size(), chunk);
    if (frames.size() != 1 || frames[0].type != type || frames[0].payload.size() != size ||
        (size > 0 && std::memcmp(frames[0].payload.data(), payload, size) != 0)) {
        std::abort();
    }
}

template <typename CodecType>
void fuzzCodec(const std::uint8_t* data, std::size_t size, std::size_t chunk, std::size_t largestPayload) {
    CodecType codec;
    for (const Frame& frame : decode(codec, data, size, chunk)) {
        checkRoundTrip<CodecType>(frame.type, frame.payload.data(), frame.payload.size(), chunk);
    }
    if (size <= largestPayload) {
        checkRoundTrip<CodecType>(size > 0 ? data[0] : 0xFF, data, size, chunk);
    }
}

void fuzzLocation(const QString& location, int depth) {
    fwup::HidLocationInfo hid;
    fwup::SerialLocationInfo serial;
    fwup::TcpLocationInfo tcp;
    fwup::MuppetCommanderLocationInfo commander;
    fwup::TunnelInfo tunnel;
    fwup::try_split_detector_location_string(location, hid);
    fwup::try_split_detector_location_string(location, serial);
    fwup::try_split_detector_location_string(location, tcp);
    fwup::try_split_detector_location_string(location, commander);
    fwup::msd::split_and_validate_detector_location_string(location);
    fwup::hid::split_and_validate_detector_location_string(location);
    if (fwup::try_split_detector_location_string(location, tunnel) && depth < 4) {
        fuzzLocation(tunnel.innerLocation, depth + 1);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The last byte picks how the stream is split into reads; HID reads are 64 bytes.
    const std::size_t chunk = size > 0 ? 1 + data[size - 1] % 64 : 1;

    fuzzCodec<cvsw::muppet::Mcobs1Codec>(data, size, chunk, cvsw::muppet::Mcobs1Codec::kMaximumPayloadSize);
    fuzzCodec<cvsw::muppet::Dle16EscapedCodec>(data, size, chunk,
                                               cvsw::muppet::Dle16EscapedCodec::kMaximumPayloadSize);
    fuzzCodec<cvsw::muppet::SevenEDemarcatedCodec>(data, size, chunk, 4096);

    fuzzLocation(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), 0);
    return 0;
}
