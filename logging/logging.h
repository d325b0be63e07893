#pragma once

#include "logging/level.h"

#include <string>

// The general logging library of the in-house code: levels, named modules with per-module level masks,
// a focus mode, per-file silencing, and the list of installed formatters that entries are delivered to.
//
// The settings are process-wide and unlocked: set them up before logging starts.

namespace cvsw::logging {

class Formatter;

inline constexpr int GLOBAL_MODULE_ID = 0;

// Registers the module "logging" and the sink factory "console". The application calls it at start-up;
// the library also runs it on its own first use, so the registration never hangs on a static
// initialiser that the linker might drop. Calling it again does nothing.
void initialise();

// The id of the named module; an unknown name is registered (enabled, all levels on).
int module_id(const char* name);
// The module's name, or null for an id that is not registered.
const char* module_name(int id);

void enable_level(Level level, bool enable);
// While a module is focused, the other modules log only at fuzzy levels.
void enable_fuzzy_level(Level level, bool enable);
// Returns whether the id is registered.
bool enable_module(int id, bool enable);
void enable_module_level(int id, Level level, bool enable);
// false silences every entry from the file; true lets it log again.
void enable_file(const char* file, bool enable);

// The by-name forms do nothing and return false for a name that is not registered.
bool enable_module_by_name(const char* name, bool enable);
bool enable_module_level_by_name(const char* name, Level level, bool enable);
bool focus_on_module_by_name(const char* name);

bool is_level_enabled(Level level);
bool is_module_enabled(int id);
bool is_module_enabled(const char* name);
bool is_module_level_enabled(int id, Level level);
bool is_file_enabled(const char* file);

// Whether an entry of this level, module and file passes every filter.
bool is_enabled(Level level, int module, const char* file);

// Only the focused module logs normally; the others only at fuzzy levels. Returns false, and logs
// nothing, for an id that is not registered.
bool focus_on_module(int id);
void unfocus();

// The formatter is borrowed. Returns its position in the list, or -1 for a null formatter.
int install_formatter(Formatter* formatter);
bool uninstall_formatter(Formatter* formatter);

// Creates the formatter and the sink from the factories registered under the two names, joins them and
// installs the formatter. The library keeps both until exit; the formatter is returned so that it can
// be uninstalled. Throws UnknownFormatterException or UnknownSinkException for an unknown name.
Formatter* setup_combo(const std::string& formatterName, const std::string& formatterOptions,
                       const std::string& sinkName, const std::string& sinkOptions);

} // namespace cvsw::logging
