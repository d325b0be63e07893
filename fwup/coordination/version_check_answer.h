#pragma once

#include "muppet/version.h"

namespace fwup::version_check {

// What a detector or firmware version checker answers. A detector or firmware counts as supported
// unless some registered checker answers UNSUPPORTED.
inline constexpr int NOT_APPLICABLE = 0; // not this checker's detector type, or it cannot judge
inline constexpr int UNSUPPORTED = 1;
inline constexpr int SUPPORTED = 2;

// A version equal to the maximum is still supported; a maximum of 0.0.0 sets no limit.
inline constexpr int against_maximum(const Version& version, const Version& maximum) {
    return maximum != Version{} && version > maximum ? UNSUPPORTED : SUPPORTED;
}

} // namespace fwup::version_check
