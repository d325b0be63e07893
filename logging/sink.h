#pragma once

#include <string>

namespace cvsw::logging {

// Where formatted text ends up. Formatters refer to sinks without owning them.
class Sink {
public:
    Sink() = default;
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;
    virtual ~Sink();

    virtual const char* name() const = 0;
    virtual void write(const std::string& text) = 0;
};

} // namespace cvsw::logging
