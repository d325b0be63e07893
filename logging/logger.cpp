#include "logging/logger.h"

#include "logging/function_entry_log_entry.h"
#include "logging/logging.h"
#include "logging/logging_p.h"

namespace cvsw::logging {

Logger::Logger(const char* file, int line, int module, const char* function)
    : file_(file)
    , line_(line)
    , module_(module)
    , function_(function)
    , depth_(++detail::state().logDepth) {
}

Logger::~Logger() {
    --detail::state().logDepth;
}

MessageLogEntry Logger::debug(int line) {
    return entry(Level::DBUG, line);
}

MessageLogEntry Logger::info(int line) {
    return entry(Level::INFO, line);
}

MessageLogEntry Logger::success(int line) {
    return entry(Level::SUCC, line);
}

MessageLogEntry Logger::warning(int line) {
    return entry(Level::WARN, line);
}

MessageLogEntry Logger::error(int line) {
    return entry(Level::EROR, line);
}

MessageLogEntry Logger::failure(int line) {
    return entry(Level::FAIL, line);
}

MessageLogEntry Logger::entry(Level level, int line) {
    if (!entered_) {
        entered_ = true;
        const FunctionEntryLogEntry entry(module_, file_, line_, depth_, function_,
                                          is_enabled(Level::INFO, module_, file_));
    }
    return MessageLogEntry(level, module_, file_, line, depth_, is_enabled(level, module_, file_));
}

} // namespace cvsw::logging
