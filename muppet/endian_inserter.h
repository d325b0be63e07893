#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>
#include <vector>

namespace cvsw {

// Bounded big-endian writer that appends to a byte vector. A put that does not fit the room
// left, or any put after one did not, sets the overflow flag and writes nothing.
class EndianInserter {
public:
    // Room used when queuing commands: large enough that no command ever runs out of it.
    static constexpr std::uint64_t UNBOUNDED_ROOM = std::numeric_limits<std::int64_t>::max();

    EndianInserter(std::vector<std::uint8_t>& out, std::uint64_t room);

    template <typename U>
    void put(U value) {
        static_assert(std::is_unsigned_v<U>);
        if (!take(sizeof(U))) {
            return;
        }
        for (std::size_t i = sizeof(U); i > 0; --i) {
            out_.push_back(static_cast<std::uint8_t>(value >> (8 * (i - 1))));
        }
    }

    void putBool(bool value) { put<std::uint8_t>(value ? 1 : 0); }
    void putBytes(const std::uint8_t* bytes, std::size_t n);

    bool overflowed() const { return overflowed_; }
    std::uint64_t room() const { return room_; }

private:
    bool take(std::uint64_t n);

    std::vector<std::uint8_t>& out_;
    std::uint64_t room_;
    bool overflowed_ = false;
};

} // namespace cvsw
