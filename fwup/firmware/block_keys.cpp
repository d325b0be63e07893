#include "fwup/firmware/block_keys.h"

#include "cvbv3/auth_response_generator.h"
#include "cvbv3/block_registry.h"

#include <algorithm>

namespace fwup::detail {

std::shared_ptr<cvsw::cvbv3::AuthResponseGenerator> generator_for_block_tag(const BlockTag& tag) {
    const auto& registry = cvsw::cvbv3::globalBlockRegistry();
    const auto row = registry.find(tag);
    if (row == registry.end() || !row->second) {
        return {};
    }
    return row->second();
}

QString block_tag_text(const BlockTag& tag) {
    const auto end = std::find(tag.begin(), tag.end(), std::uint8_t{0});
    return QString::fromLatin1(reinterpret_cast<const char*>(tag.data()), end - tag.begin());
}

} // namespace fwup::detail
