#include "cvbv3/counter_keystream.h"

#include "security/sha256.h"

#include <algorithm>

namespace cvsw::cvbv3 {

CounterKeystream::CounterKeystream()
    : message_{} {
    security::sha256_start(context_);
    initialState_ = context_.state;
    // SHA-256 padding of a 32-byte message: the 0x80 marker and the length, 256 bits, big-endian.
    message_[32] = 0x80;
    message_[62] = 0x01;
}

void CounterKeystream::reset(const std::array<std::uint8_t, 32>& counter) {
    std::copy(counter.begin(), counter.end(), message_.begin());
}

void CounterKeystream::next(std::uint8_t* keystream) {
    context_.state = initialState_;
    security::sha256_process_block(context_, message_.data());
    // The digest is the state words big-endian; stored directly, as this runs once per 32 bytes.
    for (std::size_t word = 0; word < 8; ++word) {
        const std::uint32_t value = context_.state[word];
        keystream[4 * word] = static_cast<std::uint8_t>(value >> 24);
        keystream[4 * word + 1] = static_cast<std::uint8_t>(value >> 16);
        keystream[4 * word + 2] = static_cast<std::uint8_t>(value >> 8);
        keystream[4 * word + 3] = static_cast<std::uint8_t>(value);
    }
    for (std::size_t i = 0; i < 32; ++i) {
        if (++message_[i] != 0) {
            break;
        }
    }
}

std::array<std::uint8_t, 32> CounterKeystream::counter() const {
    std::array<std::uint8_t, 32> counter{};
    std::copy_n(message_.begin(), 32, counter.begin());
    return counter;
}

} // namespace cvsw::cvbv3
