#pragma once

#include "muppet/codec.h"

#include <cstdint>

namespace cvsw::muppet {

// 0x7E-demarcated framing without stuffing: [0x7E][sequence][CRC-8 of the payload][type]
// [length, big-endian][payload]. The decoder accepts payloads of up to 4096 bytes.
//
// Reports: (2, 0) frame start, (2, 1) framing error, (2, 2) frame accepted, (2, 3) sequence gap,
// (2, 4) checksum mismatch, (2, 5) frame not encoded, all with a third value of 1; and without one,
// (2, 1) encode refused or no room, (2, 3) checksum mismatch.
class SevenEDemarcatedCodec final : public Codec {
public:
    static constexpr std::size_t kMaximumPayloadSize = 0xFFFF;
    static constexpr std::size_t kHeaderSize = 6;

    SevenEDemarcatedCodec() = default;

    void decode(Notifier& notifier, const Buffer& in, Buffer& out, FramePortal& portal) override;
    void encode(Notifier& notifier, std::uint8_t frameType, const Buffer& payload, Buffer& out) override;

private:
    enum FrameState : std::uint32_t {
        Idle = 0,
        Sequence = 1,
        Checksum = 2,
        Type = 3,
        LengthHigh = 4,
        LengthLow = 5,
        Payload = 6,
    };

    void completeFrame(Notifier& notifier, const Buffer& out, FramePortal& portal);

    std::uint32_t frameState_ = Idle;
    std::uint32_t skipCount_ = 0;
    std::uint8_t lastAcceptedSequence_ = 0;
    std::uint8_t receivedSequence_ = 0;
    std::uint8_t receivedChecksum_ = 0;
    std::uint8_t frameType_ = 0;
    std::uint16_t length_ = 0;
    std::uint8_t nextSequence_ = 0;
    std::uint16_t largestAcceptedLength_ = 4096;
};

} // namespace cvsw::muppet
