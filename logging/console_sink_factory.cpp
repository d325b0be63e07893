#include "logging/console_sink_factory.h"

#include "logging/console_sink.h"

namespace cvsw::logging::detail {

ConsoleSinkFactory::ConsoleSinkFactory()
    : ManagedSinkFactory("console") {
}

std::unique_ptr<Sink> ConsoleSinkFactory::create(const std::string& /*options*/) {
    return std::make_unique<ConsoleSink>();
}

} // namespace cvsw::logging::detail
