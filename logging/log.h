#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The log back end of the in-house libraries: one formatted line per call, handed straight to Qt
// logging. Nothing allocates; values are 16-byte records on the caller's stack.

namespace cvsw::log {

enum class Level : int {
    Debug = 0,   // D
    Info = 1,    // I
    Success = 2, // S
    Warning = 3, // W
    Error = 4,   // E
    Failure = 5, // F
    Event = 6,   // V
};

// One typed argument: an 8-byte payload and a tag word whose low byte says what the payload is.
// Bit 0 set: a string of (tag >> 1) & 0x7F characters. Otherwise the kind is tag & 0x7E.
struct Value {
    enum Kind : std::uint64_t {
        Int32 = 2,
        UInt32 = 4,
        Bool = 6,
        Char = 8,
        Pointer = 10,
        Float = 12,
    };
    static constexpr std::uint64_t HexFlag = 0x80;
    static constexpr std::size_t MaxStringLength = 127;

    union Payload {
        std::int32_t i32;
        std::uint32_t u32;
        bool b;
        char c;
        const void* p;
        float f;
        const char* s;
    } payload;
    std::uint64_t tag;

    static Value int32(std::int32_t v);
    static Value uint32(std::uint32_t v);
    static Value hex(std::uint32_t v);
    static Value boolean(bool v);
    static Value character(char v);
    static Value pointer(const void* v);
    static Value real(float v);
    // The characters are referenced, not copied; a longer string is cut to 127 characters.
    static Value string(std::string_view v);
};
static_assert(sizeof(Value) == 16);

namespace detail {
struct LogCore {
    static unsigned char enabledLevels_[7];
};
} // namespace detail

namespace impl {
void log_locally(Level level, unsigned short moduleId, const char* file, int line, const char* format,
                 const Value* values, int count);
} // namespace impl

inline bool is_level_enabled(Level level) {
    const auto index = static_cast<int>(level);
    return index >= 0 && index < 7 && detail::LogCore::enabledLevels_[index] != 0;
}

} // namespace cvsw::log

// Call-site form: the values are built only when the level is enabled.
//   CVSW_LOG(cvsw::log::Level::Error, kModuleId, "Bad length %1", cvsw::log::Value::uint32(n));
#define CVSW_LOG(level, moduleId, format, ...)                                                               \
    do {                                                                                                     \
        if (::cvsw::log::is_level_enabled(level)) {                                                          \
            const ::cvsw::log::Value cvswLogValues_[] = {::cvsw::log::Value::int32(0) __VA_OPT__(, )         \
                                                             __VA_ARGS__};                                   \
            ::cvsw::log::impl::log_locally(                                                                  \
                level, moduleId, __FILE__, __LINE__, format, cvswLogValues_ + 1,                             \
                static_cast<int>(sizeof(cvswLogValues_) / sizeof(cvswLogValues_[0]) - 1));                   \
        }                                                                                                    \
    } while (false)
