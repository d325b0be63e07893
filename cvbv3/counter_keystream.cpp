#include "cvbv3/counter_keystream.h"

#include "security/sha256.h"

#include <algorithm>

namespace cvsw::cvbv3 {

namespace {

const security::Sha256Context& initialContext() {
    static const security::Sha256Context context = [] {
        security::Sha256Context c;
        security::sha256_start(c);
        return c;
    }();
    return context;
}

} // namespace

CounterKeystream::CounterKeystream()
    : message_{} {
    // SHA-256 padding of a 32-byte message: the 0x80 marker and the length, 256 bits, big-endian.
    message_[32] = 0x80;
    message_[62] = 0x01;
}

void CounterKeystream::reset(const std::array<std::uint8_t, 32>& counter) {
    std::copy(counter.begin(), counter.end(), message_.begin());
}

void CounterKeystream::next(std::uint8_t* keystream) {
    security::Sha256Context context = initialContext();
    security::sha256_process_block(context, message_.data());
    security::sha256_write_digest(context, keystream, 32);
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
