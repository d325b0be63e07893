#pragma once

#include <cstdint>

namespace fwup {

// How an installation ended. Receivers treat any value but INCOMPLETE and FAILED as complete.
enum class UpdaterStatus : std::int32_t {
    COMPLETE = 0,
    INCOMPLETE = 1, // the detector restarts first; install again once it is back
    FAILED = 2,
};

} // namespace fwup
