#include "muppet/crc16_spi_fujitsu.h"

#include <array>

namespace cvsw::muppet {

namespace {

constexpr std::uint16_t kPolynomial = 0x1021;

constexpr std::array<std::uint16_t, 256> makeTable() {
    std::array<std::uint16_t, 256> table{};
    for (unsigned int i = 0; i < 256; ++i) {
        auto crc = static_cast<std::uint16_t>(i << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = static_cast<std::uint16_t>((crc & 0x8000) != 0 ? (crc << 1) ^ kPolynomial : crc << 1);
        }
        table[i] = crc;
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

} // namespace

std::uint16_t Crc16SpiFujitsu::update(std::uint16_t crc, std::uint8_t byte) {
    return static_cast<std::uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ byte) & 0xFF]);
}

std::uint16_t Crc16SpiFujitsu::update(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        crc = update(crc, data[i]);
    }
    return crc;
}

std::uint16_t Crc16SpiFujitsu::compute(const std::uint8_t* data, std::size_t size) {
    return update(kInitialValue, data, size);
}

} // namespace cvsw::muppet
