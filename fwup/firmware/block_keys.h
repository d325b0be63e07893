#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

namespace cvsw::cvbv3 {
class AuthResponseGenerator;
}

namespace fwup {

// The 8-byte type tag of a container block ("LDSTCP01").
using BlockTag = std::array<std::uint8_t, 8>;
// A detector family's 32-byte secret for decrypting one kind of block.
using BlockSecret = std::array<std::uint8_t, 32>;

// What unlocks one kind of block: its tag and the family's secret for it.
struct BlockTagAndSecret {
    BlockTag tag{};
    BlockSecret secret{};
};

namespace detail {

// Makes the tag's generator from the block-type registry; empty when the tag has no row or its row
// makes no generator. The generator serves every block of the tag in one file.
std::shared_ptr<cvsw::cvbv3::AuthResponseGenerator> generator_for_block_tag(const BlockTag& tag);

// The tag as Latin-1 text, up to its first zero byte.
QString block_tag_text(const BlockTag& tag);

} // namespace detail

} // namespace fwup
