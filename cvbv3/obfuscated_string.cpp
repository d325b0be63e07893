#include "cvbv3/obfuscated_string.h"

namespace cvsw::cvbv3 {

std::string ObfuscatedString::reveal() const {
    std::string text;
    text.reserve(length_);
    for (std::size_t i = 0; i < length_; ++i) {
        text.push_back(pool_[indices_[i]]);
    }
    return text;
}

} // namespace cvsw::cvbv3
