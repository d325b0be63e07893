#include "logging/managed_sink_factory.h"

#include "logging/logging_p.h"

namespace cvsw::logging::detail {

ManagedSinkFactory::ManagedSinkFactory(std::string name)
    : name_(std::move(name)) {
    state().sinkFactories[name_] = this;
}

ManagedSinkFactory::~ManagedSinkFactory() {
    auto& factories = state().sinkFactories;
    // Only our own entry: a later factory of the same name may have replaced it.
    if (const auto it = factories.find(name_); it != factories.end() && it->second == this) {
        factories.erase(it);
    }
}

} // namespace cvsw::logging::detail
