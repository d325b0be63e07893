#include "muppet/mcobs1_codec.h"

#include "muppet/buffer.h"
#include "muppet/crc16_spi_fujitsu.h"
#include "muppet/frame_portal.h"
#include "muppet/notifier.h"

namespace cvsw::muppet {

namespace {

constexpr std::uint32_t kCategory = 2;
constexpr std::uint32_t kFrameStart = 0;
constexpr std::uint32_t kFramingError = 1;
constexpr std::uint32_t kCrcMismatch = 4;
constexpr std::uint32_t kNotEncoded = 5;

constexpr std::size_t kFullBlockData = 254;
constexpr std::uint8_t kFullBlockCode = 0xFF;

std::size_t lengthFieldSize(std::size_t payloadSize) {
    return payloadSize < 128 ? 1 : 2;
}

// COBS-stuffs raw frame bytes into a region that starts with the opening 0x00.
class Stuffer {
public:
    explicit Stuffer(std::uint8_t* out)
        : out_(out) {
        out_[0] = 0x00;
    }

    void put(std::uint8_t byte) {
        if (byte == 0x00) {
            closeBlock(static_cast<std::uint8_t>(count_ + 1));
            return;
        }
        out_[position_++] = byte;
        if (++count_ == kFullBlockData) {
            closeBlock(kFullBlockCode);
        }
    }

    // Closes the last block (a block of code 0x01 when the frame ended on a 0x00 or a full block) and
    // writes the closing delimiter; returns the number of bytes written.
    std::size_t finish() {
        out_[codeIndex_] = static_cast<std::uint8_t>(count_ + 1);
        out_[position_++] = 0x00;
        return position_;
    }

private:
    void closeBlock(std::uint8_t code) {
        out_[codeIndex_] = code;
        codeIndex_ = position_++;
        count_ = 0;
    }

    std::uint8_t* out_;
    std::size_t codeIndex_ = 1;
    std::size_t position_ = 2;
    std::size_t count_ = 0;
};

} // namespace

std::size_t Mcobs1Codec::maximumEncodedSize(std::size_t payloadSize) {
    // Every raw byte is written once (a 0x00 becomes a code byte), each full block adds a code byte,
    // the last block adds one, and the two delimiters.
    const std::size_t raw = lengthFieldSize(payloadSize) + 1 + payloadSize + 2;
    return raw + 3 + raw / kFullBlockData;
}

void Mcobs1Codec::encode(Notifier& notifier, std::uint8_t frameType, const Buffer& payload, Buffer& out) {
    const std::size_t length = payload.size();
    if (length > kMaximumPayloadSize) {
        notifier.notify(kCategory, kNotEncoded, 1);
        return;
    }
    std::uint8_t* region = out.prepare(notifier, maximumEncodedSize(length));
    if (region == nullptr) {
        notifier.notify(kCategory, kNotEncoded, 1);
        return;
    }

    std::uint8_t header[3];
    std::size_t headerSize = 0;
    if (length < 128) {
        header[headerSize++] = static_cast<std::uint8_t>(length);
    } else {
        header[headerSize++] = static_cast<std::uint8_t>((length >> 7) | 0x80);
        header[headerSize++] = static_cast<std::uint8_t>(length & 0x7F);
    }
    header[headerSize++] = frameType;

    const std::uint8_t* data = payload.data();
    std::uint16_t crc = Crc16SpiFujitsu::compute(header, headerSize);
    crc = Crc16SpiFujitsu::update(crc, data, length);

    Stuffer stuffer(region);
    for (std::size_t i = 0; i < headerSize; ++i) {
        stuffer.put(header[i]);
    }
    for (std::size_t i = 0; i < length; ++i) {
        stuffer.put(data[i]);
    }
    stuffer.put(static_cast<std::uint8_t>(crc >> 8));
    stuffer.put(static_cast<std::uint8_t>(crc & 0xFF));
    out.commit(notifier, stuffer.finish());
}

void Mcobs1Codec::decode(Notifier& notifier, const Buffer& in, Buffer& out, FramePortal& portal) {
    const std::uint8_t* data = in.data();
    const std::size_t size = in.size();
    for (std::size_t i = 0; i < size; ++i) {
        decodeByte(notifier, data[i], out, portal);
    }
}

void Mcobs1Codec::decodeByte(Notifier& notifier, std::uint8_t byte, Buffer& out, FramePortal& portal) {
    if (skipToDelimiter_) {
        if (byte == 0x00) {
            skipToDelimiter_ = false;
        }
        return;
    }

    if (blockBytesToCome_ == 0) {
        // A code byte is expected.
        if (byte == 0x00) {
            if (frameState_ != BetweenFrames) {
                endFrame(notifier, out, portal);
                frameState_ = BetweenFrames;
            }
            return;
        }
        blockBytesToCome_ = static_cast<std::uint16_t>(byte - 1);
        fullBlock_ = byte == kFullBlockCode;
        if (frameState_ == BetweenFrames) {
            out.clear();
            notifier.notify(kCategory, kFrameStart, 1);
            frameState_ = FirstLengthByte;
        }
    } else {
        if (byte == 0x00) {
            // The delimiter of a frame cut short; it is consumed, so the next byte may start a frame.
            notifier.notify(kCategory, kFramingError, 1);
            frameState_ = BetweenFrames;
            blockBytesToCome_ = 0;
            return;
        }
        --blockBytesToCome_;
        if (!acceptFrameByte(notifier, byte, out)) {
            frameError(notifier);
            return;
        }
    }

    // A block shorter than full stands for its data followed by one 0x00; the 0x00 implied by the
    // frame's last block is dropped.
    if (blockBytesToCome_ == 0 && !fullBlock_ && frameState_ != Complete) {
        if (!acceptFrameByte(notifier, 0x00, out)) {
            frameError(notifier);
        }
    }
}

bool Mcobs1Codec::acceptFrameByte(Notifier& notifier, std::uint8_t byte, Buffer& out) {
    switch (frameState_) {
    case BetweenFrames:
        return true;
    case FirstLengthByte:
        lengthBytes_[0] = byte;
        if ((byte & 0x80) != 0) {
            frameState_ = SecondLengthByte;
        } else {
            payloadLength_ = byte;
            frameState_ = Type;
        }
        return true;
    case SecondLengthByte:
        if ((byte & 0x80) != 0) {
            return false;
        }
        lengthBytes_[1] = byte;
        payloadLength_ = static_cast<std::uint16_t>(((lengthBytes_[0] & 0x7F) << 7) | byte);
        frameState_ = Type;
        return true;
    case Type:
        frameType_ = byte;
        frameState_ = payloadLength_ == 0 ? CrcHigh : Payload;
        return true;
    case Payload: {
        std::uint8_t* slot = out.prepare(notifier, 1);
        if (slot == nullptr) {
            return false;
        }
        *slot = byte;
        out.commit(notifier, 1);
        if (out.size() >= payloadLength_) {
            frameState_ = CrcHigh;
        }
        return true;
    }
    case CrcHigh:
        receivedCrc_ = static_cast<std::uint16_t>(byte << 8);
        frameState_ = CrcLow;
        return true;
    case CrcLow:
        receivedCrc_ = static_cast<std::uint16_t>(receivedCrc_ | byte);
        frameState_ = Complete;
        return true;
    case Complete:
    default:
        return false;
    }
}

void Mcobs1Codec::endFrame(Notifier& notifier, const Buffer& out, FramePortal& portal) {
    if (frameState_ != Complete) {
        notifier.notify(kCategory, kFramingError, 1);
        return;
    }
    const std::size_t lengthSize = (lengthBytes_[0] & 0x80) != 0 ? 2 : 1;
    std::uint16_t crc = Crc16SpiFujitsu::compute(lengthBytes_, lengthSize);
    crc = Crc16SpiFujitsu::update(crc, frameType_);
    crc = Crc16SpiFujitsu::update(crc, out.data(), out.size());
    if (crc != receivedCrc_) {
        notifier.notify(kCategory, kCrcMismatch, 1);
        return;
    }
    portal.receiveFrame(notifier, frameType_, out.data(), out.size());
}

void Mcobs1Codec::frameError(Notifier& notifier) {
    notifier.notify(kCategory, kFramingError, 1);
    frameState_ = BetweenFrames;
    blockBytesToCome_ = 0;
    fullBlock_ = false;
    skipToDelimiter_ = true;
}

} // namespace cvsw::muppet
