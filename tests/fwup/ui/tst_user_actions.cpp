#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include "app/application_settings.h"
#include "app/languages.h"
#include "fwup/firmware/filesystem_firmware_catalog.h"
#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/lodestar_catalog_manager.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/ui/about_dialog.h"
#include "fwup/ui/custom_event_dispatcher.h"
#include "fwup/ui/main_window.h"
#include "fwup/ui/screenshot_mode.h"
#include "fwup/ui/window_appearance.h"
#include "resources/translations/translation.h"
#include "tests/fwup/firmware/firmware_test_support.h"
#include "tests/fwup/ui/widget_test_support.h"
#include "tests/fwup/ui/window_rig.h"
#include "tests/support/coordination/coordination_fakes.h"

#include <functional>
#include <optional>

using namespace coordtest;

namespace {

QSettings programSettings() {
    return QSettings(QString::fromLatin1(SETTINGS_ORGANISATION), QString::fromLatin1(SETTINGS_APPLICATION));
}

// The fakes of the state machine's collaborators, with a window on the machine; the window gets the
// fake catalog unless given another. The detector at "HID::A" has 1.79.0-2.3.0, the catalog knows
// 1.78.0-2.2.0 and 1.80.0-2.4.0.
struct WindowRig : fwup::test::WindowRigBase {
    static Versions system(std::uint8_t minor) {
        Versions versions = pod(minor);
        versions.insert(UpgradeableComponent::TAMARIND, Version{2, std::uint8_t(minor - 76), 0});
        return versions;
    }

    WindowRig() {
        for (auto& detector : identifier->systems) {
            detector.versions = system(79);
        }
        catalog.files = {{QStringLiteral("/older.cvb"), system(78)},
                         {QStringLiteral("/newer.cvb"), system(80)}};
    }

    // Shown, with every language of the table, as main dresses it.
    fwup::MainWindow& open(fwup::FirmwareCatalog* windowCatalog = nullptr) {
        window.emplace(machine, windowCatalog ? *windowCatalog : catalog);
        for (const Translation& row : TRANSLATION_TABLE) {
            const QString code = QString::fromLatin1(row.code);
            window->addTranslatedLanguage(code, QString::fromUtf8(row.nativeName), languageFlag(code));
        }
        window->setLanguageFlagIcon(languageFlag(QStringLiteral("en")));
        window->show();
        return *window;
    }
    // Takes the machine to the page that offers a download.
    void offerDownloadAndWait() {
        offerDownload(90);
        downloader->size = 3'500'000;
        driveTo(State::SEARCHING_FOR_UPDATES);
        emit remote->searchFinished();
    }
};

void press(QWidget* widget, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF at(2, 2);
    QMouseEvent event(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void click(QWidget* button) {
    const QPointF at = QRectF(button->rect()).center();
    const QPointF global = button->mapToGlobal(at);
    QMouseEvent down(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &down);
    QMouseEvent up(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(button, &up);
}

// Runs `act` on the next modal dialog or popup menu to open, from inside its own event loop.
void whenOpened(std::function<void(QWidget*)> act) {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act = std::move(act)] {
        QWidget* opened = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                            : QApplication::activeModalWidget();
        if (opened) {
            timer->deleteLater();
            timer->stop();
            act(opened);
        }
    });
    timer->start(10);
}

std::unique_ptr<QMimeData> urls(const QStringList& addresses) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> list;
    for (const QString& address : addresses) {
        list << QUrl(address);
    }
    data->setUrls(list);
    return data;
}

QSharedPointer<fwup::FirmwareFileParser> lodestarParser(int model) {
    using namespace fwtest;
    using Parser = fwup::MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>;
    return QSharedPointer<Parser>::create(model == 1 ? PodTag1 : PodTag2, CpuAppTag, CpuNetTag,
                                          model == 1 ? PodSecret1 : PodSecret2, CpuAppSecret, CpuNetSecret,
                                          model == 1 ? DetectorType::LODESTAR_MODEL_1
                                                     : DetectorType::LODESTAR_MODEL_2);
}

} // namespace

class TestUserActions : public QObject {
    Q_OBJECT

    QTemporaryDir settingsHome_;
    QTranslator translator_;

    // Loads languages the way main connects the window's request.
    void connectLoader(fwup::MainWindow& window) {
        connect(
            &window, &fwup::MainWindow::languageChangeRequested, &window,
            [this, &window](const QString& code) { loadTranslation(code, &translator_, &window); },
            Qt::DirectConnection);
    }

private slots:
    void initTestCase() {
        QVERIFY(settingsHome_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome_.path());
        QCoreApplication::installTranslator(&translator_);
        qApp->installEventFilter(fwup::CustomEventDispatcher::instance());
        QLocale::setDefault(QLocale(QLocale::English, QLocale::Australia));
        fwup::register_window_fonts();
    }
    void init() {
        programSettings().clear();
        QVERIFY(loadLanguage(QStringLiteral("en"), translator_));
        programSettings().clear();
        QCoreApplication::sendPostedEvents();
    }
    void cleanup() { fwup::legacy_catalog_manager_registry().clear(); }

    void buttons_data();
    void buttons();
    void restorePageChoices_data();
    void restorePageChoices();
    void restoreGoInstallsTheChosenVersion();
    void downloadAndInstallLabel();
    void aboutDialog();
    void closeRefusedWhileInstalling_data();
    void closeRefusedWhileInstalling();
    void dragEnter_data();
    void dragEnter();
    void dropAddsLocalFilesToCatalog();
    void languageMenu_data();
    void languageMenu();
    void languageChange_data();
    void languageChange();
    void everyLanguageFits_data();
    void everyLanguageFits();
    void screenshotMode_data();
    void screenshotMode();
};

void TestUserActions::buttons_data() {
    QTest::addColumn<State>("state");
    QTest::addColumn<QString>("button");
    QTest::addColumn<State>("after");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("closes");

    QTest::newRow("up to date: quit") << State::NO_UPDATES_AVAILABLE << "upToDatePageQuitButton"
                                      << State::NO_UPDATES_AVAILABLE << "pageDetectorUpToDate" << true;
    QTest::newRow("update: quit") << State::AWAIT_FIRMWARE_SELECTION << "updatesAvailPageQuitButton"
                                  << State::AWAIT_FIRMWARE_SELECTION << "pageUpdatesAvailable" << true;
    QTest::newRow("update: install") << State::AWAIT_FIRMWARE_SELECTION << "updatesAvailPageInstallButton"
                                     << State::EXTRACTING_FIRMWARE << "pageExtracting" << false;
    QTest::newRow("download: quit") << State::DOWNLOADING_FIRMWARE << "dlAvailPageQuitButton"
                                    << State::AWAIT_FIRMWARE_SELECTION << "pageDownloadUpdateAvailable"
                                    << true;
    QTest::newRow("complete: quit") << State::SUCCEEDED << "installCompletePageQuitButton" << State::SUCCEEDED
                                    << "pageInstallationComplete" << true;
    QTest::newRow("failed: quit") << State::FAILED << "installFailedQuitButton" << State::FAILED
                                  << "pageInstallationFailed" << true;
    QTest::newRow("failed: try again") << State::FAILED << "installFailedTryAgainButton"
                                       << State::SEARCHING_FOR_DETECTOR << "pagePleaseConnect" << false;
}

void TestUserActions::buttons() {
    QFETCH(State, state);
    QFETCH(QString, button);
    QFETCH(State, after);
    QFETCH(QString, page);
    QFETCH(bool, closes);

    WindowRig rig;
    auto& window = rig.open();
    if (state == State::DOWNLOADING_FIRMWARE) {
        rig.offerDownloadAndWait(); // the page before the download
    } else {
        rig.driveTo(state);
    }
    click(rig.find(button.toLatin1()));
    QCOMPARE(rig.machine.state(), after);
    QCOMPARE(rig.page(), page);
    QCOMPARE(window.isVisible(), !closes);
}

// More options opens the restore page with a list built afresh; either cancel button goes back to the
// page the versions call for.
void TestUserActions::restorePageChoices_data() {
    QTest::addColumn<bool>("olderKnown");
    QTest::addColumn<QString>("cancel");
    QTest::addColumn<QString>("page");
    QTest::newRow("versions to restore") << true << "restorePageCancelButton"
                                         << "pageUpdatesAvailable";
    QTest::newRow("nothing to restore") << false << "restorePageCancelGoldButton"
                                        << "pageDetectorUpToDate";
}

void TestUserActions::restorePageChoices() {
    QFETCH(bool, olderKnown);
    QFETCH(QString, cancel);
    QFETCH(QString, page);

    WindowRig rig;
    if (!olderKnown) {
        rig.catalog.files.erase(rig.catalog.files.begin());
        rig.catalog.files[0].versions = rig.identifier->systems.first().versions;
    }
    rig.open();
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(rig.page(), page);

    auto* list = rig.find<QComboBox>("restorePageComboBox");
    for (int round = 0; round < 2; ++round) {
        press(rig.find("moreOptionsButtonLabel"), round == 0 ? Qt::LeftButton : Qt::RightButton);
        QCOMPARE(rig.page(), QStringLiteral("pageRestoreAPreviousVersion"));
        QCOMPARE(list->count(), olderKnown ? 2 : 0);
        // The list is built again on every press, with the newest selected.
        QCOMPARE(list->currentIndex(), list->count() - 1);
        if (olderKnown) {
            list->setCurrentIndex(0);
        }
    }
    QVERIFY(!rig.find(cancel.toLatin1())->isHidden());
    click(rig.find(cancel.toLatin1()));
    QCOMPARE(rig.page(), page);
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
}

void TestUserActions::restoreGoInstallsTheChosenVersion() {
    WindowRig rig;
    rig.open();
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    auto* list = rig.find<QComboBox>("restorePageComboBox");
    auto* go = rig.find("restorePageGoButtonLabel");

    // The form's placeholder rows carry no firmware.
    list->setCurrentIndex(1);
    QTest::ignoreMessage(QtWarningMsg, "Combo box variant data is not of expected type");
    press(go);
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);

    press(rig.find("moreOptionsButtonLabel"));
    list->setCurrentIndex(0);
    press(go);
    QCOMPARE(rig.machine.state(), State::EXTRACTING_FIRMWARE);
    rig.machine.poll();
    QCOMPARE(rig.machine.state(), State::INSTALLING_FIRMWARE);
    QCOMPARE(rig.updater->installedFrom(), QStringLiteral("/older.cvb"));
}

// Whichever button presses it; acted on once although the window filters the label twice over.
void TestUserActions::downloadAndInstallLabel() {
    WindowRig rig;
    rig.open();
    rig.offerDownloadAndWait();
    QCOMPARE(rig.page(), QStringLiteral("pageDownloadUpdateAvailable"));
    press(rig.find("dlAvailPageDlAndInstallButtonLabel"), Qt::MiddleButton);
    QCOMPARE(rig.machine.state(), State::DOWNLOADING_FIRMWARE);
    QCOMPARE(rig.page(), QStringLiteral("pageDownloading"));
    QCOMPARE(rig.downloader->starts, 1);
}

void TestUserActions::aboutDialog() {
    QCoreApplication::setApplicationVersion(QStringLiteral("3.49.0"));
    WindowRig rig;
    auto& window = rig.open();
    loadTranslation(QStringLiteral("de"), &translator_, &window);

    int opened = 0;
    QString title;
    QWidget* parent = nullptr;
    whenOpened([&](QWidget* dialog) {
        ++opened;
        title = dialog->windowTitle();
        parent = dialog->parentWidget();
        QVERIFY(qobject_cast<AboutDialog*>(dialog));
        QVERIFY(fwup::test::save_picture(dialog->grab(), QStringLiteral("about_dialog_de.png")));
        dialog->close();
    });
    press(rig.find("aboutButtonLabel"));
    QCOMPARE(opened, 1);
    QCOMPARE(title, QStringLiteral("Über Corvane Update-Dienstprogramm"));
    QCOMPARE(parent, &window);
    QVERIFY(window.findChildren<AboutDialog*>().isEmpty());
}

void TestUserActions::closeRefusedWhileInstalling_data() {
    QTest::addColumn<State>("state");
    QTest::addColumn<bool>("refused");
    QTest::newRow("searching") << State::SEARCHING_FOR_DETECTOR << false;
    QTest::newRow("extracting") << State::EXTRACTING_FIRMWARE << false;
    QTest::newRow("installing") << State::INSTALLING_FIRMWARE << true;
    QTest::newRow("continuing incomplete update") << State::CONTINUING_INCOMPLETE_UPDATE << true;
    QTest::newRow("failed") << State::FAILED << false;
}

void TestUserActions::closeRefusedWhileInstalling() {
    QFETCH(State, state);
    QFETCH(bool, refused);
    WindowRig rig;
    auto& window = rig.open();
    rig.driveTo(state);

    QCloseEvent request;
    QCoreApplication::sendEvent(&window, &request);
    QCOMPARE(request.isAccepted(), !refused);
    QCOMPARE(window.close(), !refused);
    QCOMPARE(window.isVisible(), refused);
    if (!refused) {
        return;
    }
    // Neither the about dialog nor the language menu opens over an installation: their nested event
    // loop would hold the transfer.
    int opened = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&opened] {
        if (QWidget* shown = QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                              : QApplication::activeModalWidget()) {
            ++opened;
            shown->close();
        }
    });
    watch.start(10);
    press(rig.find("aboutButtonLabel"));
    press(rig.find("languageLabel"));
    QTest::qWait(50);
    QCOMPARE(opened, 0);
}

void TestUserActions::dragEnter_data() {
    QTest::addColumn<State>("state");
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<bool>("accepted");

    const QString local = QStringLiteral("file:///tmp/update.cvb");
    const QString web = QStringLiteral("https://example.com/update.cvb");
    QTest::newRow("local file") << State::SEARCHING_FOR_DETECTOR << QStringList{local} << true;
    QTest::newRow("web address") << State::SEARCHING_FOR_DETECTOR << QStringList{web} << false;
    QTest::newRow("web address and local file")
        << State::SEARCHING_FOR_DETECTOR << QStringList{web, local} << true;
    QTest::newRow("no addresses") << State::SEARCHING_FOR_DETECTOR << QStringList{} << false;
    QTest::newRow("detector identified") << State::AWAIT_FIRMWARE_SELECTION << QStringList{local} << false;
    QTest::newRow("installing") << State::INSTALLING_FIRMWARE << QStringList{local} << false;
    QTest::newRow("failed") << State::FAILED << QStringList{local} << false;
}

void TestUserActions::dragEnter() {
    QFETCH(State, state);
    QFETCH(QStringList, addresses);
    QFETCH(bool, accepted);
    WindowRig rig;
    auto& window = rig.open();
    rig.driveTo(state);

    const auto data = urls(addresses);
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction | Qt::MoveAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QCOMPARE(enter.isAccepted(), accepted);
}

// Dropped files reach every parser and a real catalog; web addresses and files no parser takes are
// passed over without a word. Once a detector is identified, nothing can be dropped.
void TestUserActions::dropAddsLocalFilesToCatalog() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QStringList files;
    for (int model : {1, 2, 1}) {
        fwtest::LodestarFirmwareLayout layout;
        layout.model = model;
        layout.imageSeed = std::uint32_t(files.size() + 1);
        files << dir.filePath(QStringLiteral("firmware%1.cvb").arg(files.size()));
        QVERIFY(fwtest::writeContainer(files.last(), fwtest::lodestarFirmware(layout)));
    }
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    QVERIFY(fwtest::writeBytes(notes, fwtest::bytesOf("Release notes\n")));

    WindowRig rig;
    fwup::global_firmware_file_parser_registry() << lodestarParser(1) << lodestarParser(2);
    fwup::legacy_catalog_manager_registry() << QSharedPointer<fwup::LodestarCatalogManager>::create();
    const QString catalogDirectory = dir.filePath(QStringLiteral("catalog"));
    std::optional<fwup::FilesystemFirmwareCatalog> catalog{std::in_place, QDir(catalogDirectory)};
    auto& window = rig.open(&*catalog);
    QCOMPARE(rig.machine.state(), State::SEARCHING_FOR_DETECTOR);
    // The copies, without the manifest.
    const auto stored = [&] {
        QStringList copies = QDir(catalogDirectory).entryList(QDir::Files, QDir::Name);
        copies.removeOne(QLatin1String(fwup::FilesystemFirmwareCatalog::MANIFEST_FILE_NAME));
        return copies;
    };

    // As a drag ends: the drop reaches the window only when it accepted the drag's entry.
    const auto drop = [&](const QStringList& addresses) {
        const auto data = urls(addresses);
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(QPoint(100, 100), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &enter);
        QDropEvent event(QPointF(100, 100), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
        return event.isAccepted() ? event.dropAction() : Qt::IgnoreAction;
    };
    const auto local = [](const QString& path) {
        return QUrl::fromLocalFile(path).toString();
    };
    QCOMPARE(drop({QStringLiteral("https://example.com/firmware.cvb")}), Qt::IgnoreAction);
    QVERIFY(stored().isEmpty());

    const QStringList mixed{local(files[0]), QStringLiteral("https://example.com/x.cvb"), local(notes),
                            local(files[1])};
    // Only ever a copy: the source keeps its file.
    QCOMPARE(drop(mixed), Qt::CopyAction);
    const QStringList withBoth = stored();
    QCOMPARE(withBoth.size(), 2);
    QCOMPARE(drop({mixed[0]}), Qt::CopyAction);
    QCOMPARE(stored(), withBoth);
    QVERIFY(QFileInfo::exists(files[0]) && QFileInfo::exists(files[1]));
    // The state machine hears of it at its next search.
    QCOMPARE(rig.machine.state(), State::SEARCHING_FOR_DETECTOR);

    // A folder is no firmware file.
    QCOMPARE(drop({local(dir.path())}), Qt::IgnoreAction);
    QCOMPARE(stored(), withBoth);

    // A drag that entered while searching and ends once a detector was found meanwhile.
    const auto late = urls({local(files[2])});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, late.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    QDropEvent lateDrop(QPointF(100, 100), Qt::CopyAction, late.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &lateDrop);
    QVERIFY(!lateDrop.isAccepted());
    QCOMPARE(stored(), withBoth);

    QCOMPARE(drop({local(files[2])}), Qt::IgnoreAction);
    QCOMPARE(stored(), withBoth);

    // One entry for each detector type in the manifest.
    rig.window.reset();
    catalog.reset();
    QFile manifest(catalogDirectory + QLatin1Char('/') +
                   QLatin1String(fwup::FilesystemFirmwareCatalog::MANIFEST_FILE_NAME));
    QVERIFY(manifest.open(QIODevice::ReadOnly));
    const QJsonObject entries = QJsonDocument::fromJson(manifest.readAll()).object();
    QCOMPARE(entries.keys(), (QStringList{"SUMMIT PRO", "SUMMIT PRO 2"}));
    for (const auto& entry : entries) {
        QCOMPARE(entry.toArray().size(), 1);
    }
}

void TestUserActions::languageMenu_data() {
    QTest::addColumn<QString>("picked"); // empty: the menu is dismissed
    QTest::addColumn<QString>("shown");
    QTest::newRow("German") << "de"
                            << "Schließen Sie ein Gerät an, um nach Updates zu suchen";
    QTest::newRow("the current language") << "en"
                                          << "Connect a device to check for updates";
    QTest::newRow("dismissed") << ""
                               << "Connect a device to check for updates";
}

void TestUserActions::languageMenu() {
    QFETCH(QString, picked);
    QFETCH(QString, shown);
    WindowRig rig;
    auto& window = rig.open();
    connectLoader(window);
    QSignalSpy requests(&window, &fwup::MainWindow::languageChangeRequested);

    QStringList names;
    QStringList codes;
    QWidget* menuParent = nullptr;
    whenOpened([&](QWidget* opened) {
        auto* menu = qobject_cast<QMenu*>(opened);
        QVERIFY(menu);
        menuParent = menu->parentWidget();
        for (QAction* action : menu->actions()) {
            names << action->text();
            codes << action->data().toString();
            QVERIFY(!action->icon().isNull());
            if (action->data().toString() == picked) {
                menu->setActiveAction(action);
            }
        }
        QTest::keyClick(menu, picked.isEmpty() ? Qt::Key_Escape : Qt::Key_Return);
    });
    press(rig.find("languageLabel"));

    QCOMPARE(menuParent, rig.find("root"));
    QCOMPARE(names.size(), int(TRANSLATION_TABLE.size()));
    QCOMPARE(names[1], QStringLiteral("عربي"));
    QCOMPARE(codes.last(), QStringLiteral("zh"));
    QCOMPARE(requests.size(), picked.isEmpty() ? 0 : 1);
    if (!picked.isEmpty()) {
        QCOMPARE(requests.first().first().toString(), picked);
    }
    // Loaded and stored before the press returned.
    QCOMPARE(programSettings().value(QStringLiteral("language")).toString(), picked);
    QCOMPARE(window.windowTitle(), picked.isEmpty() ? QString() : QGuiApplication::applicationDisplayName());
    QTRY_COMPARE(rig.text("labelConnectADetectorToCheckForUpdates"), shown);
    QCOMPARE(rig.find<QLabel>("languageLabel")->pixmap().toImage(),
             languageFlag(picked.isEmpty() ? QStringLiteral("en") : picked).toImage());
}

// The current page's texts follow the language, also those the page functions set, and the window
// keeps its title, its restore list and the user's choice in it. Demonstration values only in
// screenshot mode.
void TestUserActions::languageChange_data() {
    QTest::addColumn<bool>("screenshotMode");
    QTest::newRow("normal") << false;
    QTest::newRow("screenshot mode") << true;
}

void TestUserActions::languageChange() {
    QFETCH(bool, screenshotMode);
    WindowRig rig;
    auto& window = rig.open();
    window.setScreenshotMode(screenshotMode);
    // Past the page that names the detector.
    rig.driveTo(State::SEARCHING_FOR_UPDATES);
    emit rig.remote->searchFinished();
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    press(rig.find("moreOptionsButtonLabel"));
    rig.find<QComboBox>("restorePageComboBox")->setCurrentIndex(0);
    const QString installText = rig.text("restorePageGoButtonLabel");

    loadTranslation(QStringLiteral("de"), &translator_, &window);
    QTRY_COMPARE(rig.text("labelRestoreAPreviousUpdateVersion"),
                 QStringLiteral("Eine frühere Update-Version wiederherstellen."));
    QCOMPARE(rig.page(), QStringLiteral("pageRestoreAPreviousVersion"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Corvane Update-Dienstprogramm"));
    QCOMPARE(rig.text("restorePageCurrentVersionLabel"),
             QStringLiteral("Aktuelle Softwareversion: 1.79.0-2.3.0"));
    QCOMPARE(rig.find<QComboBox>("restorePageComboBox")->currentIndex(), 0);
    QCOMPARE(rig.text("labelDetectorIdentifiedCheckingForUpdates"),
             QStringLiteral("SUMMIT PRO erkannt.\n\nSuche nach Updates..."));
    QCOMPARE(rig.find<QPushButton>("restorePageCancelButton")->text(), QStringLiteral("ABBRECHEN"));

    const QString demo = QStringLiteral("<b>HERUNTERLADEN UND INSTALLIEREN</b> (3.50 MB)");
    QCOMPARE(rig.text("restorePageGoButtonLabel"),
             screenshotMode ? demo : QStringLiteral("<b>INSTALLIEREN</b>"));
    QCOMPARE(rig.text("dlAvailPageDlAndInstallButtonLabel"),
             screenshotMode ? demo : QStringLiteral("<b>DOWNLOAD AND INSTALL</b> (50MB)"));
    QCOMPARE(rig.find<QProgressBar>("installPageProgressBar")->value(), screenshotMode ? 20 : 24);
    QCOMPARE(rig.find<QProgressBar>("downloadPageProgressBar")->value(), screenshotMode ? 20 : 24);
    if (screenshotMode) {
        QCOMPARE(rig.text("installPageProgressLabel"), QStringLiteral("Installationsfortschritt (20 %)"));
        QVERIFY(!rig.find("installPageProgressContainer")->isHidden());
        QVERIFY(rig.find("installPageActInd")->isHidden());
    } else {
        QCOMPARE(installText, QStringLiteral("<b>INSTALL</b>"));
    }
}

// No text of any page is cut off in any language.
void TestUserActions::everyLanguageFits_data() {
    QTest::addColumn<QString>("code");
    for (const Translation& row : TRANSLATION_TABLE) {
        QTest::newRow(row.code) << QString::fromLatin1(row.code);
    }
}

void TestUserActions::everyLanguageFits() {
    QFETCH(QString, code);
    WindowRig rig;
    auto& window = rig.open();
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    window.setScreenshotMode(true);
    loadTranslation(code, &translator_, &window);
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&window, &change);
    // With the coil hint and the version warning, the longest texts of the update page.
    window.showUpdateAvailablePage({}, pod(80), false,
                                   fwup::DetectorUpgradeReadinessChecker::ReadinessStatus::READY, true);

    auto* stack = rig.find<QStackedWidget>("stackedWidget");
    QStringList clipped;
    for (int page = 0; page < stack->count(); ++page) {
        stack->setCurrentIndex(page);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        for (const QString& text : fwup::test::clipped_texts(window)) {
            clipped << QStringLiteral("page %1: %2").arg(page).arg(text);
        }
    }
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
}

// Every page in every language, at the window's size, in the current directory; the user's saved
// language stays as it was.
void TestUserActions::screenshotMode_data() {
    QTest::addColumn<QVariant>("saved");
    QTest::newRow("German saved") << QVariant(QStringLiteral("de"));
    QTest::newRow("nothing saved") << QVariant();
}

void TestUserActions::screenshotMode() {
    QFETCH(QVariant, saved);
    QTemporaryDir pictures;
    QVERIFY(pictures.isValid());
    const QString previousDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(pictures.path()));
    if (saved.isValid()) {
        programSettings().setValue(QStringLiteral("language"), saved);
    }

    WindowRig rig;
    auto& window = rig.open();
    QSettings settings = programSettings();
    QStringList loaded;
    fwup::start_screenshot_mode(window, settings, [&](const QString& code) {
        loaded << code;
        loadTranslation(code, &translator_, &window);
    });
    QStringList expected;
    for (const Translation& row : TRANSLATION_TABLE) {
        for (int page = 0; page < 12; ++page) {
            expected << QStringLiteral("cuu_%1_%2.png")
                            .arg(QString::fromLatin1(row.code))
                            .arg(page, 2, 10, QLatin1Char('0'));
        }
    }
    expected.sort();
    const QDir dir(pictures.path());
    QTRY_COMPARE_WITH_TIMEOUT(dir.entryList(QDir::Files, QDir::Name).size(), expected.size(), 60000);
    QCOMPARE(dir.entryList(QDir::Files, QDir::Name), expected);
    QVERIFY(QDir::setCurrent(previousDirectory));

    for (const QString& name : expected) {
        QCOMPARE(QImageReader(dir.filePath(name)).size(), QSize(960, 600));
    }
    // Each language pictured in its own words.
    QVERIFY(QImage(dir.filePath(QStringLiteral("cuu_en_00.png"))) !=
            QImage(dir.filePath(QStringLiteral("cuu_de_00.png"))));
    QCOMPARE(loaded.size(), int(TRANSLATION_TABLE.size()));
    QCOMPARE(translator_.language(), QStringLiteral("zh"));
    QCOMPARE(rig.text("dlAvailPageDlAndInstallButtonLabel"), QStringLiteral("<b>下载并安装</b> (3.50MB)"));
    QCOMPARE(programSettings().contains(QStringLiteral("language")), saved.isValid());
    QCOMPARE(programSettings().value(QStringLiteral("language")), saved);

    // For a person to look at.
    for (const char* name : {"cuu_en_05.png", "cuu_de_09.png", "cuu_ja_11.png", "cuu_ar_06.png"}) {
        QVERIFY(fwup::test::save_picture(QPixmap(dir.filePath(QLatin1String(name))), QLatin1String(name)));
    }
}

QTEST_MAIN(TestUserActions)
#include "tst_user_actions.moc"
