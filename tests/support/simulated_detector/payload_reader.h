#pragma once

#include <QByteArray>

#include <cstdint>

namespace cuu::test {

// Reads big-endian fields from a request payload. A read past the end yields 0 and marks the
// reader failed; once failed, every later read yields 0 as well.
class PayloadReader {
public:
    explicit PayloadReader(const QByteArray& bytes)
        : bytes_(bytes) {}

    std::uint8_t u8() {
        if (!take(1)) {
            return 0;
        }
        return static_cast<std::uint8_t>(bytes_.at(position_ - 1));
    }
    std::uint16_t u16() {
        const std::uint16_t high = u8();
        const std::uint16_t low = u8();
        return failed_ ? 0 : static_cast<std::uint16_t>(high << 8 | low);
    }
    std::uint32_t u32() {
        const std::uint32_t high = u16();
        const std::uint32_t low = u16();
        return failed_ ? 0 : high << 16 | low;
    }
    QByteArray raw(qsizetype count) {
        if (!take(count)) {
            return {};
        }
        return bytes_.mid(position_ - count, count);
    }

    bool failed() const { return failed_; }
    qsizetype remaining() const { return bytes_.size() - position_; }

private:
    bool take(qsizetype count) {
        if (failed_ || count > remaining()) {
            failed_ = true;
            return false;
        }
        position_ += count;
        return true;
    }

    QByteArray bytes_;
    qsizetype position_ = 0;
    bool failed_ = false;
};

} // namespace cuu::test
