#pragma once

#include <QByteArray>

#include <cstdint>

namespace cuu::test {

// Appends big-endian fields to a control message, as the device writes them.
class PayloadWriter {
public:
    PayloadWriter& u8(std::uint8_t value) {
        bytes_.append(static_cast<char>(value));
        return *this;
    }
    PayloadWriter& u16(std::uint16_t value) {
        u8(static_cast<std::uint8_t>(value >> 8));
        return u8(static_cast<std::uint8_t>(value));
    }
    PayloadWriter& u32(std::uint32_t value) {
        u16(static_cast<std::uint16_t>(value >> 16));
        return u16(static_cast<std::uint16_t>(value));
    }
    PayloadWriter& boolean(bool value) { return u8(value ? 1 : 0); }
    PayloadWriter& raw(const QByteArray& bytes) {
        bytes_.append(bytes);
        return *this;
    }

    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

} // namespace cuu::test
