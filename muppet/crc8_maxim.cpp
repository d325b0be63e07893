#include "muppet/crc8_maxim.h"

#include <array>

namespace cvsw::muppet {

namespace {

constexpr std::uint8_t kReflectedPolynomial = 0x8C;

constexpr std::array<std::uint8_t, 256> makeTable() {
    std::array<std::uint8_t, 256> table{};
    for (unsigned int i = 0; i < 256; ++i) {
        auto crc = static_cast<std::uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint8_t>((crc & 0x01) != 0 ? (crc >> 1) ^ kReflectedPolynomial : crc >> 1);
        }
        table[i] = crc;
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> kTable = makeTable();

} // namespace

std::uint8_t Crc8Maxim::update(std::uint8_t crc, const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        crc = kTable[crc ^ data[i]];
    }
    return crc;
}

std::uint8_t Crc8Maxim::compute(const std::uint8_t* data, std::size_t size) {
    return update(0, data, size);
}

} // namespace cvsw::muppet
