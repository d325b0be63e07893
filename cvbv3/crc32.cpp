#include "cvbv3/crc32.h"

#include <array>

namespace cvsw::cvbv3 {

namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1u) != 0 ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        }
        table[i] = value;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> Table = makeTable();

} // namespace

std::uint32_t Crc32::update(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < length; ++i) {
        crc = (crc >> 8) ^ Table[(crc ^ bytes[i]) & 0xFFu];
    }
    return crc;
}

} // namespace cvsw::cvbv3
