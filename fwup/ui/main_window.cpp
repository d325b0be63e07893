#include "fwup/ui/main_window.h"

#include "fwup/firmware/component_versions.h"
#include "fwup/firmware/firmware_catalog.h"
#include "fwup/firmware/firmware_file_parser.h"
#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/identification/detector_type.h"
#include "fwup/identification/i_system_identity.h"
#include "fwup/ui/about_dialog.h"
#include "fwup/ui/brand.h"
#include "fwup/ui/custom_event_dispatcher.h"
#include "fwup/ui/update_page_choice.h"
#include "fwup/ui/window_appearance.h"
#include "resources/initialise_resources.h"
#include "ui_main_window.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDebug>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <vector>

namespace fwup {

namespace {

// Texts set from more than one place; looked up in the window's translation context.
const char* const currentVersionText = QT_TRANSLATE_NOOP("MainWindow", "Current software version: %1");
const char* const newVersionText = QT_TRANSLATE_NOOP("MainWindow", "New software version: %1");
const char* const batteryCheckFailedText =
    QT_TRANSLATE_NOOP("MainWindow", "Battery Status Check Failed. Restart the detector then retry.");
const char* const batteryLowText =
    QT_TRANSLATE_NOOP("MainWindow", "Battery Low. Please charge your detector then retry.");

QString translated(const char* text) {
    return QCoreApplication::translate("MainWindow", text);
}

QString identified_text(const QString& detectorName) {
    return QCoreApplication::translate("MainWindow", "%1 identified.\n\nChecking for updates...")
        .arg(detectorName);
}

using ReadinessStatus = DetectorUpgradeReadinessChecker::ReadinessStatus;

// The text that keeps the user from installing, or nothing for a detector fit to be upgraded.
const char* readiness_text(ReadinessStatus readiness) {
    switch (readiness) {
    case ReadinessStatus::BATTERY_CHECK_FAILED:
        return batteryCheckFailedText;
    case ReadinessStatus::BATTERY_LOW:
        return batteryLowText;
    default:
        return nullptr;
    }
}

} // namespace

struct MainWindow::Private {
    struct LanguageEntry {
        QPixmap flag;
        QString nativeName;
        QString code;
    };

    Private(FirmwareUpdateStateMachine& machine, FirmwareCatalog& firmwareCatalog)
        : stateMachine(machine)
        , catalog(firmwareCatalog) {}

    FirmwareUpdateStateMachine& stateMachine;
    // Receives the firmware files dropped on the window.
    FirmwareCatalog& catalog;
    QTimer pollTimer;
    std::vector<LanguageEntry> languages;
    QString identifiedDetectorName;
    // The user asked for the restore page instead of the page the versions call for.
    bool restoreMode = false;
    bool screenshotMode = false;
};

MainWindow::MainWindow(FirmwareUpdateStateMachine& stateMachine, FirmwareCatalog& catalog, QWidget* parent)
    : QWidget(parent)
    , d_(std::make_unique<Private>(stateMachine, catalog))
    , ui_(std::make_unique<Ui::MainWindow>()) {
    initialise_resources();
    d_->pollTimer.setInterval(100);
    connect(&d_->pollTimer, &QTimer::timeout, this, [this] { d_->stateMachine.poll(); });
    register_window_fonts();

    ui_->setupUi(this);
    // A style sheet cannot switch them on.
    ui_->restorePageComboBox->view()->setAlternatingRowColors(true);
    setAcceptDrops(true);
    // The restore page keeps either set of widgets in the same cells; until its list is first built it
    // shows the form's placeholder rows, as the screenshot mode pictures it.
    ui_->labelNoPreviousUpdateVersionsAvailable->hide();
    ui_->restorePageCancelGoldButton->hide();

    // Shown once there are languages to choose from.
    ui_->languageLabel->hide();
    ui_->languageLabel->setFixedSize(36, 24);
    ui_->languageLabel->setScaledContents(true);

    // Every event of the application passes the window first; the labels below act as buttons.
    CustomEventDispatcher::instance()->addEventFilter(this, 1);
    for (QLabel* label :
         {ui_->moreOptionsButtonLabel, ui_->aboutButtonLabel, ui_->dlAvailPageDlAndInstallButtonLabel,
          ui_->restorePageGoButtonLabel, ui_->languageLabel}) {
        label->installEventFilter(this);
    }

    // Connected before the process starts, so that the first page follows the first state.
    connect(&d_->stateMachine, &FirmwareUpdateStateMachine::stateChanged, this,
            &MainWindow::onStateMachineStateChanged);
    d_->stateMachine.initiateUpdateProcess();
    d_->pollTimer.start();

    applyStyleSheet();
    qDebug() << QStringLiteral("Using %1 logo").arg(QLatin1String(brand_in_use.key));
    ui_->mainLogoLabel->setPixmap(QPixmap(QString::fromLatin1(brand_in_use.logo)));

    connect(&d_->stateMachine, &FirmwareUpdateStateMachine::downloadProgress, this,
            &MainWindow::onDownloadProgress);
    connect(&d_->stateMachine, &FirmwareUpdateStateMachine::installProgress, this,
            &MainWindow::onInstallProgress);
    connectButtons();
}

MainWindow::~MainWindow() = default;

void MainWindow::applyStyleSheet() {
    ui_->root->setStyleSheet(window_style_sheet());
}

void MainWindow::connectButtons() {
    // Closing the last window ends main's event loop.
    const auto quit = [this] {
        close();
    };
    connect(ui_->upToDatePageQuitButton, &QPushButton::clicked, this, quit);
    connect(ui_->updatesAvailPageInstallButton, &QPushButton::clicked, this,
            &MainWindow::onDownloadAndInstallButtonClicked);
    connect(ui_->updatesAvailPageQuitButton, &QPushButton::clicked, this, quit);
    connect(ui_->dlAvailPageQuitButton, &QPushButton::clicked, this, quit);
    connect(ui_->restorePageCancelButton, &QPushButton::clicked, this,
            &MainWindow::onRestorePageCancelButtonClicked);
    connect(ui_->restorePageCancelGoldButton, &QPushButton::clicked, this,
            &MainWindow::onRestorePageCancelButtonClicked);
    connect(ui_->restorePageComboBox, &QComboBox::currentIndexChanged, this,
            &MainWindow::onRestorePageComboBoxIndexChanged);
    connect(ui_->installCompletePageQuitButton, &QPushButton::clicked, this, quit);
    connect(ui_->installFailedTryAgainButton, &QPushButton::clicked, this,
            [this] { d_->stateMachine.initiateUpdateProcess(); });
    connect(ui_->installFailedQuitButton, &QPushButton::clicked, this, quit);
}

void MainWindow::addTranslatedLanguage(const QString& code, const QString& nativeName, const QPixmap& flag) {
    d_->languages.push_back({flag, nativeName, code});
    ui_->languageLabel->show();
}

void MainWindow::setLanguageFlagIcon(const QPixmap& flag) {
    ui_->languageLabel->setPixmap(flag);
}

void MainWindow::setScreenshotMode(bool on) {
    d_->screenshotMode = on;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Leaving in the middle of an installation could leave the detector without working firmware.
    if (watched == this && event->type() == QEvent::Close &&
        ui_->stackedWidget->currentWidget() == ui_->pageInstalling) {
        event->ignore();
        return true;
    }
    if (event->type() != QEvent::MouseButtonPress) {
        return false;
    }
    // Their dialog and menu run a nested event loop; opened from inside one of the installation's
    // waits they would hold the transfer until closed, and the device's time-outs run on.
    if ((watched == ui_->aboutButtonLabel || watched == ui_->languageLabel) &&
        ui_->stackedWidget->currentWidget() == ui_->pageInstalling) {
        return true;
    }
    if (watched == ui_->aboutButtonLabel) {
        onAboutButtonClicked();
    } else if (watched == ui_->moreOptionsButtonLabel) {
        onMoreOptionsButtonClicked();
    } else if (watched == ui_->dlAvailPageDlAndInstallButtonLabel) {
        onDownloadAndInstallButtonClicked();
    } else if (watched == ui_->restorePageGoButtonLabel) {
        onRestorePageGoButtonClicked();
    } else if (watched == ui_->languageLabel) {
        onLanguageButtonClicked();
    } else {
        return false;
    }
    // Consumed here, so a press that reaches the window through the dispatcher and again as the
    // label's own filter is acted on once.
    return true;
}

void MainWindow::onAboutButtonClicked() {
    AboutDialog dialog(this);
    dialog.setWindowTitle(
        QCoreApplication::translate("MainWindow", "About %1").arg(QGuiApplication::applicationDisplayName()));
    dialog.exec();
}

void MainWindow::onMoreOptionsButtonClicked() {
    d_->restoreMode = true;
    chooseUpdatePageToShow(true);
}

void MainWindow::onDownloadAndInstallButtonClicked() {
    d_->stateMachine.selectLatestFirmwareToUpgrade();
}

void MainWindow::onRestorePageGoButtonClicked() {
    const QVariant data = ui_->restorePageComboBox->currentData(Qt::UserRole);
    if (data.metaType() != QMetaType::fromType<FirmwareUpdateStateMachine::AvailableFirmware>()) {
        qWarning() << "Combo box variant data is not of expected type";
        return;
    }
    d_->stateMachine.selectFirmwareToUpgrade(
        data.value<FirmwareUpdateStateMachine::AvailableFirmware>().versions);
}

void MainWindow::onRestorePageCancelButtonClicked() {
    d_->restoreMode = false;
    chooseUpdatePageToShow(true);
}

void MainWindow::onLanguageButtonClicked() {
    // A child of the frame, so that the style sheet's menu rule applies.
    QMenu menu(ui_->root);
    for (const auto& language : d_->languages) {
        menu.addAction(QIcon(language.flag), language.nativeName)->setData(language.code);
    }
    const QLabel* label = ui_->languageLabel;
    if (const QAction* chosen = menu.exec(label->mapToGlobal(QPoint(label->width(), 0)))) {
        emit languageChangeRequested(chosen->data().toString());
    }
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::LanguageChange) {
        return;
    }
    ui_->retranslateUi(this);
    // The texts the current page was given from the state, again in the new language.
    showPageForState(d_->stateMachine.state(), false);
    ui_->labelDetectorIdentifiedCheckingForUpdates->setText(identified_text(d_->identifiedDetectorName));
    if (d_->screenshotMode) {
        const QString text = downloadAndInstallButtonText(3'500'000);
        ui_->dlAvailPageDlAndInstallButtonLabel->setText(text);
        ui_->restorePageGoButtonLabel->setText(text);
        onDownloadProgress(20);
        onInstallProgress(true, 20);
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Nothing may change the catalog under a detector that is being looked at or updated.
    if (d_->stateMachine.state() != State::SEARCHING_FOR_DETECTOR) {
        return;
    }
    const QList<QUrl> urls = event->mimeData()->urls();
    if (std::any_of(urls.cbegin(), urls.cend(), [](const QUrl& url) { return url.isLocalFile(); })) {
        event->acceptProposedAction();
    }
}

void MainWindow::dropEvent(QDropEvent* event) {
    // A drag accepted while searching may end after a detector was found meanwhile.
    if (d_->stateMachine.state() != State::SEARCHING_FOR_DETECTOR) {
        event->ignore();
        return;
    }
    // The state machine finds the new firmware at its next catalog search. Files no parser takes are
    // ignored; the parsers and the catalog log their own failures.
    bool local = false;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const QString path = url.toLocalFile();
        // A folder or a named pipe is no firmware file, and reading a pipe would block the window.
        if (!QFileInfo(path).isFile()) {
            continue;
        }
        local = true;
        for (const auto& file : parse_with_registered_parsers(path)) {
            d_->catalog.addOrUpdateFirmware(*file);
        }
    }
    // The catalog keeps a copy, so the source never needs to move or delete anything.
    if (local && (event->possibleActions() & Qt::CopyAction)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void MainWindow::onStateMachineStateChanged(FirmwareUpdateStateMachine::State state) {
    qDebug() << "Entered state:" << FirmwareUpdateStateMachine::stateDisplayName(state);
    showPageForState(state, true);
}

void MainWindow::showPage(QWidget* page) {
    ui_->stackedWidget->setCurrentWidget(page);
    ui_->moreOptionsButtonLabel->hide();
}

void MainWindow::showPageForState(State state, bool fresh) {
    switch (state) {
    case State::IDLE:
        return;
    case State::SEARCHING_FOR_DETECTOR:
        return showConnectADetectorPage();
    case State::MULTIPLE_DETECTORS_FOUND:
        return showMultipleDetectorsFoundPage();
    case State::SEARCHING_FOR_UPDATES:
        if (const ISystemIdentity* identity = d_->stateMachine.identity()) {
            d_->identifiedDetectorName =
                QString::fromLatin1(detector_type_display_name(identity->detectorType()));
        }
        return showDetectorIdentifiedPage(d_->identifiedDetectorName);
    case State::NO_UPDATES_AVAILABLE:
        return showDetectorUpToDatePage(fresh);
    case State::AWAIT_FIRMWARE_SELECTION:
        if (fresh) {
            d_->restoreMode = false;
        }
        return chooseUpdatePageToShow(fresh);
    case State::DOWNLOADING_FIRMWARE:
        return showDownloadingPage(fresh);
    case State::EXTRACTING_FIRMWARE:
        return showExtractingPage();
    case State::INSTALLING_FIRMWARE:
    case State::CONTINUING_INCOMPLETE_UPDATE:
        return showInstallingPage(fresh);
    case State::SUCCEEDED:
        return showInstallationCompletePage();
    case State::FAILED:
        return showInstallationFailedPage();
    }
}

void MainWindow::showConnectADetectorPage() {
    showPage(ui_->pagePleaseConnect);
}

void MainWindow::showMultipleDetectorsFoundPage() {
    showPage(ui_->pageMultiDetected);
}

void MainWindow::showDetectorIdentifiedPage(const QString& name) {
    ui_->labelDetectorIdentifiedCheckingForUpdates->setText(identified_text(name));
    showPage(ui_->pageIdentified);
}

void MainWindow::showDownloadingPage(bool fresh) {
    onDownloadProgress(fresh ? 0 : d_->stateMachine.downloadPercent());
    showPage(ui_->pageDownloading);
}

void MainWindow::showExtractingPage() {
    showPage(ui_->pageExtracting);
}

void MainWindow::showInstallingPage(bool fresh) {
    if (fresh) {
        ui_->installPageProgressContainer->hide();
        ui_->installPageActInd->show();
    } else {
        onInstallProgress(d_->stateMachine.installDeterminate(), d_->stateMachine.installPercent());
    }
    showPage(ui_->pageInstalling);
}

void MainWindow::showInstallationCompletePage() {
    showPage(ui_->pageInstallationComplete);
}

void MainWindow::showInstallationFailedPage() {
    showPage(ui_->pageInstallationFailed);
}

void MainWindow::onDownloadProgress(int percent) {
    ui_->downloadPageProgressLabel->setText(
        QCoreApplication::translate("MainWindow", "Download progress (%1%)").arg(percent));
    ui_->downloadPageProgressBar->setValue(percent);
}

void MainWindow::onInstallProgress(bool determinate, int percent) {
    if (!determinate) {
        ui_->installPageProgressContainer->hide();
        ui_->installPageActInd->show();
        return;
    }
    ui_->installPageProgressLabel->setText(
        QCoreApplication::translate("MainWindow", "Installation progress (%1%)").arg(percent));
    ui_->installPageProgressBar->setValue(percent);
    ui_->installPageProgressContainer->show();
    ui_->installPageActInd->hide();
}

void MainWindow::chooseUpdatePageToShow(bool fresh) {
    const ISystemIdentity* identity = d_->stateMachine.identity();
    if (!identity) {
        return;
    }
    const FirmwareUpdateStateMachine::AvailableFirmware latest = d_->stateMachine.getLatestFirmwareVersion();
    const UpdatePageChoice choice = choose_update_page(d_->restoreMode, *identity, latest);
    if (choice.page == UpdatePageChoice::Page::RESTORE) {
        return showRestoreAPreviousUpdateVersionPage(*identity, fresh);
    }
    const bool detectorOk = d_->stateMachine.isDectectorSupported(*identity);
    if (!detectorOk) {
        qWarning() << "detector version not supported by CUU";
    }
    const bool firmwareOk = d_->stateMachine.isFirmwareSupported(latest);
    if (!firmwareOk) {
        qWarning() << "latest firmware version not supported by CUU";
    }
    switch (choice.page) {
    case UpdatePageChoice::Page::UP_TO_DATE:
        return showDetectorUpToDatePage(fresh);
    case UpdatePageChoice::Page::DOWNLOAD_AVAILABLE:
        return showUpdateDownloadAvailablePage(choice.installed, latest.versions, latest.downloadSize);
    case UpdatePageChoice::Page::UPDATE_AVAILABLE:
        return showUpdateAvailablePage(choice.installed, latest.versions, detectorOk && firmwareOk,
                                       d_->stateMachine.readiness(), choice.coilHint);
    case UpdatePageChoice::Page::RESTORE:
        return;
    }
}

void MainWindow::showDetectorUpToDatePage(bool fresh) {
    const ISystemIdentity* identity = d_->stateMachine.identity();
    if (d_->restoreMode && identity) {
        return showRestoreAPreviousUpdateVersionPage(*identity, fresh);
    }
    // The versions as read, whether or not the components are valid.
    const Versions installed = identity ? identity->componentVersions() : Versions{};
    ui_->upToDatePageCurrentVersionLabel->setText(
        translated(currentVersionText).arg(componentVersionsText(installed)));
    ui_->stackedWidget->setCurrentWidget(ui_->pageDetectorUpToDate);
    ui_->moreOptionsButtonLabel->show();
}

void MainWindow::showUpdateAvailablePage(const Versions& installed, const Versions& latest, bool supported,
                                         const DetectorUpgradeReadinessChecker::ReadinessStatus& readiness,
                                         bool coilHint) {
    const bool versionsKnown = installed.value(UpgradeableComponent::CONTROL_POD) != Version{} ||
                               installed.value(UpgradeableComponent::TAMARIND) != Version{};
    if (versionsKnown) {
        ui_->updatesAvailPageCurrentVersionLabel->setText(
            translated(currentVersionText).arg(componentVersionsText(installed)));
        ui_->updatesAvailPageCurrentVersionLabel->show();
        ui_->updatesAvailPageInvalidVersionWarningLabel->hide();
    } else {
        ui_->updatesAvailPageCurrentVersionLabel->hide();
        ui_->updatesAvailPageInvalidVersionWarningLabel->setVisible(coilHint);
    }
    ui_->updatesAvailPageVersionWarningLabel->setVisible(!supported);
    ui_->updatesAvailPageNewVersionLabel->setText(
        translated(newVersionText).arg(componentVersionsText(latest)));

    // A detector that has become fit to be upgraded gets its INSTALL button back.
    if (const char* reason = readiness_text(readiness)) {
        ui_->upgradeAvailablePageReadinessStatusLabel->setText(translated(reason));
        ui_->upgradeAvailablePageReadinessStatusLabel->show();
        ui_->updatesAvailPageInstallButton->hide();
        // A low battery leaves nothing to choose, not even another version.
        ui_->moreOptionsButtonLabel->setVisible(readiness != ReadinessStatus::BATTERY_LOW);
    } else {
        ui_->upgradeAvailablePageReadinessStatusLabel->hide();
        ui_->updatesAvailPageInstallButton->show();
        ui_->moreOptionsButtonLabel->show();
    }
    ui_->stackedWidget->setCurrentWidget(ui_->pageUpdatesAvailable);
}

void MainWindow::showUpdateDownloadAvailablePage(const Versions& installed, const Versions& latest,
                                                 int downloadSize) {
    if (installed.value(UpgradeableComponent::CONTROL_POD) == Version{}) {
        ui_->dlAvailPageCurrentVersionLabel->hide();
    } else {
        ui_->dlAvailPageCurrentVersionLabel->setText(
            translated(currentVersionText).arg(componentVersionsText(installed)));
        ui_->dlAvailPageCurrentVersionLabel->show();
    }
    ui_->dlAvailPageNewVersionLabel->setText(translated(newVersionText).arg(componentVersionsText(latest)));
    ui_->dlAvailPageDlAndInstallButtonLabel->setText(downloadAndInstallButtonText(downloadSize));
    ui_->stackedWidget->setCurrentWidget(ui_->pageDownloadUpdateAvailable);
    ui_->moreOptionsButtonLabel->show();
}

void MainWindow::showRestoreAPreviousUpdateVersionPage(const ISystemIdentity& identity, bool fresh) {
    const Versions installed = identity.componentVersions();
    ui_->restorePageCurrentVersionLabel->setVisible(!installed.isEmpty());
    if (!installed.isEmpty()) {
        ui_->restorePageCurrentVersionLabel->setText(
            translated(currentVersionText).arg(componentVersionsText(installed)));
    }
    const bool detectorOk = d_->stateMachine.isDectectorSupported(identity);
    QComboBox* list = ui_->restorePageComboBox;

    // Shown again for the same state: keep the list and the user's choice in it.
    if (!fresh) {
        if (list->count() > 0) {
            onRestorePageComboBoxIndexChanged(list->currentIndex());
        }
        ui_->stackedWidget->setCurrentWidget(ui_->pageRestoreAPreviousVersion);
        return;
    }

    list->clear();
    bool allOk = true;
    for (const auto& firmware : restore_list(d_->stateMachine.getFirmwareList(), installed)) {
        list->addItem(QIcon(), componentVersionsText(firmware.versions), QVariant::fromValue(firmware));
        allOk = allOk && d_->stateMachine.isFirmwareSupported(firmware);
    }

    const bool offered = list->count() > 0;
    ui_->labelRestoreAPreviousUpdateVersion->setVisible(offered);
    ui_->labelNoPreviousUpdateVersionsAvailable->setVisible(!offered);
    list->setVisible(offered);
    ui_->restorePageCancelButton->setVisible(offered);
    ui_->restorePageCancelGoldButton->setVisible(!offered);
    if (offered) {
        // The newest is offered first. The go button follows the detector's readiness for it, also
        // when a single item was current before it was selected.
        list->setCurrentIndex(list->count() - 1);
        onRestorePageComboBoxIndexChanged(list->currentIndex());
        if (detectorOk && allOk) {
            ui_->restorePageVersionWarningLabel->hide();
        } else {
            qWarning() << (detectorOk ? "firmware version not supported" : "detector version not supported");
            ui_->restorePageVersionWarningLabel->show();
        }
    } else {
        ui_->restorePageGoButtonLabel->hide();
        ui_->restorePageVersionWarningLabel->hide();
    }
    ui_->stackedWidget->setCurrentWidget(ui_->pageRestoreAPreviousVersion);
}

void MainWindow::onRestorePageComboBoxIndexChanged(int index) {
    const auto firmware =
        ui_->restorePageComboBox->itemData(index).value<FirmwareUpdateStateMachine::AvailableFirmware>();
    const QString text = firmware.downloadRequired
                             ? downloadAndInstallButtonText(firmware.downloadSize)
                             : QCoreApplication::translate("MainWindow", "<b>INSTALL</b>");
    if (const char* reason = readiness_text(d_->stateMachine.readiness())) {
        ui_->restorePageReadinessStatusLabel->setText(translated(reason));
        ui_->restorePageReadinessStatusLabel->show();
        ui_->restorePageGoButtonLabel->hide();
    } else {
        ui_->restorePageReadinessStatusLabel->hide();
        ui_->restorePageGoButtonLabel->show();
        ui_->restorePageGoButtonLabel->setText(text);
    }
}

QString MainWindow::componentVersionsText(const Versions& versions) {
    QStringList parts;
    for (auto it = versions.cbegin(); it != versions.cend(); ++it) {
        if (static_cast<std::uint32_t>(it.key()) < COMPARED_COMPONENT_COUNT) {
            parts << it.value().toString();
        }
    }
    return parts.join(QLatin1Char('-'));
}

QString MainWindow::downloadAndInstallButtonText(int bytes) {
    if (bytes <= 0) {
        return QCoreApplication::translate("QCoreApplication", "<b>DOWNLOAD AND INSTALL</b>");
    }
    return QCoreApplication::translate("QCoreApplication", "<b>DOWNLOAD AND INSTALL</b> (%L1MB)")
        .arg(bytes / 1'000'000.0, 0, 'f', 2);
}

} // namespace fwup
