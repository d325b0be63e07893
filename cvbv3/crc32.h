#pragma once

#include <cstddef>
#include <cstdint>

namespace cvsw::cvbv3 {

// The container checksum: the reflected IEEE 802.3 table (polynomial 0xEDB88320), but with an initial
// register of 0 and no final XOR, so it differs from the common CRC-32 and zero bytes leave it at 0.
class Crc32 {
public:
    // Folds length bytes into a running register; a CRC taken in pieces equals the CRC taken at once.
    static std::uint32_t update(std::uint32_t crc, const void* data, std::size_t length);
    static std::uint32_t compute(const void* data, std::size_t length) { return update(0, data, length); }
};

} // namespace cvsw::cvbv3
