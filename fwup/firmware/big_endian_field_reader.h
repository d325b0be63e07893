#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace cvsw::cvbv3 {

// Reads the big-endian fields of a metadata header held whole in a buffer, front to back. Reading past
// the buffer is a programming error.
class BigEndianFieldReader {
public:
    BigEndianFieldReader(const std::uint8_t* data, std::size_t size)
        : data_(data)
        , size_(size) {}

    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }

    template <std::size_t N>
    std::array<std::uint8_t, N> bytes() {
        need(N);
        std::array<std::uint8_t, N> result{};
        for (std::size_t i = 0; i < N; ++i) {
            result[i] = data_[offset_ + i];
        }
        offset_ += N;
        return result;
    }

    std::size_t offset() const { return offset_; }

private:
    void need(std::size_t count) const {
        if (count > size_ - offset_) {
            throw std::logic_error("Metadata field read beyond the header.");
        }
    }

    std::uint64_t take(std::size_t count) {
        need(count);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < count; ++i) {
            value = (value << 8) | data_[offset_ + i];
        }
        offset_ += count;
        return value;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t offset_ = 0;
};

} // namespace cvsw::cvbv3
