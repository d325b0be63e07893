#include "logging/log.h"
#include "logging/log_format.h"

#include <QMessageLogger>

#include <algorithm>
#include <cstdio>
#include <string>

namespace cvsw::log {

unsigned char detail::LogCore::enabledLevels_[7] = {1, 1, 1, 1, 1, 1, 1};

namespace {

Value make(std::uint64_t tag) {
    Value v{};
    v.tag = tag;
    return v;
}

// The base name of path, keeping `keep` directory levels; index 0 is never taken as a separator,
// so "/x" stays whole.
const char* trimmed_file_name(const char* path, std::uint32_t keep) {
    if (path == nullptr) {
        return "";
    }
    const std::size_t length = std::char_traits<char>::length(path);
    std::uint32_t passed = 0;
    for (std::size_t i = length; i-- > 1;) {
        if (path[i] != '/') {
            continue;
        }
        if (passed >= keep) {
            return path + i + 1;
        }
        ++passed;
    }
    return path;
}

void close_cut(char* buffer, std::size_t capacity) {
    buffer[capacity - 2] = '~';
    buffer[capacity - 1] = '\0';
}

} // namespace

Value Value::int32(std::int32_t v) {
    Value value = make(Int32);
    value.payload.i32 = v;
    return value;
}

Value Value::uint32(std::uint32_t v) {
    Value value = make(UInt32);
    value.payload.u32 = v;
    return value;
}

Value Value::hex(std::uint32_t v) {
    Value value = make(UInt32 | HexFlag);
    value.payload.u32 = v;
    return value;
}

Value Value::boolean(bool v) {
    Value value = make(Bool);
    value.payload.b = v;
    return value;
}

Value Value::character(char v) {
    Value value = make(Char);
    value.payload.c = v;
    return value;
}

Value Value::pointer(const void* v) {
    Value value = make(Pointer);
    value.payload.p = v;
    return value;
}

Value Value::real(float v) {
    Value value = make(Float);
    value.payload.f = v;
    return value;
}

Value Value::string(std::string_view v) {
    Value value = make(1 + 2 * std::min(v.size(), MaxStringLength));
    value.payload.s = v.data();
    return value;
}

namespace detail {

char level_letter(Level level) {
    static constexpr char letters[] = {'D', 'I', 'S', 'W', 'E', 'F', 'V'};
    const auto index = static_cast<int>(level);
    return index >= 0 && index < 7 ? letters[index] : '?';
}

void formatLogValue(const Value& value, FormatCursor& cursor) {
    char* out = cursor.start + cursor.written;
    const std::size_t space = cursor.written < cursor.capacity ? cursor.capacity - cursor.written : 0;
    const auto tag = static_cast<unsigned>(value.tag & 0xFF);
    int length = 0;
    if (tag & 1) {
        length = std::snprintf(out, space, "%.*s", static_cast<int>(tag >> 1), value.payload.s);
    } else {
        switch (tag & 0x7E) {
        case Value::Int32:
            length = std::snprintf(out, space, "%i", value.payload.i32);
            break;
        case Value::UInt32:
            length = (tag & Value::HexFlag) ? std::snprintf(out, space, "0x%.*X", 8, value.payload.u32)
                                            : std::snprintf(out, space, "%u", value.payload.u32);
            break;
        case Value::Bool:
            length = std::snprintf(out, space, "%s", value.payload.b ? "true" : "false");
            break;
        case Value::Char:
            length = std::snprintf(out, space, "%c", value.payload.c);
            break;
        case Value::Pointer:
            length = std::snprintf(out, space, "%p", value.payload.p);
            break;
        case Value::Float:
            length = std::snprintf(out, space, "%f", static_cast<double>(value.payload.f));
            break;
        default:
            break;
        }
    }
    if (length > 0) {
        cursor.written += static_cast<std::size_t>(length);
    }
}

void formatLogLine(const FormatterSettings& settings, char* buffer, std::size_t capacity, Level level,
                   const char* file, unsigned line, const char* format, const Value* values, int count) {
    const int prefix = std::snprintf(buffer, capacity, "%c|%s:%u|", level_letter(level),
                                     trimmed_file_name(file, settings.keepDirectories), line);
    if (prefix < 0 || static_cast<std::size_t>(prefix) >= capacity) {
        close_cut(buffer, capacity);
        return;
    }

    FormatCursor cursor{buffer + prefix, capacity - static_cast<std::size_t>(prefix), 0};
    auto put = [&cursor](char c) {
        if (cursor.written < cursor.capacity) {
            cursor.start[cursor.written] = c;
        }
        ++cursor.written;
    };

    for (const char* p = format ? format : ""; *p != '\0' && cursor.written < cursor.capacity; ++p) {
        if (*p != '%' || p[1] == '\0') {
            put(*p);
            continue;
        }
        const char next = p[1];
        if (next == '%') {
            put('%');
        } else if (next >= '1' && next <= '9' && next - '0' <= count) {
            formatLogValue(values[next - '1'], cursor);
        } else {
            put('%');
            if (cursor.written < cursor.capacity) {
                put(next);
            }
        }
        ++p;
    }

    if (cursor.written < cursor.capacity) {
        cursor.start[cursor.written] = '\0';
    } else {
        close_cut(buffer, capacity);
    }
}

} // namespace detail

void impl::log_locally(Level level, [[maybe_unused]] unsigned short moduleId, const char* file, int line,
                       const char* format, const Value* values, int count) {
    char buffer[detail::LineCapacity];
    detail::formatLogLine(detail::FormatterSettings{}, buffer, sizeof buffer, level, file,
                          static_cast<unsigned>(line), format, values, count);

    const QMessageLogger logger(file, line, "", "default");
    switch (static_cast<int>(level)) {
    case 0:
        logger.debug("%s", buffer);
        break;
    case 1:
    case 2:
    case 6:
        logger.info("%s", buffer);
        break;
    case 3:
    case 4:
        logger.warning("%s", buffer);
        break;
    case 5:
        logger.critical("%s", buffer);
        break;
    default:
        break; // formatted, never emitted
    }
}

} // namespace cvsw::log
