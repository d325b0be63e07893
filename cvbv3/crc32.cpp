#include "cvbv3/crc32.h"

namespace cvsw::cvbv3 {

namespace {

struct Tables {
    std::uint32_t t[8][256];
};

// Table 0 is the classic byte table; tables 1 to 7 let eight bytes be folded per step (slicing by 8),
// which keeps the data checks of a large block well ahead of the file reads.
constexpr Tables makeTables() {
    Tables tables{};
    auto& table = tables.t;
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1u) != 0 ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        }
        table[0][i] = value;
    }
    for (std::size_t t = 1; t < 8; ++t) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t previous = table[t - 1][i];
            table[t][i] = (previous >> 8) ^ table[0][previous & 0xFFu];
        }
    }
    return tables;
}

constexpr Tables Crc = makeTables();
constexpr const std::uint32_t (&T)[8][256] = Crc.t;

} // namespace

std::uint32_t Crc32::update(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (; length >= 8; bytes += 8, length -= 8) {
        const std::uint32_t low = crc ^ (std::uint32_t{bytes[0]} | (std::uint32_t{bytes[1]} << 8) |
                                         (std::uint32_t{bytes[2]} << 16) | (std::uint32_t{bytes[3]} << 24));
        crc = T[7][low & 0xFFu] ^ T[6][(low >> 8) & 0xFFu] ^ T[5][(low >> 16) & 0xFFu] ^ T[4][low >> 24] ^
              T[3][bytes[4]] ^ T[2][bytes[5]] ^ T[1][bytes[6]] ^ T[0][bytes[7]];
    }
    for (; length > 0; ++bytes, --length) {
        crc = (crc >> 8) ^ T[0][(crc ^ *bytes) & 0xFFu];
    }
    return crc;
}

} // namespace cvsw::cvbv3
