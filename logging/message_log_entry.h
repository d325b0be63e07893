#pragma once

#include "logging/log_entry.h"

#include <sstream>

namespace cvsw::logging {

// A log entry whose message is streamed in: entry << "read " << n << " bytes". The streamed text becomes
// the message when the entry is destroyed, just before it is delivered.
class MessageLogEntry : public LogEntry {
public:
    MessageLogEntry(Level level, int module, const char* file, int line, int depth, bool deliver = true);
    ~MessageLogEntry() override;

    template <typename T>
    MessageLogEntry& operator<<(const T& value) {
        if (deliver()) {
            stream_ << value;
        }
        return *this;
    }

private:
    std::ostringstream stream_;
};

} // namespace cvsw::logging
