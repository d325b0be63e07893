#pragma once

#include "muppet/codec.h"

#include <cstdint>

namespace cvsw::muppet {

// The framing of every live device link: [length (1 or 2 bytes)][type][payload][CRC-16 high, low],
// COBS-stuffed and written between two 0x00 delimiters. Payloads of up to 16383 bytes.
//
// Reports (category 2, slot with a third value of 1): 0 frame start, 1 framing error, 4 CRC mismatch,
// 5 frame not encoded.
class Mcobs1Codec final : public Codec {
public:
    static constexpr std::size_t kMaximumPayloadSize = 16383;

    Mcobs1Codec() = default;

    void decode(Notifier& notifier, const Buffer& in, Buffer& out, FramePortal& portal) override;
    void encode(Notifier& notifier, std::uint8_t frameType, const Buffer& payload, Buffer& out) override;

    // The most bytes encode writes for a payload of the given size.
    static std::size_t maximumEncodedSize(std::size_t payloadSize);

private:
    enum FrameState : std::uint8_t {
        BetweenFrames = 0,
        FirstLengthByte = 1,
        SecondLengthByte = 2,
        Type = 3,
        Payload = 4,
        CrcHigh = 5,
        CrcLow = 6,
        Complete = 7,
    };

    void decodeByte(Notifier& notifier, std::uint8_t byte, Buffer& out, FramePortal& portal);
    // Feeds one unstuffed byte to the frame state machine; false on a framing error.
    bool acceptFrameByte(Notifier& notifier, std::uint8_t byte, Buffer& out);
    void endFrame(Notifier& notifier, const Buffer& out, FramePortal& portal);
    void frameError(Notifier& notifier);

    std::uint8_t frameState_ = BetweenFrames;
    std::uint16_t blockBytesToCome_ = 0;
    bool fullBlock_ = false;
    // After an error inside a frame everything up to the next 0x00 is skipped.
    bool skipToDelimiter_ = false;
    std::uint16_t payloadLength_ = 0;
    std::uint8_t lengthBytes_[2] = {0, 0};
    std::uint8_t frameType_ = 0;
    std::uint16_t receivedCrc_ = 0;
};

} // namespace cvsw::muppet
