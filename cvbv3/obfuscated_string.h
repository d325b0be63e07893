#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace cvsw::cvbv3 {

// A key text that is never stored whole: its characters are picked out of a shared pool by an index
// list, and the text exists only while a generator is being made.
class ObfuscatedString {
public:
    constexpr ObfuscatedString(const char* pool, const std::uint32_t* indices, std::size_t length)
        : pool_(pool)
        , indices_(indices)
        , length_(length) {}

    std::string reveal() const;
    std::size_t length() const { return length_; }

private:
    const char* pool_;
    const std::uint32_t* indices_;
    std::size_t length_;
};

} // namespace cvsw::cvbv3
