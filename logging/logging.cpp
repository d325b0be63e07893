#include "logging/logging.h"

#include "logging/console_sink_factory.h"
#include "logging/log_entry.h"
#include "logging/logging_p.h"
#include "logging/unknown_formatter_exception.h"
#include "logging/unknown_sink_exception.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <stdexcept>

namespace cvsw::logging {

namespace detail {

State::State()
    : moduleNames{"global"}
    , enabledModules{true}
    , moduleLevelMasks{ALL_LEVELS} {
    enabledLevels.fill(true);
    fuzzyLevels.fill(false);
}

namespace {

void register_startup_items() {
    module_id("logging");
    // Constructed after the state, so it is destroyed first and can still unregister itself.
    static ConsoleSinkFactory console;
}

} // namespace

State& state() {
    static State s;
    // A plain flag, not a guarded static: the registration calls back into state().
    static std::atomic<bool> registered{false};
    if (!registered.exchange(true)) {
        register_startup_items();
    }
    return s;
}

int logging_module_id() {
    static const int id = module_id("logging");
    return id;
}

void deliver(const LogEntry& entry) {
    // A copy: a formatter or sink may log, and so install or remove formatters, while we walk the list.
    const std::vector<Formatter*> formatters = state().formatters;
    for (Formatter* formatter : formatters) {
        formatter->sink(entry);
    }
}

void log_internal(Level level, std::string message, SourceLocation where) {
    const int module = logging_module_id();
    if (is_enabled(level, module, where.file_name())) {
        const LogEntry entry(level, module, where.file_name(), where.line(), state().logDepth,
                             std::move(message));
    }
}

bool check(bool ok, const char* expression, const char* reason, SourceLocation where) {
    if (!ok) {
        log_internal(Level::FAIL, std::string("ASSERTION FAILURE(") + expression + ") " + reason, where);
    }
    return ok;
}

} // namespace detail

namespace {

using detail::check;
using detail::state;

constexpr const char* LEVEL_EXPRESSION =
    "level >= EnumTraits<Level>::FIRST && level <= EnumTraits<Level>::LAST";

bool is_valid(Level level) {
    const auto index = static_cast<int>(level);
    return index >= 0 && index < LEVEL_COUNT;
}

std::size_t level_index(Level level, detail::SourceLocation where = detail::SourceLocation::current()) {
    if (!check(is_valid(level), LEVEL_EXPRESSION, "Invalid level", where)) {
        throw std::out_of_range("cvsw::logging: invalid level");
    }
    return static_cast<std::size_t>(level);
}

std::size_t module_index(int id, detail::SourceLocation where = detail::SourceLocation::current()) {
    check(id >= GLOBAL_MODULE_ID, "moduleId >= GLOBAL_MODULE_ID", "Module ID is out of bounds", where);
    if (id < 0 || static_cast<std::size_t>(id) >= state().moduleNames.size()) {
        throw std::out_of_range("cvsw::logging: module id out of range");
    }
    return static_cast<std::size_t>(id);
}

bool is_registered(int id) {
    return id >= 0 && static_cast<std::size_t>(id) < state().moduleNames.size();
}

// -1 for a name that is not registered; never registers it.
int find_module(const char* name) {
    if (!check(name != nullptr, "modulename", "Module name is null")) {
        return -1;
    }
    const auto& names = state().moduleNames;
    const auto it = std::find(names.begin(), names.end(), name);
    return it == names.end() ? -1 : static_cast<int>(it - names.begin());
}

} // namespace

void initialise() {
    (void)state();
}

int module_id(const char* name) {
    if (name == nullptr) {
        check(false, "modulename", "Module name is null");
        return GLOBAL_MODULE_ID;
    }
    if (const int id = find_module(name); id >= 0) {
        return id;
    }
    auto& s = state();
    s.moduleNames.emplace_back(name);
    s.enabledModules.push_back(true);
    s.moduleLevelMasks.push_back(detail::ALL_LEVELS);
    check(s.enabledModules.size() == s.moduleLevelMasks.size(),
          "enabled_modules().size() == enabled_module_levels().size()", "Module tables out of step");
    return static_cast<int>(s.moduleNames.size() - 1);
}

const char* module_name(int id) {
    check(id >= GLOBAL_MODULE_ID, "moduleId >= GLOBAL_MODULE_ID", "Module ID is out of bounds");
    return is_registered(id) ? state().moduleNames[static_cast<std::size_t>(id)].c_str() : nullptr;
}

void enable_level(Level level, bool enable) {
    state().enabledLevels[level_index(level)] = enable;
}

void enable_fuzzy_level(Level level, bool enable) {
    state().fuzzyLevels[level_index(level)] = enable;
}

bool enable_module(int id, bool enable) {
    check(id >= GLOBAL_MODULE_ID, "moduleId >= GLOBAL_MODULE_ID", "Module ID is out of bounds");
    if (!is_registered(id)) {
        return false;
    }
    state().enabledModules[static_cast<std::size_t>(id)] = enable;
    return true;
}

void enable_module_level(int id, Level level, bool enable) {
    const std::size_t module = module_index(id);
    const std::size_t bit = level_index(level);
    if (id == GLOBAL_MODULE_ID && !enable) {
        detail::log_internal(Level::WARN,
                             std::string("Disabling ") + level_name(level) + " for 'global' module.");
    }
    auto& mask = state().moduleLevelMasks[module];
    if (enable) {
        mask |= 1u << bit;
    } else {
        mask &= ~(1u << bit);
    }
}

void enable_file(const char* file, bool enable) {
    if (!check(file != nullptr, "file", "Filename is nullptr")) {
        return;
    }
    auto& disabled = state().disabledFiles;
    if (enable) {
        if (const auto it = disabled.find(file); it != disabled.end()) {
            disabled.erase(it);
        }
    } else {
        disabled.emplace(file);
    }
}

bool enable_module_by_name(const char* name, bool enable) {
    const int id = find_module(name);
    return id >= 0 && enable_module(id, enable);
}

bool enable_module_level_by_name(const char* name, Level level, bool enable) {
    const int id = find_module(name);
    if (id < 0) {
        return false;
    }
    enable_module_level(id, level, enable);
    return true;
}

bool focus_on_module_by_name(const char* name) {
    const int id = find_module(name);
    return id >= 0 && focus_on_module(id);
}

bool is_level_enabled(Level level) {
    return state().enabledLevels[level_index(level)];
}

bool is_module_enabled(int id) {
    return state().enabledModules[module_index(id)];
}

bool is_module_enabled(const char* name) {
    const int id = find_module(name);
    return id >= 0 && is_module_enabled(id);
}

bool is_module_level_enabled(int id, Level level) {
    const std::size_t module = module_index(id);
    return (state().moduleLevelMasks[module] & (1u << level_index(level))) != 0;
}

bool is_file_enabled(const char* file) {
    if (!check(file != nullptr, "file", "You've managed to supply a null pointer for the file name")) {
        return false;
    }
    return !state().disabledFiles.contains(file);
}

bool is_enabled(Level level, int module, const char* file) {
    check(is_valid(level), LEVEL_EXPRESSION, "Invalid level");
    check(file != nullptr, "file", "Filename is nullptr");
    check(module >= 0, "moduleId >= 0", "Module ID is out of bounds");

    auto& s = state();
    if (!is_valid(level)) {
        throw std::out_of_range("cvsw::logging: invalid level");
    }
    const auto bit = static_cast<std::size_t>(level);
    if (!s.enabledLevels[bit]) {
        return false;
    }
    // Ids nobody registered are filtered by level and file only.
    if (is_registered(module)) {
        const auto index = static_cast<std::size_t>(module);
        if (!s.enabledModules[index]) {
            return false;
        }
        if (s.focusedModule >= 0 && s.focusedModule != module) {
            if (!s.fuzzyLevels[bit]) {
                return false;
            }
        } else if ((s.moduleLevelMasks[index] & (1u << bit)) == 0) {
            return false;
        }
    }
    // A null file was reported above; its entry has nowhere sensible to come from, so it is dropped.
    return file != nullptr && !s.disabledFiles.contains(file);
}

bool focus_on_module(int id) {
    if (!is_registered(id)) {
        return false;
    }
    static constexpr const char* RULE = "--------------------------------------------";
    for (const char* line : {RULE, RULE, RULE, "DANGER - Focusing logs on only ONE module!",
                             "Logs for other modules may be LOST.", RULE, RULE, RULE}) {
        detail::log_internal(Level::WARN, line);
    }
    state().focusedModule = id;
    return true;
}

void unfocus() {
    state().focusedModule = -1;
}

int install_formatter(Formatter* formatter) {
    if (formatter == nullptr) {
        return -1;
    }
    auto& formatters = state().formatters;
    formatters.push_back(formatter);
    return static_cast<int>(formatters.size() - 1);
}

bool uninstall_formatter(Formatter* formatter) {
    auto& formatters = state().formatters;
    const auto it = std::find(formatters.begin(), formatters.end(), formatter);
    if (it == formatters.end()) {
        return false;
    }
    formatters.erase(it);
    return true;
}

Formatter* setup_combo(const std::string& formatterName, const std::string& formatterOptions,
                       const std::string& sinkName, const std::string& sinkOptions) {
    auto& s = state();
    const auto formatterFactory = s.formatterFactories.find(formatterName);
    if (formatterFactory == s.formatterFactories.end()) {
        throw UnknownFormatterException(formatterName);
    }
    const auto sinkFactory = s.sinkFactories.find(sinkName);
    if (sinkFactory == s.sinkFactories.end()) {
        throw UnknownSinkException(sinkName);
    }

    std::unique_ptr<Formatter> formatter = formatterFactory->second->create(formatterOptions);
    std::unique_ptr<Sink> sink = sinkFactory->second->create(sinkOptions);
    if (!formatter || !sink) {
        throw std::runtime_error("cvsw::logging: a factory of '" + formatterName + "' or '" + sinkName +
                                 "' created nothing");
    }
    formatter->installSink(sink.get());
    Formatter* installed = formatter.get();
    s.ownedSinks.push_back(std::move(sink));
    s.ownedFormatters.push_back(std::move(formatter));
    install_formatter(installed);
    return installed;
}

} // namespace cvsw::logging
