#include "logging/sink.h"

namespace cvsw::logging {

Sink::~Sink() = default;

} // namespace cvsw::logging
