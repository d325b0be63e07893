#include "logging/level.h"

namespace cvsw::logging {

const char* level_name(Level level) {
    static constexpr const char* names[LEVEL_COUNT] = {"DBUG", "INFO", "SUCC", "WARN",
                                                       "EROR", "FAIL", "EVENT"};
    const auto index = static_cast<int>(level);
    return index >= 0 && index < LEVEL_COUNT ? names[index] : "???INVALID???";
}

} // namespace cvsw::logging
