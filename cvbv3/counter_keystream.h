#pragma once

#include "security/sha256.h"

#include <array>
#include <cstdint>

namespace cvsw::cvbv3 {

// The keystream of an encrypted block: block i is SHA-256 of a 32-byte counter, which then goes up by
// one as a little-endian 256-bit number (a carry out of the last byte is lost). The counter is kept
// already padded as a one-block SHA-256 message, so each keystream block costs one compression.
class CounterKeystream {
public:
    CounterKeystream();

    void reset(const std::array<std::uint8_t, 32>& counter);
    // Writes the next 32 keystream bytes and advances the counter.
    void next(std::uint8_t* keystream);

    std::array<std::uint8_t, 32> counter() const;

private:
    std::array<std::uint8_t, 64> message_;
    security::Sha256Context context_; // reused: only its state words matter for one compression
    std::array<std::uint32_t, 8> initialState_;
};

} // namespace cvsw::cvbv3
