#pragma once

#include <functional>

class QSettings;
class QString;

namespace fwup {

class MainWindow;

// Saves a picture of each page of the window, as the page shows now, in the current directory as
// "cuu_<languageCode>_<page index in two digits>.png". The pages are made current in turn without the
// state machine; the last one stays current. A file that cannot be written is skipped.
void for_marketing_only___screen_shot_each_screen(const char* languageCode, MainWindow* window);

// Loads one language into the program and shows it on the window, as a choice in the language menu
// does.
using LanguageLoader = std::function<void(const QString& code)>;

// The "--ss-for-marketing" run: puts the window in screenshot mode, then, one event-loop turn per
// language of TRANSLATION_TABLE, loads the language with `loadLanguage` and saves every page in it.
// Returns at once; the run goes on from the event loop and ends with the last language loaded. The
// loader stores each language it loads, so "language" in `settings` is put back after every load:
// the run leaves the user's choice as it was. `settings` must outlive the run; the run stops when
// the window is destroyed.
void start_screenshot_mode(MainWindow& window, QSettings& settings, LanguageLoader loadLanguage);

} // namespace fwup
