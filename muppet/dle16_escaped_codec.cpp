#include "muppet/dle16_escaped_codec.h"

#include "muppet/buffer.h"
#include "muppet/crc16_spi_fujitsu.h"
#include "muppet/frame_portal.h"
#include "muppet/notifier.h"

namespace cvsw::muppet {

namespace {

constexpr std::uint32_t kCategory = 2;
constexpr std::uint32_t kFrameStart = 0;
constexpr std::uint32_t kFramingError = 1;
constexpr std::uint32_t kSequenceGap = 3;
constexpr std::uint32_t kCrcMismatch = 4;
constexpr std::uint32_t kNotEncoded = 5;

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;

std::size_t countDle(const std::uint8_t* data, std::size_t size) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < size; ++i) {
        count += data[i] == kDle ? 1 : 0;
    }
    return count;
}

} // namespace

void Dle16EscapedCodec::encode(Notifier& notifier, std::uint8_t frameType, const Buffer& payload,
                               Buffer& out) {
    const std::size_t length = payload.size();
    if (length > kMaximumPayloadSize) {
        notifier.notify(kCategory, kNotEncoded, 1);
        return;
    }
    const std::uint8_t* data = payload.data();
    const std::uint8_t header[4] = {nextSequence_, frameType, static_cast<std::uint8_t>(length >> 8),
                                    static_cast<std::uint8_t>(length & 0xFF)};
    std::uint16_t crc = Crc16SpiFujitsu::compute(header + 1, 3);
    crc = Crc16SpiFujitsu::update(crc, data, length);
    const std::uint8_t trailer[2] = {static_cast<std::uint8_t>(crc >> 8),
                                     static_cast<std::uint8_t>(crc & 0xFF)};

    const std::size_t total =
        length + 10 + countDle(header, 4) + countDle(data, length) + countDle(trailer, 2);
    std::uint8_t* region = out.prepare(notifier, total);
    if (region == nullptr) {
        notifier.notify(kCategory, kNotEncoded, 1);
        return;
    }

    std::size_t position = 0;
    const auto put = [&](std::uint8_t byte) {
        region[position++] = byte;
        if (byte == kDle) {
            region[position++] = kDle;
        }
    };
    region[position++] = kDle;
    region[position++] = kStx;
    for (const std::uint8_t byte : header) {
        put(byte);
    }
    for (std::size_t i = 0; i < length; ++i) {
        put(data[i]);
    }
    for (const std::uint8_t byte : trailer) {
        put(byte);
    }
    region[position++] = kDle;
    region[position++] = kEtx;
    out.commit(notifier, position);
    ++nextSequence_;
}

void Dle16EscapedCodec::decode(Notifier& notifier, const Buffer& in, Buffer& out, FramePortal& portal) {
    const std::uint8_t* data = in.data();
    const std::size_t size = in.size();
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if (escapePending_ == 0 && byte == kDle) {
            escapePending_ = 1;
            continue;
        }
        const bool escaped = escapePending_ != 0;
        escapePending_ = 0;
        decodeByte(notifier, byte, escaped, out, portal);
    }
}

void Dle16EscapedCodec::decodeByte(Notifier& notifier, std::uint8_t byte, bool escaped, Buffer& out,
                                   FramePortal& portal) {
    if (frameState_ == Idle) {
        if (escaped && byte == kStx) {
            out.clear();
            notifier.notify(kCategory, kFrameStart, 1);
            frameState_ = Sequence;
        }
        return;
    }
    if (frameState_ == End) {
        if (!escaped || byte != kEtx) {
            frameError(notifier);
            return;
        }
        const std::uint8_t header[3] = {frameType_, static_cast<std::uint8_t>(length_ >> 8),
                                        static_cast<std::uint8_t>(length_ & 0xFF)};
        std::uint16_t crc = Crc16SpiFujitsu::compute(header, 3);
        crc = Crc16SpiFujitsu::update(crc, out.data(), out.size());
        frameState_ = Idle;
        if (crc != receivedCrc_) {
            notifier.notify(kCategory, kCrcMismatch, 1);
            return;
        }
        portal.receiveFrame(notifier, frameType_, out.data(), out.size());
        return;
    }
    if (escaped && byte != kDle) {
        frameError(notifier);
        return;
    }

    switch (frameState_) {
    case Sequence:
        receivedSequence_ = byte;
        if (receivedSequence_ != static_cast<std::uint8_t>(lastSequence_ + 1)) {
            notifier.notify(kCategory, kSequenceGap, 1);
        }
        lastSequence_ = receivedSequence_;
        frameState_ = Type;
        break;
    case Type:
        frameType_ = byte;
        frameState_ = LengthHigh;
        break;
    case LengthHigh:
        length_ = static_cast<std::uint16_t>(byte << 8);
        frameState_ = LengthLow;
        break;
    case LengthLow:
        length_ = static_cast<std::uint16_t>(length_ | byte);
        frameState_ = length_ == 0 ? CrcHigh : Payload;
        break;
    case Payload: {
        std::uint8_t* slot = out.prepare(notifier, 1);
        if (slot == nullptr) {
            frameError(notifier);
            return;
        }
        *slot = byte;
        out.commit(notifier, 1);
        if (out.size() >= length_) {
            frameState_ = CrcHigh;
        }
        break;
    }
    case CrcHigh:
        receivedCrc_ = static_cast<std::uint16_t>(byte << 8);
        frameState_ = CrcLow;
        break;
    case CrcLow:
        receivedCrc_ = static_cast<std::uint16_t>(receivedCrc_ | byte);
        frameState_ = End;
        break;
    default:
        frameError(notifier);
        break;
    }
}

void Dle16EscapedCodec::frameError(Notifier& notifier) {
    notifier.notify(kCategory, kFramingError, 1);
    frameState_ = Idle;
}

} // namespace cvsw::muppet
