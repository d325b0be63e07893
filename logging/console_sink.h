#pragma once

#include "logging/sink.h"

#include <mutex>

namespace cvsw::logging {

// Writes each text as one line on standard output. Lines from several threads never interleave.
class ConsoleSink : public Sink {
public:
    const char* name() const override;
    void write(const std::string& text) override;

private:
    std::mutex mutex_;
};

} // namespace cvsw::logging
