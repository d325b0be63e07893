#pragma once

#include <cstddef>
#include <cstdint>

namespace cvsw::muppet {

// CRC-16/SPI-FUJITSU (also known as CRC-16/AUG-CCITT): polynomial 0x1021, initial value 0x1D0F,
// most significant bit first, no final XOR. Protects Mcobs1 and DLE16 frames.
class Crc16SpiFujitsu {
public:
    static constexpr std::uint16_t kInitialValue = 0x1D0F;

    static std::uint16_t update(std::uint16_t crc, std::uint8_t byte);
    static std::uint16_t update(std::uint16_t crc, const std::uint8_t* data, std::size_t size);
    static std::uint16_t compute(const std::uint8_t* data, std::size_t size);
};

} // namespace cvsw::muppet
