#pragma once

#include "logging/managed_sink_factory.h"

namespace cvsw::logging::detail {

// Registered under "console" by the library's start-up registration.
class ConsoleSinkFactory : public ManagedSinkFactory {
public:
    ConsoleSinkFactory();

    std::unique_ptr<Sink> create(const std::string& options) override;
};

} // namespace cvsw::logging::detail
