#pragma once

#include "tests/support/control_device/control_centre_device.h"

#include "muppet/control_centre.h"
#include "muppet/control_mode.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <vector>

namespace getter_test {

using cuu::test::Message;

inline Message hex(const char* text) {
    const QByteArray bytes = QByteArray::fromHex(text);
    return {bytes.begin(), bytes.end()};
}

inline QByteArray toBytes(const Message& message) {
    return QByteArray(reinterpret_cast<const char*>(message.data()), qsizetype(message.size()));
}

// The three-byte GET of a group-2 command.
inline Message getRequest(std::uint16_t id) {
    return {0x02, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)};
}

// An INF reply of the command with the given payload bytes (hex).
inline Message infReply(std::uint16_t id, const char* payloadHex) {
    Message message{0x82, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id)};
    const Message payload = hex(payloadHex);
    message.insert(message.end(), payload.begin(), payload.end());
    return message;
}

// An ERR reply of the command: error code, failed mode GET, no detail.
inline Message errReply(std::uint16_t id, std::uint8_t errorCode) {
    return {0xC2, static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id), errorCode, 0x00, 0, 0, 0,
            0};
}

// Answers every request of one command id with the next answer of a script; requests past the
// script's end, and requests of other ids, get no answer.
class ScriptedAnswers {
public:
    ScriptedAnswers(std::uint16_t id, std::vector<Message> answers)
        : id_(id)
        , answers_(std::move(answers)) {}

    std::vector<Message> operator()(const Message& request) {
        if (request.size() < 3 || ((request[1] << 8) | request[2]) != id_ || next_ >= answers_.size()) {
            return {};
        }
        return {answers_[next_++]};
    }

private:
    std::uint16_t id_;
    std::vector<Message> answers_;
    std::size_t next_ = 0;
};

} // namespace getter_test
