#include "fwup/ui/screenshot_mode.h"

#include "fwup/ui/main_window.h"
#include "resources/translations/translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QPixmap>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <QVariant>

#include <memory>
#include <utility>

namespace fwup {

namespace {

const QString LANGUAGE = QStringLiteral("language");

struct ScreenshotRun {
    MainWindow& window;
    QSettings& settings;
    LanguageLoader loadLanguage;
    // The user's choice; invalid when none is saved.
    QVariant savedLanguage;
};

void load_keeping_saved_language(ScreenshotRun& run, const char* code) {
    run.loadLanguage(QString::fromLatin1(code));
    if (run.savedLanguage.isValid()) {
        run.settings.setValue(LANGUAGE, run.savedLanguage);
    } else {
        run.settings.remove(LANGUAGE);
    }
    run.settings.sync();
}

void shoot_language(const std::shared_ptr<ScreenshotRun>& run, std::size_t row) {
    // The translator posts its language change to the application, which posts it on to the window
    // only when it is delivered, after this step was queued. Applied here, the pictures never show
    // the texts of the language before.
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&run->window, &change);
    for_marketing_only___screen_shot_each_screen(TRANSLATION_TABLE[row].code, &run->window);

    const std::size_t next = row + 1;
    if (next == TRANSLATION_TABLE.size()) {
        return;
    }
    load_keeping_saved_language(*run, TRANSLATION_TABLE[next].code);
    QTimer::singleShot(0, Qt::PreciseTimer, &run->window, [run, next] { shoot_language(run, next); });
}

} // namespace

void for_marketing_only___screen_shot_each_screen(const char* languageCode, MainWindow* window) {
    auto* stack = window->findChild<QStackedWidget*>(QStringLiteral("stackedWidget"));
    if (!stack || stack->count() < 1) {
        return;
    }
    for (int page = 0; page < stack->count(); ++page) {
        stack->setCurrentIndex(page);
        // Lays the page out for the texts it was just given.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        QPixmap picture(window->size());
        window->render(&picture, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
        const QString path = QDir::currentPath() + QStringLiteral("/cuu_%1_%2.png")
                                                       .arg(QString::fromLatin1(languageCode))
                                                       .arg(page, 2, 10, QLatin1Char('0'));
        picture.save(path);
    }
}

void start_screenshot_mode(MainWindow& window, QSettings& settings, LanguageLoader loadLanguage) {
    auto run = std::make_shared<ScreenshotRun>(
        ScreenshotRun{window, settings, std::move(loadLanguage),
                      settings.contains(LANGUAGE) ? settings.value(LANGUAGE) : QVariant()});
    window.setScreenshotMode(true);
    load_keeping_saved_language(*run, TRANSLATION_TABLE.front().code);
    QTimer::singleShot(0, Qt::PreciseTimer, &window, [run] { shoot_language(run, 0); });
}

} // namespace fwup
