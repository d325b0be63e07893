#pragma once

#include "muppet/codec.h"

#include <cstdint>

namespace cvsw::muppet {

// DLE/STX ... DLE/ETX framing: [sequence][type][length, big-endian][payload][CRC-16 high, low], every
// 0x10 among them doubled. The CRC (CRC-16/SPI-FUJITSU) covers type, length and payload.
//
// Reports (category 2, slot with a third value of 1): 0 frame start, 1 framing error, 3 sequence gap,
// 4 CRC mismatch, 5 frame not encoded.
class Dle16EscapedCodec final : public Codec {
public:
    static constexpr std::size_t kMaximumPayloadSize = 0xFFFF;

    Dle16EscapedCodec() = default;

    void decode(Notifier& notifier, const Buffer& in, Buffer& out, FramePortal& portal) override;
    void encode(Notifier& notifier, std::uint8_t frameType, const Buffer& payload, Buffer& out) override;

private:
    enum FrameState : std::uint32_t {
        Idle = 0,
        Sequence = 1,
        Type = 2,
        LengthHigh = 3,
        LengthLow = 4,
        Payload = 5,
        CrcHigh = 6,
        CrcLow = 7,
        End = 8,
    };

    void decodeByte(Notifier& notifier, std::uint8_t byte, bool escaped, Buffer& out, FramePortal& portal);
    void frameError(Notifier& notifier);

    std::uint32_t frameState_ = Idle;
    std::uint8_t lastSequence_ = 0xFF;
    std::uint8_t receivedSequence_ = 0;
    std::uint16_t receivedCrc_ = 0;
    std::uint8_t frameType_ = 0;
    std::uint16_t length_ = 0;
    std::uint8_t escapePending_ = 0;
    std::uint8_t nextSequence_ = 0;
};

} // namespace cvsw::muppet
