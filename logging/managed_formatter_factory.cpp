#include "logging/managed_formatter_factory.h"

#include "logging/logging_p.h"

namespace cvsw::logging::detail {

ManagedFormatterFactory::ManagedFormatterFactory(std::string name)
    : name_(std::move(name)) {
    state().formatterFactories[name_] = this;
}

ManagedFormatterFactory::~ManagedFormatterFactory() {
    auto& factories = state().formatterFactories;
    // Only our own entry: a later factory of the same name may have replaced it.
    if (const auto it = factories.find(name_); it != factories.end() && it->second == this) {
        factories.erase(it);
    }
}

} // namespace cvsw::logging::detail
