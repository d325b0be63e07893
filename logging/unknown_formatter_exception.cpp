#include "logging/unknown_formatter_exception.h"

namespace cvsw::logging {

UnknownFormatterException::UnknownFormatterException(const std::string& name)
    : std::logic_error("Unknown formatter: " + name)
    , name_(name) {
}

} // namespace cvsw::logging
