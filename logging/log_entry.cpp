#include "logging/log_entry.h"

#include "logging/logging_p.h"

namespace cvsw::logging {

LogEntry::LogEntry(Level level, int module, const char* file, int line, int depth, std::string message,
                   bool deliver)
    : time_(std::time(nullptr))
    , level_(level)
    , module_(module)
    , file_(file)
    , line_(line)
    , depth_(depth)
    , message_(std::move(message))
    , deliver_(deliver) {
}

LogEntry::~LogEntry() {
    if (deliver_) {
        detail::deliver(*this);
    }
}

} // namespace cvsw::logging
