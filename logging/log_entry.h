#pragma once

#include "logging/level.h"

#include <ctime>
#include <string>

namespace cvsw::logging {

// One log record. It is handed to every installed formatter when it is destroyed, provided its deliver
// flag is still set, so a call site can build the message across one full expression.
class LogEntry {
public:
    LogEntry(Level level, int module, const char* file, int line, int depth, std::string message = {},
             bool deliver = true);
    LogEntry(const LogEntry&) = delete;
    LogEntry& operator=(const LogEntry&) = delete;
    virtual ~LogEntry();

    std::time_t time() const { return time_; }
    Level level() const { return level_; }
    int module() const { return module_; }
    const char* file() const { return file_; }
    int line() const { return line_; }
    int depth() const { return depth_; }
    const std::string& message() const { return message_; }

    bool deliver() const { return deliver_; }
    void setDeliver(bool deliver) { deliver_ = deliver; }

protected:
    void setMessage(std::string message) { message_ = std::move(message); }

private:
    std::time_t time_;
    Level level_;
    int module_;
    const char* file_;
    int line_;
    int depth_;
    std::string message_;
    bool deliver_;
};

} // namespace cvsw::logging
