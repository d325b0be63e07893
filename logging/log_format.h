#pragma once

#include "logging/log.h"

#include <cstddef>
#include <cstdint>

// The formatting half of the log back end, apart from emission so that it can be checked on its own.

namespace cvsw::log::detail {

struct FormatterSettings {
    // Directory levels kept in front of the file's base name; the back end always uses 0.
    std::uint32_t keepDirectories = 0;
};

// Where a value's text goes: the cursor advances by the length the text would have had, even when cut.
struct FormatCursor {
    char* start;
    std::size_t capacity;
    std::size_t written;
};

inline constexpr std::size_t LineCapacity = 200;

char level_letter(Level level);

// Formats "%c|%s:%u|" and the message into buffer; the result is always NUL-terminated within capacity,
// and a line that does not fit ends in '~' at capacity - 2.
void formatLogLine(const FormatterSettings& settings, char* buffer, std::size_t capacity, Level level,
                   const char* file, unsigned line, const char* format, const Value* values, int count);

void formatLogValue(const Value& value, FormatCursor& cursor);

} // namespace cvsw::log::detail
