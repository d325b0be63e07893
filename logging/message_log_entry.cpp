#include "logging/message_log_entry.h"

namespace cvsw::logging {

MessageLogEntry::MessageLogEntry(Level level, int module, const char* file, int line, int depth, bool deliver)
    : LogEntry(level, module, file, line, depth, {}, deliver) {
}

MessageLogEntry::~MessageLogEntry() {
    setMessage(stream_.str());
}

} // namespace cvsw::logging
