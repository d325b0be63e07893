#pragma once

#include <array>

class QString;

// One language of the interface: its two-letter code, which names the translation file
// ":/translations/corvane-update-utility_<code>.qm" and the flag ":/lang_flags/<code>.png", and its
// name in its own script (UTF-8).
struct Translation {
    const char* code;
    const char* nativeName;
};

// The interface languages in the order of the language menu and of the screenshot run. A translation
// file ships in this library for every row.
inline constexpr std::array<Translation, 11> TRANSLATION_TABLE{{
    {"en", "English"},
    {"ar", "عربي"},
    {"de", "Deutsch"},
    {"es", "Español"},
    {"fr", "Français"},
    {"ja", "日本語"},
    {"ko", "한국어"},
    {"mn", "Монгол хэл"},
    {"pt", "Português"},
    {"ru", "Русский"},
    {"zh", "中文"},
}};

// The row whose code is exactly `code` (case-sensitive), or null.
const Translation* findTranslation(const QString& code);
