#include "logging/event_log_entry.h"

namespace cvsw::logging {

EventLogEntry::EventLogEntry(int module, const char* file, int line, int depth, const char* event,
                             bool deliver)
    : LogEntry(Level::EVENT, module, file, line, depth, {}, deliver) {
    stream_ << std::boolalpha << (event ? event : "") << '(';
}

EventLogEntry::~EventLogEntry() {
    std::string text = stream_.str();
    if (text.ends_with(", ")) {
        text.resize(text.size() - 2);
    }
    text += ')';
    setMessage(std::move(text));
}

void EventLogEntry::parameteriseString(const char* text) {
    if (!deliver()) {
        return;
    }
    if (text == nullptr) {
        stream_ << "null, ";
        return;
    }
    quote(text);
}

void EventLogEntry::quote(std::string_view text) {
    stream_ << '"';
    for (const char c : text) {
        if (c == '"') {
            stream_ << '\\';
        }
        stream_ << c;
    }
    stream_ << "\", ";
}

EventLogEntry& EventLogEntry::operator<<(const char* text) {
    parameteriseString(text);
    return *this;
}

EventLogEntry& EventLogEntry::operator<<(std::string_view text) {
    if (deliver()) {
        quote(text);
    }
    return *this;
}

} // namespace cvsw::logging
