#include "logging/function_entry_log_entry.h"

namespace cvsw::logging {

FunctionEntryLogEntry::FunctionEntryLogEntry(int module, const char* file, int line, int depth,
                                             const char* function, bool deliver)
    : LogEntry(Level::INFO, module, file, line, depth, function ? function : "", deliver) {
}

} // namespace cvsw::logging
