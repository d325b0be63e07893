#pragma once

// Internals shared by the library's own files; not for callers.

#include "logging/formatter.h"
#include "logging/level.h"
#include "logging/managed_formatter_factory.h"
#include "logging/managed_sink_factory.h"
#include "logging/sink.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace cvsw::logging {
class LogEntry;
}

namespace cvsw::logging::detail {

inline constexpr std::uint32_t ALL_LEVELS = (1u << LEVEL_COUNT) - 1;

struct State {
    State();

    std::array<bool, LEVEL_COUNT> enabledLevels;
    std::vector<std::string> moduleNames;
    std::vector<bool> enabledModules;
    std::vector<std::uint32_t> moduleLevelMasks;
    std::array<bool, LEVEL_COUNT> fuzzyLevels;
    int focusedModule = -1;
    std::set<std::string, std::less<>> disabledFiles;
    std::vector<Formatter*> formatters;
    std::map<std::string, ManagedFormatterFactory*, std::less<>> formatterFactories;
    std::map<std::string, ManagedSinkFactory*, std::less<>> sinkFactories;
    // What setup_combo created; kept until exit.
    std::vector<std::unique_ptr<Formatter>> ownedFormatters;
    std::vector<std::unique_ptr<Sink>> ownedSinks;
    int logDepth = 0;
};

// Created on first use; the first use also runs the start-up registration.
State& state();

// Where a call was made. std::source_location needs __builtin_source_location, which clang 14 lacks
// with this standard library; the older builtins work with both compilers.
struct SourceLocation {
    static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                            int line = __builtin_LINE()) {
        return SourceLocation{file, line};
    }
    constexpr const char* file_name() const { return file; }
    constexpr int line() const { return lineNumber; }

    const char* file;
    int lineNumber;
};

int logging_module_id();

// Hands the entry to every installed formatter in list order.
void deliver(const LogEntry& entry);

// An entry from the "logging" module, subject to the usual filter.
void log_internal(Level level, std::string message, SourceLocation where = SourceLocation::current());

// The library's assertion: a failed check is logged at FAIL and the caller carries on. Returns ok.
bool check(bool ok, const char* expression, const char* reason,
           SourceLocation where = SourceLocation::current());

} // namespace cvsw::logging::detail
