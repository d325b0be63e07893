#include "cvbv3/build_compatible_hw_flags.h"

#include <QJsonArray>
#include <QJsonValue>

#include <stdexcept>

namespace cvsw::cvbv3 {

std::uint32_t build_compatible_hw_flags(const QJsonValue& versions) {
    if (!versions.isArray()) {
        throw std::runtime_error("Compatible hardware versions field is not an array.");
    }
    std::uint32_t flags = 0;
    for (const QJsonValue& element : versions.toArray()) {
        // Anything but a whole number reads as -1 and is refused with the out-of-range ones.
        const qint64 version = element.toInteger(-1);
        if (version < 1 || version > 31) {
            throw std::runtime_error("Hardware version out of range.");
        }
        flags |= std::uint32_t{1} << version;
    }
    return flags;
}

} // namespace cvsw::cvbv3
