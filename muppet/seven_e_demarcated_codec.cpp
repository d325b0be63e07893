#include "muppet/seven_e_demarcated_codec.h"

#include "muppet/buffer.h"
#include "muppet/crc8_maxim.h"
#include "muppet/frame_portal.h"
#include "muppet/notifier.h"

#include <algorithm>
#include <cstring>

namespace cvsw::muppet {

namespace {

constexpr std::uint32_t kCategory = 2;
constexpr std::uint32_t kFrameStart = 0;
constexpr std::uint32_t kFramingError = 1;
constexpr std::uint32_t kFrameAccepted = 2;
constexpr std::uint32_t kSequenceGap = 3;
constexpr std::uint32_t kChecksumMismatch = 4;
constexpr std::uint32_t kNotEncoded = 5;
// The two-value reports use their own codes.
constexpr std::uint32_t kRefused = 1;
constexpr std::uint32_t kChecksumMismatchShort = 3;

constexpr std::uint8_t kStartMarker = 0x7E;

} // namespace

void SevenEDemarcatedCodec::encode(Notifier& notifier, std::uint8_t frameType, const Buffer& payload,
                                   Buffer& out) {
    const std::size_t length = payload.size();
    // Sized in size_t: a 16-bit frame size would wrap for payloads near the 16-bit length limit.
    std::uint8_t* region =
        length > kMaximumPayloadSize ? nullptr : out.prepare(notifier, length + kHeaderSize);
    if (region == nullptr) {
        notifier.notify(kCategory, kRefused);
        notifier.notify(kCategory, kNotEncoded, 1);
        return;
    }
    const std::uint8_t* data = payload.data();
    region[0] = kStartMarker;
    region[1] = nextSequence_;
    region[2] = Crc8Maxim::compute(data, length);
    region[3] = frameType;
    region[4] = static_cast<std::uint8_t>(length >> 8);
    region[5] = static_cast<std::uint8_t>(length & 0xFF);
    if (length > 0) {
        std::memcpy(region + kHeaderSize, data, length);
    }
    out.commit(notifier, length + kHeaderSize);
    ++nextSequence_;
}

void SevenEDemarcatedCodec::decode(Notifier& notifier, const Buffer& in, Buffer& out, FramePortal& portal) {
    const std::uint8_t* data = in.data();
    const std::size_t size = in.size();
    std::size_t i = 0;
    while (i < size) {
        if (frameState_ == Payload) {
            // Copy the payload in one piece, as much of it as this read holds.
            const std::size_t missing = length_ - out.size();
            const std::size_t chunk = std::min(missing, size - i);
            std::uint8_t* slot = out.prepare(notifier, chunk);
            if (slot == nullptr) {
                notifier.notify(kCategory, kRefused);
                notifier.notify(kCategory, kFramingError, 1);
                skipCount_ = static_cast<std::uint32_t>(missing);
                frameState_ = Idle;
                continue;
            }
            std::memcpy(slot, data + i, chunk);
            out.commit(notifier, chunk);
            i += chunk;
            if (out.size() >= length_) {
                completeFrame(notifier, out, portal);
            }
            continue;
        }

        const std::uint8_t byte = data[i++];
        switch (frameState_) {
        case Idle:
            if (skipCount_ > 0) {
                --skipCount_;
            } else if (byte == kStartMarker) {
                out.clear();
                notifier.notify(kCategory, kFrameStart, 1);
                frameState_ = Sequence;
            }
            break;
        case Sequence:
            receivedSequence_ = byte;
            // Compared without wrapping: the frame after sequence 255 is always reported as a gap.
            if (lastAcceptedSequence_ != 0 && lastAcceptedSequence_ + 1 != receivedSequence_) {
                notifier.notify(kCategory, kSequenceGap, 1);
            }
            frameState_ = Checksum;
            break;
        case Checksum:
            receivedChecksum_ = byte;
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
            if (length_ > largestAcceptedLength_) {
                notifier.notify(kCategory, kFramingError, 1);
                frameState_ = Idle;
                break;
            }
            lastAcceptedSequence_ = receivedSequence_;
            frameState_ = Payload;
            if (length_ == 0) {
                completeFrame(notifier, out, portal);
            }
            break;
        default:
            frameState_ = Idle;
            break;
        }
    }
}

void SevenEDemarcatedCodec::completeFrame(Notifier& notifier, const Buffer& out, FramePortal& portal) {
    frameState_ = Idle;
    if (Crc8Maxim::compute(out.data(), out.size()) != receivedChecksum_) {
        notifier.notify(kCategory, kChecksumMismatchShort);
        notifier.notify(kCategory, kFramingError, 1);
        notifier.notify(kCategory, kChecksumMismatch, 1);
        return;
    }
    notifier.notify(kCategory, kFrameAccepted, 1);
    portal.receiveFrame(notifier, frameType_, out.data(), out.size());
}

} // namespace cvsw::muppet
