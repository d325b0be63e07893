#include "logging/unknown_sink_exception.h"

namespace cvsw::logging {

UnknownSinkException::UnknownSinkException(const std::string& name)
    : std::logic_error("Unknown sink: " + name)
    , name_(name) {
}

} // namespace cvsw::logging
