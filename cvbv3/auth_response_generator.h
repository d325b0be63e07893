#pragma once

#include <array>
#include <cstdint>

namespace cvsw::cvbv3 {

// Answers the challenge computed from an encrypted block's crypto header; the answer keys the stream.
class AuthResponseGenerator {
public:
    virtual std::array<std::uint8_t, 32> getResponse(const std::array<std::uint8_t, 32>& challenge) = 0;
    virtual ~AuthResponseGenerator();
};

} // namespace cvsw::cvbv3
