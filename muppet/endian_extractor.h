#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

namespace cvsw {

// Byte order policy: the first byte read is the most significant.
struct BigEndianExtract {
    template <typename U, typename Iterator>
    static U assemble(Iterator bytes) {
        static_assert(std::is_unsigned_v<U>);
        U value = 0;
        for (std::size_t i = 0; i < sizeof(U); ++i, ++bytes) {
            value =
                static_cast<U>((static_cast<std::uint64_t>(value) << 8) | static_cast<std::uint8_t>(*bytes));
        }
        return value;
    }
};

// Error policy: a short read is only remembered in the extractor's flag.
struct NoopOnError {
    static void onError() {}
};

// Bounded reader over a run of bytes. A read that needs more bytes than remain sets the error
// flag, consumes nothing and yields 0; once the flag is set every later read yields 0 as well,
// so a decoder can read a whole layout and check the flag once at the end.
template <typename Iterator, typename EndianPolicy, typename ErrorPolicy>
class EndianExtractor {
public:
    EndianExtractor(Iterator begin, std::size_t size)
        : position_(begin)
        , remaining_(size) {}

    template <typename U>
    U extract() {
        static_assert(std::is_unsigned_v<U>);
        if (!take(sizeof(U))) {
            return 0;
        }
        const U value = EndianPolicy::template assemble<U>(position_);
        std::advance(position_, sizeof(U));
        return value;
    }

    // Reads one byte as a flag: any non-zero byte is true.
    bool extractBool() { return extract<std::uint8_t>() != 0; }

    // Copies exactly n bytes, or nothing at all when fewer remain.
    bool extractBytes(std::uint8_t* out, std::size_t n) {
        if (!take(n)) {
            return false;
        }
        for (std::size_t i = 0; i < n; ++i, ++position_) {
            out[i] = static_cast<std::uint8_t>(*position_);
        }
        return true;
    }

    std::size_t remaining() const { return failed_ ? 0 : remaining_; }
    bool failed() const { return failed_; }
    Iterator position() const { return position_; }

private:
    bool take(std::size_t n) {
        if (failed_ || n > remaining_) {
            failed_ = true;
            ErrorPolicy::onError();
            return false;
        }
        remaining_ -= n;
        return true;
    }

    Iterator position_;
    std::size_t remaining_;
    bool failed_ = false;
};

// The reader every control-message handler gets.
using ControlExtractor = EndianExtractor<unsigned char const*, BigEndianExtract, NoopOnError>;

} // namespace cvsw
