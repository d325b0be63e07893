#pragma once

#include "logging/message_log_entry.h"

namespace cvsw::logging {

// A scope in a function: it deepens the log while it lives, and its first message is preceded by an
// INFO entry that names the function.
//   Logger log(__FILE__, __LINE__, moduleId, __func__);
//   log.warning(__LINE__) << "short read: " << n;
class Logger {
public:
    Logger(const char* file, int line, int module, const char* function);
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;
    ~Logger();

    int depth() const { return depth_; }

    MessageLogEntry debug(int line);
    MessageLogEntry info(int line);
    MessageLogEntry success(int line);
    MessageLogEntry warning(int line);
    MessageLogEntry error(int line);
    MessageLogEntry failure(int line);

private:
    MessageLogEntry entry(Level level, int line);

    const char* file_;
    int line_;
    int module_;
    const char* function_;
    int depth_;
    bool entered_ = false;
};

} // namespace cvsw::logging
