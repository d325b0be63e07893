#include "fwup/identification/obfuscated_password.h"

namespace fwup {

namespace {

// Word n of the splitmix64 stream started at key: the mask of block word n and of index n.
std::uint64_t mask(std::uint64_t key, std::uint64_t n) {
    std::uint64_t z = key + (n + 1) * 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

} // namespace

std::vector<unsigned char> ObfuscatedPassword::reveal() const {
    std::vector<unsigned char> password;
    password.reserve(PASSWORD_LENGTH);
    for (std::size_t i = 0; i < PASSWORD_LENGTH; ++i) {
        const auto masked = static_cast<std::uint32_t>(indices_[i]);
        const auto index = static_cast<std::int32_t>(masked ^ static_cast<std::uint32_t>(mask(indexKey_, i)));
        if (index < 0 || static_cast<std::size_t>(index) >= BLOCK_SIZE) {
            return {};
        }
        const std::size_t word = static_cast<std::size_t>(index) / 8;
        const unsigned shift = 8 * (static_cast<unsigned>(index) % 8);
        password.push_back(
            static_cast<unsigned char>(((block_[word] ^ mask(blockKey_, word)) >> shift) & 0xFF));
    }
    return password;
}

} // namespace fwup
