#pragma once

#include "fwup/coordination/detector_upgrade_readiness_checker.h"
#include "fwup/coordination/firmware_update_state_machine.h"

#include <QMap>
#include <QPixmap>
#include <QString>
#include <QWidget>

// After the Qt headers: moc reads <compare> wrongly unless a Qt header came first.
#include "fwup/identification/upgradeable_component.h"
#include "muppet/version.h"

#include <memory>

namespace Ui {
class MainWindow;
}

namespace fwup {

class FirmwareCatalog;
class ISystemIdentity;

// The application's only window: one page of its stack for each state of the update, a 100 ms poll
// of the state machine, and the user's choices handed back to the state machine.
class MainWindow : public QWidget {
    Q_OBJECT

public:
    using State = FirmwareUpdateStateMachine::State;
    using Versions = QMap<UpgradeableComponent, Version>;

    MainWindow(FirmwareUpdateStateMachine& stateMachine, FirmwareCatalog& catalog, QWidget* parent = nullptr);
    ~MainWindow() override;

    // One entry of the language menu; the flag label shows from the first one on.
    void addTranslatedLanguage(const QString& code, const QString& nativeName, const QPixmap& flag);
    // The flag of the language now loaded.
    void setLanguageFlagIcon(const QPixmap& flag);
    // In screenshot mode every language change fills in demonstration values (a download size and
    // progress) for the pictures; see screenshot_mode.h.
    void setScreenshotMode(bool on);

    // Refuses to close while an installation is shown, and turns presses on the five labels that act
    // as buttons into their actions. Filters every event of the application through the dispatcher.
    bool eventFilter(QObject* watched, QEvent* event) override;

    // `fresh` is false when the page is shown again for the same state (after a language change):
    // then it keeps what the user chose on it and only sets its texts again.
    void showPageForState(State state, bool fresh);
    void showConnectADetectorPage();
    void showMultipleDetectorsFoundPage();
    void showDetectorIdentifiedPage(const QString& name);
    void showDownloadingPage(bool fresh);
    void showExtractingPage();
    void showInstallingPage(bool fresh);
    void showInstallationCompletePage();
    void showInstallationFailedPage();

    // Up to date, an update to install or to download, or the restore page: see update_page_choice.h.
    void chooseUpdatePageToShow(bool fresh);
    void showDetectorUpToDatePage(bool fresh);
    void showUpdateAvailablePage(const Versions& installed, const Versions& latest, bool supported,
                                 const DetectorUpgradeReadinessChecker::ReadinessStatus& readiness,
                                 bool coilHint);
    void showUpdateDownloadAvailablePage(const Versions& installed, const Versions& latest, int downloadSize);
    void showRestoreAPreviousUpdateVersionPage(const ISystemIdentity& identity, bool fresh);

    // "1.79.0-2.3.0": the version of each component present, in component order.
    static QString componentVersionsText(const Versions& versions);
    // With the size in megabytes for a positive number of bytes.
    static QString downloadAndInstallButtonText(int bytes);

signals:
    void languageChangeRequested(QString code);

public slots:
    void onStateMachineStateChanged(fwup::FirmwareUpdateStateMachine::State state);
    void onDownloadProgress(int percent);
    void onInstallProgress(bool determinate, int percent);
    void onRestorePageComboBoxIndexChanged(int index);

    void onAboutButtonClicked();
    void onMoreOptionsButtonClicked();
    void onDownloadAndInstallButtonClicked();
    // Installs the version chosen in the restore list.
    void onRestorePageGoButtonClicked();
    void onRestorePageCancelButtonClicked();
    // Offers the languages in a menu; the one picked is asked for with languageChangeRequested.
    void onLanguageButtonClicked();

protected:
    // Shows every text in the language just loaded.
    void changeEvent(QEvent* event) override;
    // Firmware files may be dropped only while the window waits for a detector.
    void dragEnterEvent(QDragEnterEvent* event) override;
    // Offers every dropped local file to every firmware file parser and catalogs what they find.
    void dropEvent(QDropEvent* event) override;

private:
    struct Private;

    void showPage(QWidget* page);
    void applyStyleSheet();
    void connectButtons();

    // Declared in construction order, so the form goes before the private part.
    std::unique_ptr<Private> d_;
    std::unique_ptr<Ui::MainWindow> ui_;
};

} // namespace fwup
