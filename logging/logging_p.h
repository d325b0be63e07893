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
#include <source_location>
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

int logging_module_id();

// Hands the entry to every installed formatter in list order.
void deliver(const LogEntry& entry);

// An entry from the "logging" module, subject to the usual filter.
void log_internal(Level level, std::string message,
                  std::source_location where = std::source_location::current());

// The library's assertion: a failed check is logged at FAIL and the caller carries on. Returns ok.
bool check(bool ok, const char* expression, const char* reason,
           std::source_location where = std::source_location::current());

} // namespace cvsw::logging::detail
