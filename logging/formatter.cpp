#include "logging/formatter.h"

#include "logging/logging_p.h"
#include "logging/sink.h"

#include <algorithm>

namespace cvsw::logging {

Formatter::~Formatter() = default;

void Formatter::installSink(Sink* sink) {
    if (sink == nullptr) {
        return;
    }
    if (std::find(sinks_.begin(), sinks_.end(), sink) != sinks_.end()) {
        detail::log_internal(Level::WARN, "Attempt to add sink that has already been added");
        return;
    }
    sinks_.push_back(sink);
}

bool Formatter::uninstallSink(Sink* sink) {
    const auto it = std::find(sinks_.begin(), sinks_.end(), sink);
    if (it == sinks_.end()) {
        return false;
    }
    sinks_.erase(it);
    return true;
}

int Formatter::sinkCount() const {
    return static_cast<int>(sinks_.size());
}

void Formatter::deliverToSinks(const std::string& text) {
    for (Sink* sink : sinks_) {
        sink->write(text);
    }
}

void Formatter::sink(const LogEntry& entry) {
    deliverToSinks(format(entry));
}

} // namespace cvsw::logging
