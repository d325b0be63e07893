#include "muppet/control_mode.h"

namespace cvsw::muppet::control {

const char* mode_to_string(Mode mode) {
    switch (mode) {
    case Mode::GET:
        return "GET";
    case Mode::SET:
        return "SET";
    case Mode::INF:
        return "INF";
    case Mode::ERR:
        return "ERR";
    }
    return "?INVALID_CONTROL_MODE?";
}

} // namespace cvsw::muppet::control
