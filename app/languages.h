#pragma once

#include <QGuiApplication>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QSettings;
class QTranslator;

// The language to load at start: the saved "language" whenever the key exists, whatever it holds;
// otherwise the first UI language whose first two characters are one of TRANSLATION_TABLE's codes
// (case-sensitive); otherwise "en".
QString startLanguage(const QSettings& settings, const QStringList& uiLanguages);

// Loads ":/translations/corvane-update-utility_<code>.qm" into the translator, which makes Qt post a
// language-change event. On success stores the code as "language" and sets the application display
// name to the translated application name. A code outside the table is ignored without a word; a
// failed load logs a warning and leaves the translator empty. Returns whether it loaded.
bool loadLanguage(const QString& code, QTranslator& translator);

// The flag of a language, ":/lang_flags/<code>.png".
QPixmap languageFlag(const QString& code);

// Loads a language and shows it on the window: the title becomes the translated application name and
// the flag icon the language's. Any window with setWindowTitle and setLanguageFlagIcon will do.
template <typename Window>
void loadTranslation(const QString& code, QTranslator* translator, Window* window) {
    if (!loadLanguage(code, *translator)) {
        return;
    }
    window->setWindowTitle(QGuiApplication::applicationDisplayName());
    window->setLanguageFlagIcon(languageFlag(code));
}
