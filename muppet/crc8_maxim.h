#pragma once

#include <cstddef>
#include <cstdint>

namespace cvsw::muppet {

// CRC-8/MAXIM (the Dallas 1-Wire CRC): reflected polynomial 0x8C, initial value 0, no final XOR.
// Protects the payload of 7E frames.
class Crc8Maxim {
public:
    static std::uint8_t update(std::uint8_t crc, const std::uint8_t* data, std::size_t size);
    static std::uint8_t compute(const std::uint8_t* data, std::size_t size);
};

} // namespace cvsw::muppet
