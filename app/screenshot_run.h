#pragma once

#include "app/languages.h"
#include "resources/translations/translation.h"

#include <QString>
#include <QTimer>

class QTranslator;

// The marketing screenshot run: every page of the window saved in every language of TRANSLATION_TABLE,
// one language per turn of the event loop, by the window's for_marketing_only___screen_shot_each_screen
// (found next to the window's class). The program goes on running afterwards, in the last language,
// which stays saved as the user's. Any window that loadTranslation takes and that has
// setScreenshotMode will do.

template <typename Window>
void screenshotNextLanguage(Window* window, QTranslator* translator, const Translation* row);

// Without a context object: the window and the translator live on main's stack until the loop ends.
template <typename Window>
void scheduleScreenshots(Window* window, QTranslator* translator, const Translation* row) {
    QTimer::singleShot(0, Qt::PreciseTimer,
                       [window, translator, row] { screenshotNextLanguage(window, translator, row); });
}

// Puts the window in screenshot mode, loads English and schedules the first language's pictures.
template <typename Window>
void startScreenshotRun(Window& window, QTranslator& translator) {
    window.setScreenshotMode(true);
    loadTranslation(QStringLiteral("en"), &translator, &window);
    scheduleScreenshots(&window, &translator, TRANSLATION_TABLE.data());
}

// Saves the pages in the row's language, which is loaded, then loads the next row's language and
// schedules its pictures; after the last row nothing more is scheduled.
template <typename Window>
void screenshotNextLanguage(Window* window, QTranslator* translator, const Translation* row) {
    for_marketing_only___screen_shot_each_screen(row->code, window);
    const Translation* next = row + 1;
    if (next == TRANSLATION_TABLE.data() + TRANSLATION_TABLE.size()) {
        return;
    }
    loadTranslation(QString::fromLatin1(next->code), translator, window);
    scheduleScreenshots(window, translator, next);
}
