#pragma once

#include "logging/log_entry.h"

namespace cvsw::logging {

// The INFO entry a Logger emits before its first message: the message is the function's name.
class FunctionEntryLogEntry : public LogEntry {
public:
    FunctionEntryLogEntry(int module, const char* file, int line, int depth, const char* function,
                          bool deliver = true);
};

} // namespace cvsw::logging
