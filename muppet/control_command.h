#pragma once

#include "muppet/control_mode.h"
#include "muppet/endian_extractor.h"
#include "muppet/endian_inserter.h"

#include <array>
#include <cstdint>
#include <memory>

namespace cvsw::muppet::control {

// The fields every command object starts with: the message header and, for ERR replies, the
// error code, the mode of the message that failed and four detail bytes kept as received.
struct CommandHeader {
    Mode mode = Mode::GET;
    Group group = DEVICE_GROUP;
    std::uint16_t id = 0;
    std::uint8_t errorCode = 0;
    Mode failedMode = Mode::ERR;
    std::array<std::uint8_t, 4> errorDetail{};

    // The mode whose payload travels: the failed mode of an ERR message, else the mode.
    Mode effectiveMode() const { return mode == Mode::ERR ? failedMode : mode; }

    // Header byte, id and, in mode ERR, the error fields.
    void encodeHeader(EndianInserter& out) const;

    // Reads the error fields of an ERR message. A field the input does not hold keeps its
    // default; the detail is taken only when all four bytes are there. True when all were read.
    bool decodeErrorFields(ControlExtractor& in);

    friend bool operator==(const CommandHeader&, const CommandHeader&) = default;
};

// Base of every command class: fixes its group and id and builds encode and decode from the
// class's own encodePayload (EndianInserter&, Mode) and decodePayload (ControlExtractor&, Mode).
template <typename Derived, std::uint16_t Id>
class ControlCommand : public CommandHeader {
public:
    static constexpr Group GROUP = DEVICE_GROUP;
    static constexpr std::uint16_t ID = Id;

    explicit ControlCommand(Mode commandMode = Mode::GET)
        : CommandHeader{commandMode, GROUP, ID} {}

    void encode(EndianInserter& out) const {
        encodeHeader(out);
        static_cast<const Derived&>(*this).encodePayload(out, effectiveMode());
    }

    // Builds the command from the bytes after the 3-byte header. An ERR message is always
    // delivered, however short; a message of another mode whose payload falls short gives null.
    static std::unique_ptr<Derived> decode(ControlExtractor& in, Mode messageMode) {
        auto command = std::make_unique<Derived>(messageMode);
        if (messageMode == Mode::ERR) {
            if (command->decodeErrorFields(in)) {
                command->decodePayload(in, command->failedMode);
            }
            return command;
        }
        command->decodePayload(in, messageMode);
        if (in.failed()) {
            return nullptr;
        }
        return command;
    }
};

} // namespace cvsw::muppet::control
