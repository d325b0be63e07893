#pragma once

#include "logging/log_entry.h"

#include <concepts>
#include <sstream>
#include <string_view>

namespace cvsw::logging {

// An EVENT entry written like a call: name("text", 42, true). Each streamed value becomes one parameter;
// texts are quoted with their double quotes escaped.
class EventLogEntry : public LogEntry {
public:
    EventLogEntry(int module, const char* file, int line, int depth, const char* event, bool deliver = true);
    ~EventLogEntry() override;

    void parameteriseString(const char* text);

    template <typename T>
    requires(!std::convertible_to<const T&, std::string_view>) EventLogEntry& operator<<(const T& value) {
        if (deliver()) {
            stream_ << value << ", ";
        }
        return *this;
    }
    EventLogEntry& operator<<(const char* text);
    EventLogEntry& operator<<(std::string_view text);

private:
    void quote(std::string_view text);

    std::ostringstream stream_;
};

} // namespace cvsw::logging
