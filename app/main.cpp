#include "app/application_settings.h"
#include "app/bundled_firmware_import.h"
#include "app/languages.h"
#include "app/log_files.h"
#include "app/start_up.h"
#include "fwup/coordination/application_configuration.h"
#include "fwup/coordination/detector_support.h"
#include "fwup/coordination/firmware_update_state_machine.h"
#include "fwup/firmware/filesystem_firmware_catalog.h"
#include "fwup/ui/custom_event_dispatcher.h"
#include "fwup/ui/main_window.h"
#include "fwup/ui/screenshot_mode.h"
#include "resources/translations/translation.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QSettings>
#include <QStringList>
#include <QTranslator>
#include <QUrl>

// Builds the whole program on this stack in a fixed order and tears it down in reverse once the event
// loop returns: the window and the state machine go before the catalog they use.
int main(int argc, char* argv[]) {
    // Destroyed last: what logs while the program is torn down still reaches the log file, and
    // nothing logs into the log files once static destruction has closed them.
    const struct MessageHandlerReset {
        ~MessageHandlerReset() { qInstallMessageHandler(nullptr); }
    } messageHandlerReset;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane Update Utility"));
    QApplication::setOrganizationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(applicationVersionString());
    application.installEventFilter(fwup::CustomEventDispatcher::instance());
    QSettings::setDefaultFormat(QSettings::NativeFormat);

    const QString organisation = QString::fromLatin1(SETTINGS_ORGANISATION);
    const QString settingsName = QString::fromLatin1(SETTINGS_APPLICATION);
    const QDir dataDirectory = applicationDataDirectory();
    {
        QSettings logSettings(organisation, settingsName);
        setUpLogFiles(dataDirectory, logSettings);
    }

    QSettings settings(organisation, settingsName);
    markRunStarted(settings);
    const QUrl updateServer = updateServerUrl(settings);
    fwup::FilesystemFirmwareCatalog catalog(QDir(dataDirectory.absolutePath() + QStringLiteral("/catalog")));

    // The registries must be full before the first firmware file is parsed.
    const fwup::ApplicationConfiguration configuration{dataDirectory, updateServer, true};
    fwup::for_each_supported_detector(
        [&configuration](const fwup::DetectorSupport& support) { support(configuration); });
    importBundledFirmware(QStringLiteral(":/firmware"), catalog);
    importBundledFirmware(QCoreApplication::applicationDirPath() + QStringLiteral("/../Resources/firmware"),
                          catalog);

    fwup::FirmwareUpdateStateMachine stateMachine(catalog);
    fwup::MainWindow window(stateMachine, catalog);
    window.setWindowFlags(Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint);
    for (const Translation& row : TRANSLATION_TABLE) {
        const QString code = QString::fromLatin1(row.code);
        window.addTranslatedLanguage(code, QString::fromUtf8(row.nativeName), languageFlag(code));
    }

    QTranslator translator;
    QCoreApplication::installTranslator(&translator);
    const auto loadLanguageOnWindow = [&translator, &window](const QString& code) {
        loadTranslation(code, &translator, &window);
    };
    loadLanguageOnWindow(startLanguage(settings, QLocale().uiLanguages()));
    QObject::connect(&window, &fwup::MainWindow::languageChangeRequested, &window, loadLanguageOnWindow,
                     Qt::DirectConnection);

    // restoreGeometry ignores an empty geometry, as when none was saved.
    window.restoreGeometry(savedWindowGeometry(settings));
    window.show();

    if (wantsScreenshotMode(QCoreApplication::arguments())) {
        fwup::start_screenshot_mode(window, settings, loadLanguageOnWindow);
    }

    const int result = QApplication::exec();
    markRunEnded(settings, window.saveGeometry());
    return result;
}
