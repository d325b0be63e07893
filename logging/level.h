#pragma once

namespace cvsw::logging {

enum class Level : int {
    DBUG = 0,
    INFO = 1,
    SUCC = 2,
    WARN = 3,
    EROR = 4,
    FAIL = 5,
    EVENT = 6,
};

inline constexpr int LEVEL_COUNT = 7;

// "DBUG" ... "EVENT"; a value outside the enumeration prints as "???INVALID???".
const char* level_name(Level level);

} // namespace cvsw::logging
