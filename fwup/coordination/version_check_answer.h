#pragma once

namespace fwup::version_check {

// What a detector or firmware version checker answers. A detector or firmware counts as supported
// unless some registered checker answers UNSUPPORTED.
inline constexpr int NOT_APPLICABLE = 0; // not this checker's detector type, or it cannot judge
inline constexpr int UNSUPPORTED = 1;
inline constexpr int SUPPORTED = 2;

} // namespace fwup::version_check
