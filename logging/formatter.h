#pragma once

#include <deque>
#include <string>

namespace cvsw::logging {

class LogEntry;
class Sink;

// Turns an entry into text and hands that text to its sinks, in the order they were installed.
// The sinks are borrowed: whoever installs a sink keeps it alive while it is installed.
class Formatter {
public:
    Formatter() = default;
    Formatter(const Formatter&) = delete;
    Formatter& operator=(const Formatter&) = delete;
    virtual ~Formatter();

    virtual const char* name() const = 0;
    virtual std::string format(const LogEntry& entry) = 0;

    // A sink that is already installed is not added twice.
    void installSink(Sink* sink);
    bool uninstallSink(Sink* sink);
    int sinkCount() const;

    void deliverToSinks(const std::string& text);
    // Formats the entry once and writes the text to every sink.
    void sink(const LogEntry& entry);

private:
    std::deque<Sink*> sinks_;
};

} // namespace cvsw::logging
