#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QWidget>

#include "app/application_settings.h"
#include "app/screenshot_run.h"

namespace shots {

// The window as the screenshot run sees it; each set of pictures records the language it was taken in.
class Window : public QWidget {
public:
    void setLanguageFlagIcon(const QPixmap&) {}
    void setScreenshotMode(bool on) { screenshotMode = on; }

    bool screenshotMode = false;
    const QTranslator* translator = nullptr;
    QStringList shotCodes;
    QStringList shotLanguages;
};

void for_marketing_only___screen_shot_each_screen(const char* code, Window* window) {
    window->shotCodes << QString::fromLatin1(code);
    window->shotLanguages << window->translator->language();
}

} // namespace shots

class TestScreenshotRun : public QObject {
    Q_OBJECT

    QTemporaryDir settingsHome_;

private slots:
    void initTestCase() {
        QVERIFY(settingsHome_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome_.path());
    }

    // One language per turn of the event loop, English first, each pictured in its own language; the run
    // then stops and leaves the last language as the user's.
    void picturesEveryLanguageInTurn() {
        QSettings settings(QString::fromLatin1(SETTINGS_ORGANISATION),
                           QString::fromLatin1(SETTINGS_APPLICATION));
        settings.setValue(QStringLiteral("language"), QStringLiteral("de"));
        QTranslator translator;
        QCoreApplication::installTranslator(&translator);
        shots::Window window;
        window.translator = &translator;

        startScreenshotRun(window, translator);
        QVERIFY(window.screenshotMode);
        QCOMPARE(translator.language(), QStringLiteral("en"));
        QVERIFY(window.shotCodes.isEmpty());

        QStringList codes;
        for (const Translation& row : TRANSLATION_TABLE) {
            codes << QString::fromLatin1(row.code);
        }
        QTRY_COMPARE(window.shotCodes, codes);
        QCOMPARE(window.shotLanguages, codes);
        QCOMPARE(settings.value(QStringLiteral("language")).toString(), QStringLiteral("zh"));
        for (int turn = 0; turn < 3; ++turn) {
            QCoreApplication::processEvents();
        }
        QCOMPARE(window.shotCodes.size(), codes.size());
        QCoreApplication::removeTranslator(&translator);
    }
};

QTEST_MAIN(TestScreenshotRun)
#include "tst_screenshot_run.moc"
