#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

// Field access shared by the two header records; both keep their bytes exactly as stored.
namespace cvsw::cvbv3::detail {

template <std::size_t N>
std::uint32_t read_le32(const std::array<std::uint8_t, N>& data, std::size_t offset) {
    if (offset > N || N - offset < 4) {
        throw std::out_of_range("Offset out of range.");
    }
    return std::uint32_t{data[offset]} | (std::uint32_t{data[offset + 1]} << 8) |
           (std::uint32_t{data[offset + 2]} << 16) | (std::uint32_t{data[offset + 3]} << 24);
}

template <std::size_t N>
void write_le32(std::array<std::uint8_t, N>& data, std::size_t offset, std::uint32_t value) {
    if (offset > N || N - offset < 4) {
        throw std::out_of_range("Offset out of range.");
    }
    for (std::size_t i = 0; i < 4; ++i) {
        data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

template <std::size_t Length, std::size_t N>
std::array<std::uint8_t, Length> read_bytes(const std::array<std::uint8_t, N>& data, std::size_t offset) {
    static_assert(Length <= N);
    std::array<std::uint8_t, Length> bytes{};
    std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(offset), Length, bytes.begin());
    return bytes;
}

template <std::size_t Length, std::size_t N>
void write_bytes(std::array<std::uint8_t, N>& data, std::size_t offset,
                 const std::array<std::uint8_t, Length>& bytes) {
    static_assert(Length <= N);
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
}

inline std::array<std::uint8_t, 64> description_from_text(const std::string& text) {
    if (text.size() > 64) {
        throw std::length_error("String longer than build description.");
    }
    std::array<std::uint8_t, 64> bytes{};
    std::copy(text.begin(), text.end(), bytes.begin());
    return bytes;
}

} // namespace cvsw::cvbv3::detail
