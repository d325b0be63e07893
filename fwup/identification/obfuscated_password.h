#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace fwup {

// An operator password that is never stored whole: its bytes are picked out of a 32768-byte block
// by a table of 16 indices, and both the block and the table are kept masked. The password exists
// only while a login is being prepared. The tables are written by tools/generate_operator_passwords.py.
class ObfuscatedPassword {
public:
    static constexpr std::size_t BLOCK_SIZE = 32768;
    static constexpr std::size_t BLOCK_WORDS = BLOCK_SIZE / 8;
    static constexpr std::size_t PASSWORD_LENGTH = 16;

    constexpr ObfuscatedPassword(const std::uint64_t (&block)[BLOCK_WORDS], std::uint64_t blockKey,
                                 const std::int32_t (&indices)[PASSWORD_LENGTH], std::uint64_t indexKey)
        : block_(block)
        , blockKey_(blockKey)
        , indices_(indices)
        , indexKey_(indexKey) {}

    // The 16 password bytes; empty when an index falls outside the block, so a damaged table gives
    // no password rather than a wrong one.
    std::vector<unsigned char> reveal() const;

private:
    const std::uint64_t* block_;
    std::uint64_t blockKey_;
    const std::int32_t* indices_;
    std::uint64_t indexKey_;
};

} // namespace fwup
