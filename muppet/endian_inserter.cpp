#include "muppet/endian_inserter.h"

namespace cvsw {

EndianInserter::EndianInserter(std::vector<std::uint8_t>& out, std::uint64_t room)
    : out_(out)
    , room_(room) {
}

void EndianInserter::putBytes(const std::uint8_t* bytes, std::size_t n) {
    if (!take(n)) {
        return;
    }
    out_.insert(out_.end(), bytes, bytes + n);
}

bool EndianInserter::take(std::uint64_t n) {
    if (overflowed_ || n > room_) {
        overflowed_ = true;
        return false;
    }
    room_ -= n;
    return true;
}

} // namespace cvsw
