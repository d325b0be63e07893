#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QMetaType>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include "fwup/coordination/version_check_answer.h"
#include "fwup/ui/main_window.h"
#include "fwup/ui/update_page_choice.h"
#include "tests/fwup/ui/widget_test_support.h"
#include "tests/fwup/ui/window_rig.h"
#include "tests/support/coordination/coordination_fakes.h"

#include <optional>

using namespace coordtest;
using Page = fwup::UpdatePageChoice::Page;
using Readiness = fwup::DetectorUpgradeReadinessChecker::ReadinessStatus;
using Firmware = Machine::AvailableFirmware;

Q_DECLARE_METATYPE(Page)
Q_DECLARE_METATYPE(Readiness)
Q_DECLARE_METATYPE(std::optional<bool>)
Q_DECLARE_METATYPE(DetectorType)
Q_DECLARE_METATYPE(std::vector<Versions>)

namespace {

Versions versions(std::uint8_t podMinor, std::uint8_t tamarindMinor = 0) {
    Versions result = pod(podMinor);
    if (tamarindMinor != 0) {
        result.insert(UpgradeableComponent::TAMARIND, Version{2, tamarindMinor, 0});
    }
    return result;
}

// The fakes of the state machine's collaborators with a window on the machine: the window starts
// the search as it is built. The detector at "HID::A" has 1.79.0-2.3.0.
struct WindowRig : fwup::test::WindowRigBase {
    WindowRig() {
        identify(versions(79, 3));
        catalog.files = {{QStringLiteral("/older.cvb"), versions(78, 2)},
                         {QStringLiteral("/newer.cvb"), versions(80, 4)}};
    }

    void identify(const Versions& installed, std::optional<bool> valid = true,
                  DetectorType type = DetectorType::LODESTAR_MODEL_1) {
        for (auto& system : identifier->systems) {
            system.versions = installed;
            system.valid = valid;
            system.type = type;
        }
    }
    void offerCatalog(const std::vector<Versions>& known) {
        catalog.files.clear();
        for (const auto& entry : known) {
            catalog.files.emplace_back(QStringLiteral("/%1.cvb").arg(catalog.files.size()), entry);
        }
    }
    // With the flag of English, as main dresses it, unless asked not to.
    fwup::MainWindow& open(bool withLanguage = true) {
        window.emplace(machine, catalog);
        if (withLanguage) {
            const QPixmap flag(QStringLiteral(":/lang_flags/en.png"));
            window->addTranslatedLanguage(QStringLiteral("en"), QStringLiteral("English"), flag);
            window->setLanguageFlagIcon(flag);
        }
        return *window;
    }

    bool shown(const char* name) const { return !find(name)->isHidden(); }
    QStringList restoreItems() const {
        QStringList items;
        const auto* list = find<QComboBox>("restorePageComboBox");
        for (int i = 0; i < list->count(); ++i) {
            items << list->itemText(i);
        }
        return items;
    }
};

// Shows the window, saves what it shows for a person to look at, and lists clipped texts. No event
// loop runs, so the poll timer cannot move the state machine on meanwhile.
QStringList snap(fwup::MainWindow& window, const QString& name) {
    window.show();
    if (!fwup::test::save_picture(window.grab(), QStringLiteral("window_%1.png").arg(name))) {
        return {QStringLiteral("picture not saved")};
    }
    return fwup::test::clipped_texts(window);
}

void expectWarning(const char* text) {
    QTest::ignoreMessage(QtWarningMsg, text);
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::Australia)); }

    void pageForEachState_data();
    void pageForEachState();
    void dressedAndPolling();
    void installProgress();
    void downloadProgress();
    void pageChoice_data();
    void pageChoice();
    void updatePages_data();
    void updatePages();
    void downloadPage();
    void restoreList_data();
    void restoreList();
    void restoreListKeptWhenShownAgain();
    void restorePageFollowsReadiness();
    void componentVersionsText_data();
    void componentVersionsText();
    void downloadAndInstallButtonText_data();
    void downloadAndInstallButtonText();
};

void TestMainWindow::pageForEachState_data() {
    QTest::addColumn<State>("state");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("moreOptions");
    QTest::newRow("00 idle") << State::IDLE << "pagePleaseConnect" << false;
    QTest::newRow("01 searching for detector")
        << State::SEARCHING_FOR_DETECTOR << "pagePleaseConnect" << false;
    QTest::newRow("02 multiple detectors") << State::MULTIPLE_DETECTORS_FOUND << "pageMultiDetected" << false;
    QTest::newRow("03 searching for updates") << State::SEARCHING_FOR_UPDATES << "pageIdentified" << false;
    QTest::newRow("04 no updates") << State::NO_UPDATES_AVAILABLE << "pageDetectorUpToDate" << true;
    QTest::newRow("05 await selection") << State::AWAIT_FIRMWARE_SELECTION << "pageUpdatesAvailable" << true;
    QTest::newRow("06 downloading") << State::DOWNLOADING_FIRMWARE << "pageDownloading" << false;
    QTest::newRow("07 extracting") << State::EXTRACTING_FIRMWARE << "pageExtracting" << false;
    QTest::newRow("08 installing") << State::INSTALLING_FIRMWARE << "pageInstalling" << false;
    QTest::newRow("09 succeeded") << State::SUCCEEDED << "pageInstallationComplete" << false;
    QTest::newRow("10 continuing") << State::CONTINUING_INCOMPLETE_UPDATE << "pageInstalling" << false;
    QTest::newRow("11 failed") << State::FAILED << "pageInstallationFailed" << false;
}

void TestMainWindow::pageForEachState() {
    QFETCH(State, state);
    QFETCH(QString, page);
    QFETCH(bool, moreOptions);
    WindowRig rig;
    auto& window = rig.open();
    rig.driveTo(state);
    QCOMPARE(rig.machine.state(), state == State::IDLE ? State::SEARCHING_FOR_DETECTOR : state);
    // IDLE and values past the table leave the page as it is.
    window.showPageForState(State::IDLE, true);
    window.showPageForState(static_cast<State>(12), true);
    QCOMPARE(rig.page(), page);
    QCOMPARE(rig.shown("moreOptionsButtonLabel"), moreOptions);
    if (state == State::SEARCHING_FOR_UPDATES) {
        QCOMPARE(rig.text("labelDetectorIdentifiedCheckingForUpdates"),
                 QStringLiteral("SUMMIT PRO identified.\n\nChecking for updates..."));
    }
    const QStringList clipped = snap(window, QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
}

void TestMainWindow::dressedAndPolling() {
    WindowRig rig;
    auto& window = rig.open(false);
    QCOMPARE(rig.page(), QStringLiteral("pagePleaseConnect"));
    QCOMPARE(window.size(), QSize(960, 600));

    const QString sheet = rig.find("root")->styleSheet();
    QVERIFY(sheet.contains(QLatin1String("border-image: url(:/CVN-Updater-BG-50pct.png)")));
    QVERIFY(!sheet.contains(QLatin1String("${")));
    QVERIFY(window.styleSheet().isEmpty());
    QVERIFY(!rig.find<QLabel>("mainLogoLabel")->pixmap().isNull());
    QCOMPARE(rig.find<QLabel>("mainLogoLabel")->pixmap().size(),
             QPixmap(QStringLiteral(":/SUMMIT-PRO-logo.png")).size());
    QVERIFY(QFontDatabase::families().contains(QStringLiteral("PT Sans")));
    QVERIFY(QFontDatabase::families().contains(QStringLiteral("PT Mono")));

    // The flag label waits for the first language; the language list is main's to give.
    QVERIFY(!rig.shown("languageLabel"));
    window.addTranslatedLanguage(QStringLiteral("en"), QStringLiteral("English"),
                                 QPixmap(QStringLiteral(":/lang_flags/en.png")));
    window.setLanguageFlagIcon(QPixmap(QStringLiteral(":/lang_flags/en.png")));
    QVERIFY(rig.shown("languageLabel"));
    QCOMPARE(rig.find("languageLabel")->size(), QSize(36, 24));

    // Nothing but the window's timer polls from here on.
    rig.plug({QStringLiteral("HID::A")});
    QTRY_COMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(rig.page(), QStringLiteral("pageUpdatesAvailable"));
    rig.plug({});
    QTRY_COMPARE(rig.machine.state(), State::SEARCHING_FOR_DETECTOR);
    QCOMPARE(rig.page(), QStringLiteral("pagePleaseConnect"));
}

void TestMainWindow::installProgress() {
    WindowRig rig;
    auto& window = rig.open();
    rig.driveTo(State::INSTALLING_FIRMWARE);
    QVERIFY(!rig.shown("installPageProgressContainer"));
    QVERIFY(rig.shown("installPageActInd"));

    emit rig.updater->updateProgress(true, 40);
    QVERIFY(rig.shown("installPageProgressContainer"));
    QVERIFY(!rig.shown("installPageActInd"));
    QCOMPARE(rig.text("installPageProgressLabel"), QStringLiteral("Installation progress (40%)"));
    QCOMPARE(rig.find<QProgressBar>("installPageProgressBar")->value(), 40);
    QVERIFY(snap(window, QStringLiteral("08_installing_with_progress")).isEmpty());

    emit rig.updater->updateProgress(false, 50);
    QVERIFY(!rig.shown("installPageProgressContainer"));
    QVERIFY(rig.shown("installPageActInd"));

    // Shown again for the same state: the machine's progress; afresh: the busy sign.
    emit rig.updater->updateProgress(true, 70);
    window.showPageForState(State::INSTALLING_FIRMWARE, true);
    QVERIFY(!rig.shown("installPageProgressContainer"));
    window.showPageForState(State::INSTALLING_FIRMWARE, false);
    QVERIFY(rig.shown("installPageProgressContainer"));
    QCOMPARE(rig.find<QProgressBar>("installPageProgressBar")->value(), 70);
    QCOMPARE(rig.page(), QStringLiteral("pageInstalling"));
}

void TestMainWindow::downloadProgress() {
    WindowRig rig;
    auto& window = rig.open();
    rig.driveTo(State::DOWNLOADING_FIRMWARE);
    QCOMPARE(rig.text("downloadPageProgressLabel"), QStringLiteral("Download progress (0%)"));
    QCOMPARE(rig.find<QProgressBar>("downloadPageProgressBar")->value(), 0);

    emit rig.downloader->downloadProgress(30);
    QCOMPARE(rig.text("downloadPageProgressLabel"), QStringLiteral("Download progress (30%)"));
    QCOMPARE(rig.find<QProgressBar>("downloadPageProgressBar")->value(), 30);
    window.showPageForState(State::DOWNLOADING_FIRMWARE, false);
    QCOMPARE(rig.find<QProgressBar>("downloadPageProgressBar")->value(), 30);
    window.showPageForState(State::DOWNLOADING_FIRMWARE, true);
    QCOMPARE(rig.text("downloadPageProgressLabel"), QStringLiteral("Download progress (0%)"));
}

void TestMainWindow::pageChoice_data() {
    QTest::addColumn<bool>("restoreMode");
    QTest::addColumn<Versions>("installed");
    QTest::addColumn<std::optional<bool>>("valid");
    QTest::addColumn<DetectorType>("type");
    QTest::addColumn<Versions>("latest");
    QTest::addColumn<bool>("download");
    QTest::addColumn<Page>("page");
    QTest::addColumn<bool>("installedKept");
    QTest::addColumn<bool>("coilHint");

    const auto summit = DetectorType::LODESTAR_MODEL_1;
    const std::optional<bool> valid = true;
    const std::optional<bool> invalid = false;
    const std::optional<bool> unknown;
    QTest::newRow("restore mode") << true << versions(79) << valid << summit << versions(80) << false
                                  << Page::RESTORE << false << false;
    QTest::newRow("older") << false << versions(79) << valid << summit << versions(80) << false
                           << Page::UPDATE_AVAILABLE << true << false;
    QTest::newRow("older, to download") << false << versions(79) << valid << summit << versions(80) << true
                                        << Page::DOWNLOAD_AVAILABLE << true << false;
    QTest::newRow("equal") << false << versions(80, 4) << valid << summit << versions(80, 4) << false
                           << Page::UP_TO_DATE << true << false;
    QTest::newRow("newer") << false << versions(81) << valid << summit << versions(80) << true
                           << Page::UP_TO_DATE << true << false;
    QTest::newRow("equal, invalid") << false << versions(80) << invalid << summit << versions(80) << false
                                    << Page::UPDATE_AVAILABLE << false << false;
    QTest::newRow("equal, validity unknown") << false << versions(80) << unknown << summit << versions(80)
                                             << false << Page::UPDATE_AVAILABLE << false << false;
    QTest::newRow("invalid, nothing known") << false << versions(80) << invalid << summit << Versions{}
                                            << false << Page::UP_TO_DATE << false << false;
    QTest::newRow("heron 1") << false << versions(79) << valid << DetectorType::HERON_MODEL_1 << versions(80)
                             << false << Page::UPDATE_AVAILABLE << true << true;
    QTest::newRow("type 2") << false << versions(79) << valid << DetectorType::KESTREL12B << versions(80)
                            << false << Page::UPDATE_AVAILABLE << true << false;
    QTest::newRow("type 6") << false << versions(79) << valid << DetectorType::CASCADE21 << versions(80)
                            << false << Page::UPDATE_AVAILABLE << true << false;
}

void TestMainWindow::pageChoice() {
    QFETCH(bool, restoreMode);
    QFETCH(Versions, installed);
    QFETCH(std::optional<bool>, valid);
    QFETCH(DetectorType, type);
    QFETCH(Versions, latest);
    QFETCH(bool, download);
    QFETCH(Page, page);
    QFETCH(bool, installedKept);
    QFETCH(bool, coilHint);

    FakeIdentity identity(QStringLiteral("S1"), type);
    identity.versions = installed;
    identity.valid = valid;
    if (!restoreMode && valid == std::optional<bool>(false)) {
        expectWarning("upgradeable component(s) are not valid, clearing version to suggest upgrade");
    } else if (!restoreMode && !valid) {
        expectWarning("upgradeable component(s) are not available, clearing version to suggest upgrade");
    }
    const auto choice = fwup::choose_update_page(restoreMode, identity, Firmware{latest, download, 1000});
    QCOMPARE(choice.page, page);
    if (page != Page::RESTORE) {
        QCOMPARE(choice.installed, installedKept ? installed : Versions{});
        QCOMPARE(choice.coilHint, coilHint);
    }
}

// What the pages that compare versions show, with the detector and catalog the rig offers.
void TestMainWindow::updatePages_data() {
    QTest::addColumn<Versions>("installed");
    QTest::addColumn<std::optional<bool>>("valid");
    QTest::addColumn<DetectorType>("type");
    QTest::addColumn<Readiness>("readiness");
    QTest::addColumn<bool>("detectorSupported");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("current"); // empty: hidden
    QTest::addColumn<bool>("coilHint");
    QTest::addColumn<QString>("readinessText"); // empty: hidden, and INSTALL shown
    QTest::addColumn<bool>("moreOptions");

    const auto summit = DetectorType::LODESTAR_MODEL_1;
    const auto heron = DetectorType::HERON_MODEL_2;
    const std::optional<bool> valid = true;
    const std::optional<bool> invalid = false;
    const QString older = QStringLiteral("Current software version: 1.79.0-2.3.0");
    QTest::newRow("older") << versions(79, 3) << valid << summit << Readiness::READY << true
                           << "pageUpdatesAvailable" << older << false << QString() << true;
    QTest::newRow("equal") << versions(80, 4) << valid << summit << Readiness::READY << true
                           << "pageDetectorUpToDate"
                           << "Current software version: 1.80.0-2.4.0" << false << QString() << true;
    QTest::newRow("invalid") << versions(80, 4) << invalid << summit << Readiness::READY << true
                             << "pageUpdatesAvailable" << QString() << false << QString() << true;
    QTest::newRow("invalid heron") << versions(80, 4) << invalid << heron << Readiness::READY << true
                                   << "pageUpdatesAvailable" << QString() << true << QString() << true;
    QTest::newRow("battery check failed")
        << versions(79, 3) << valid << summit << Readiness::BATTERY_CHECK_FAILED << true
        << "pageUpdatesAvailable" << older << false
        << "Battery Status Check Failed. Restart the detector then retry." << true;
    QTest::newRow("battery low") << versions(79, 3) << valid << summit << Readiness::BATTERY_LOW << true
                                 << "pageUpdatesAvailable" << older << false
                                 << "Battery Low. Please charge your detector then retry." << false;
    QTest::newRow("detector unsupported") << versions(79, 3) << valid << summit << Readiness::READY << false
                                          << "pageUpdatesAvailable" << older << false << QString() << true;
}

void TestMainWindow::updatePages() {
    QFETCH(Versions, installed);
    QFETCH(std::optional<bool>, valid);
    QFETCH(DetectorType, type);
    QFETCH(Readiness, readiness);
    QFETCH(bool, detectorSupported);
    QFETCH(QString, page);
    QFETCH(QString, current);
    QFETCH(bool, coilHint);
    QFETCH(QString, readinessText);
    QFETCH(bool, moreOptions);

    WindowRig rig;
    rig.identify(installed, valid, type);
    fwup::global_detector_upgrade_status_checker_registry()
        << QSharedPointer<FakeReadinessChecker>::create(type, readiness);
    if (!detectorSupported) {
        fwup::global_detector_version_checker_registry()
            << QSharedPointer<FakeDetectorVersionChecker>::create(fwup::version_check::UNSUPPORTED);
        expectWarning("detector version not supported by CUU");
    }
    if (valid == std::optional<bool>(false)) {
        expectWarning("upgradeable component(s) are not valid, clearing version to suggest upgrade");
    }
    auto& window = rig.open();
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(rig.page(), page);
    QCOMPARE(rig.shown("moreOptionsButtonLabel"), moreOptions);
    if (page == QLatin1String("pageDetectorUpToDate")) {
        QCOMPARE(rig.text("upToDatePageCurrentVersionLabel"), current);
    } else {
        QCOMPARE(rig.text("updatesAvailPageNewVersionLabel"),
                 QStringLiteral("New software version: 1.80.0-2.4.0"));
        QCOMPARE(rig.shown("updatesAvailPageCurrentVersionLabel"), !current.isEmpty());
        if (!current.isEmpty()) {
            QCOMPARE(rig.text("updatesAvailPageCurrentVersionLabel"), current);
        }
        QCOMPARE(rig.shown("updatesAvailPageInvalidVersionWarningLabel"), coilHint);
        QCOMPARE(rig.shown("updatesAvailPageVersionWarningLabel"), !detectorSupported);
        QCOMPARE(rig.shown("upgradeAvailablePageReadinessStatusLabel"), !readinessText.isEmpty());
        QCOMPARE(rig.shown("updatesAvailPageInstallButton"), readinessText.isEmpty());
        if (!readinessText.isEmpty()) {
            QCOMPARE(rig.text("upgradeAvailablePageReadinessStatusLabel"), readinessText);
        }
    }
    const QStringList clipped =
        snap(window, QStringLiteral("05_") + QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
}

void TestMainWindow::downloadPage() {
    WindowRig rig;
    rig.identify(pod(79));
    rig.offerDownload(90);
    rig.downloader->size = 3'500'000;
    rig.downloader->podSoftware = Version{1, 90, 0};
    rig.downloader->gpr = Version{2, 5, 0};
    auto& window = rig.open();
    rig.driveTo(State::SEARCHING_FOR_UPDATES);
    emit rig.remote->searchFinished();
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(rig.page(), QStringLiteral("pageDownloadUpdateAvailable"));
    QCOMPARE(rig.text("dlAvailPageDlAndInstallButtonLabel"),
             QStringLiteral("<b>DOWNLOAD AND INSTALL</b> (3.50MB)"));
    QCOMPARE(rig.text("dlAvailPageNewVersionLabel"),
             QStringLiteral("New software version: 1.90.0-1.90.0-2.5.0"));
    QCOMPARE(rig.text("dlAvailPageCurrentVersionLabel"), QStringLiteral("Current software version: 1.79.0"));
    QVERIFY(rig.shown("dlAvailPageCurrentVersionLabel"));
    QVERIFY(rig.shown("moreOptionsButtonLabel"));
    QVERIFY(snap(window, QStringLiteral("05_download_available")).isEmpty());

    // Only the control pod's version counts here.
    window.showUpdateDownloadAvailablePage({{UpgradeableComponent::TAMARIND, Version{2, 3, 0}}}, versions(90),
                                           0);
    QVERIFY(!rig.shown("dlAvailPageCurrentVersionLabel"));
    QCOMPARE(rig.text("dlAvailPageDlAndInstallButtonLabel"), QStringLiteral("<b>DOWNLOAD AND INSTALL</b>"));
}

void TestMainWindow::restoreList_data() {
    QTest::addColumn<std::vector<Versions>>("known");
    QTest::addColumn<Versions>("installed");
    QTest::addColumn<bool>("firmwareSupported");
    QTest::addColumn<QStringList>("items");

    QTest::newRow("older and newer") << std::vector<Versions>{pod(70), pod(80), pod(75)} << pod(75) << true
                                     << QStringList{"1.70.0", "1.80.0"};
    QTest::newRow("with tamarind") << std::vector<Versions>{versions(80, 4), versions(79, 3), versions(78, 2)}
                                   << versions(80, 4) << true << QStringList{"1.78.0-2.2.0", "1.79.0-2.3.0"};
    QTest::newRow("nothing else") << std::vector<Versions>{pod(75)} << pod(75) << true << QStringList{};
    QTest::newRow("firmware unsupported")
        << std::vector<Versions>{pod(81), pod(70)} << pod(75) << false << QStringList{"1.70.0", "1.81.0"};
}

void TestMainWindow::restoreList() {
    QFETCH(std::vector<Versions>, known);
    QFETCH(Versions, installed);
    QFETCH(bool, firmwareSupported);
    QFETCH(QStringList, items);

    WindowRig rig;
    rig.identify(installed);
    rig.offerCatalog(known);
    auto checker = QSharedPointer<FakeFirmwareVersionChecker>::create(
        firmwareSupported ? fwup::version_check::SUPPORTED : fwup::version_check::UNSUPPORTED);
    fwup::global_firmware_version_checker_registry() << checker;
    if (!firmwareSupported) {
        expectWarning("latest firmware version not supported by CUU");
        expectWarning("firmware version not supported");
    }
    auto& window = rig.open();
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    window.showRestoreAPreviousUpdateVersionPage(*rig.machine.identity(), true);

    QCOMPARE(rig.page(), QStringLiteral("pageRestoreAPreviousVersion"));
    QCOMPARE(rig.restoreItems(), items);
    const bool offered = !items.isEmpty();
    const auto* list = rig.find<QComboBox>("restorePageComboBox");
    QCOMPARE(list->currentIndex(), items.size() - 1);
    QCOMPARE(rig.shown("labelRestoreAPreviousUpdateVersion"), offered);
    QCOMPARE(rig.shown("labelNoPreviousUpdateVersionsAvailable"), !offered);
    QCOMPARE(rig.shown("restorePageComboBox"), offered);
    QCOMPARE(rig.shown("restorePageGoButtonLabel"), offered);
    QCOMPARE(rig.shown("restorePageCancelButton"), offered);
    QCOMPARE(rig.shown("restorePageCancelGoldButton"), !offered);
    QCOMPARE(rig.shown("restorePageVersionWarningLabel"), !firmwareSupported);
    QCOMPARE(rig.text("restorePageCurrentVersionLabel"),
             QStringLiteral("Current software version: ") +
                 fwup::MainWindow::componentVersionsText(installed));
    if (offered) {
        QCOMPARE(rig.text("restorePageGoButtonLabel"), QStringLiteral("<b>INSTALL</b>"));
        const auto newest = list->currentData().value<Firmware>();
        QCOMPARE(fwup::MainWindow::componentVersionsText(newest.versions), items.last());
        QCOMPARE(QByteArray(list->currentData().metaType().name()),
                 QByteArray("fwup::FirmwareUpdateStateMachine::AvailableFirmware"));
    }
    const QStringList clipped =
        snap(window,
             QStringLiteral("06_restore_") + QString::fromLatin1(QTest::currentDataTag()).replace(' ', '_'));
    QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
}

void TestMainWindow::restoreListKeptWhenShownAgain() {
    WindowRig rig;
    rig.identify(pod(75));
    rig.offerCatalog({pod(70), pod(80), pod(75), pod(72)});
    auto& window = rig.open();
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    window.showRestoreAPreviousUpdateVersionPage(*rig.machine.identity(), true);
    auto* list = rig.find<QComboBox>("restorePageComboBox");
    list->setCurrentIndex(0);
    rig.catalog.files.clear();

    window.showRestoreAPreviousUpdateVersionPage(*rig.machine.identity(), false);
    QCOMPARE(rig.restoreItems(), (QStringList{"1.70.0", "1.72.0", "1.80.0"}));
    QCOMPARE(list->currentIndex(), 0);
    window.showRestoreAPreviousUpdateVersionPage(*rig.machine.identity(), true);
    QCOMPARE(list->currentIndex(), 2);
}

// The go button stays hidden for a detector that is not fit to be upgraded, also when the list is
// built afresh.
void TestMainWindow::restorePageFollowsReadiness() {
    WindowRig rig;
    fwup::global_detector_upgrade_status_checker_registry() << QSharedPointer<FakeReadinessChecker>::create(
        DetectorType::LODESTAR_MODEL_1, Readiness::BATTERY_LOW);
    auto& window = rig.open();
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    window.showRestoreAPreviousUpdateVersionPage(*rig.machine.identity(), true);
    QCOMPARE(rig.restoreItems(), (QStringList{"1.78.0-2.2.0", "1.80.0-2.4.0"}));
    QVERIFY(!rig.shown("restorePageGoButtonLabel"));
    QVERIFY(rig.shown("restorePageReadinessStatusLabel"));
    QCOMPARE(rig.text("restorePageReadinessStatusLabel"),
             QStringLiteral("Battery Low. Please charge your detector then retry."));
    QVERIFY(rig.shown("restorePageCancelButton"));
    QVERIFY(snap(window, QStringLiteral("06_restore_battery_low")).isEmpty());
}

void TestMainWindow::componentVersionsText_data() {
    QTest::addColumn<Versions>("versions");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << Versions{} << "";
    QTest::newRow("pod") << pod(79) << "1.79.0";
    QTest::newRow("pod and tamarind") << versions(79, 3) << "1.79.0-2.3.0";
    QTest::newRow("legacy modules in key order")
        << Versions{{UpgradeableComponent::LEGACY_MBU_MODULE_2, Version{0, 9, 2}},
                    {UpgradeableComponent::LEGACY_MBU_MODULE_1, Version{0, 9, 1}}}
        << "0.9.1-0.9.2";
    QTest::newRow("keys past 13 ignored")
        << Versions{{static_cast<UpgradeableComponent>(13), Version{13, 0, 0}},
                    {static_cast<UpgradeableComponent>(14), Version{14, 0, 0}}}
        << "13.0.0";
    QTest::newRow("largest parts") << Versions{{UpgradeableComponent::CONTROL_POD, Version{255, 255, 255}}}
                                   << "255.255.255";
}

void TestMainWindow::componentVersionsText() {
    QFETCH(Versions, versions);
    QFETCH(QString, text);
    QCOMPARE(fwup::MainWindow::componentVersionsText(versions), text);
}

void TestMainWindow::downloadAndInstallButtonText_data() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("text");
    const QLocale english(QLocale::English, QLocale::Australia);
    QTest::newRow("unknown") << -1 << english << "<b>DOWNLOAD AND INSTALL</b>";
    QTest::newRow("none") << 0 << english << "<b>DOWNLOAD AND INSTALL</b>";
    QTest::newRow("one byte") << 1 << english << "<b>DOWNLOAD AND INSTALL</b> (0.00MB)";
    QTest::newRow("3.5 MB") << 3'500'000 << english << "<b>DOWNLOAD AND INSTALL</b> (3.50MB)";
    QTest::newRow("rounded") << 12'345'678 << english << "<b>DOWNLOAD AND INSTALL</b> (12.35MB)";
    QTest::newRow("grouped") << 1'234'000'000 << english << "<b>DOWNLOAD AND INSTALL</b> (1,234.00MB)";
    QTest::newRow("german") << 3'500'000 << QLocale(QLocale::German, QLocale::Germany)
                            << "<b>DOWNLOAD AND INSTALL</b> (3,50MB)";
}

void TestMainWindow::downloadAndInstallButtonText() {
    QFETCH(int, bytes);
    QFETCH(QLocale, locale);
    QFETCH(QString, text);
    QLocale::setDefault(locale);
    const QString shown = fwup::MainWindow::downloadAndInstallButtonText(bytes);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::Australia));
    QCOMPARE(shown, text);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
