#pragma once

#include "fwup/coordination/detector_upgrade_readiness_checker.h"
#include "fwup/installation/updater_status.h"

#include <QMap>
#include <QMetaType>
#include <QObject>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

// After the Qt headers: moc reads <compare> wrongly unless a Qt header came first.
#include "fwup/identification/upgradeable_component.h"
#include "muppet/version.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace fwup {

class DetectorIdentifier;
class DetectorUpdater;
class FirmwareCatalog;
class FirmwareDownloader;
class IFirmwareCatalogFile;
class ISystemIdentity;
class ISystemUpdate;
class RemoteFirmwareLocator;

// Walks one update from finding the detector to the end of the installation. It has no timer of its
// own: the window polls it every 100 ms and calls the selection operations for the user. Every
// collaborator comes from a process-wide registry.
class FirmwareUpdateStateMachine : public QObject {
    Q_OBJECT

public:
    enum class State : unsigned int {
        IDLE = 0,
        SEARCHING_FOR_DETECTOR = 1,
        MULTIPLE_DETECTORS_FOUND = 2,
        SEARCHING_FOR_UPDATES = 3,
        NO_UPDATES_AVAILABLE = 4,
        AWAIT_FIRMWARE_SELECTION = 5,
        DOWNLOADING_FIRMWARE = 6,
        EXTRACTING_FIRMWARE = 7,
        INSTALLING_FIRMWARE = 8,
        SUCCEEDED = 9,
        CONTINUING_INCOMPLETE_UPDATE = 10,
        FAILED = 11,
    };
    Q_ENUM(State)

    // One firmware known for the current detector. Copies share all three pointers.
    struct KnownFirmware {
        std::shared_ptr<const IFirmwareCatalogFile> catalogFile;
        // The extracted images; holding them keeps their temporary files.
        std::shared_ptr<const ISystemUpdate> systemUpdate;
        // Only for firmware that must be downloaded first.
        QSharedPointer<FirmwareDownloader> downloader;
    };

    // A known firmware as the window and the firmware version checkers see it.
    struct AvailableFirmware {
        QMap<UpgradeableComponent, Version> versions;
        bool downloadRequired = false;
        int downloadSize = -1;
    };

    // A monotonic time; the continuation after an incomplete update is timed with it.
    using Clock = std::function<std::chrono::milliseconds()>;
    // How long a restarting detector may take to come back after an incomplete update.
    static constexpr std::chrono::milliseconds ContinuationTimeout{10000};

    explicit FirmwareUpdateStateMachine(FirmwareCatalog& catalog, QObject* parent = nullptr);
    ~FirmwareUpdateStateMachine() override;

    // Does the work of the current state; the window calls it every 100 ms. A call made while
    // another is running, from an event loop pumped inside it, returns at once.
    void poll();
    // Starts looking for a detector from IDLE, MULTIPLE_DETECTORS_FOUND, NO_UPDATES_AVAILABLE or
    // FAILED; ignored elsewhere. From FAILED a detector that is still connected is identified again.
    void initiateUpdateProcess();
    void abortUpdateProcess();

    // In AWAIT_FIRMWARE_SELECTION: selects the newest known firmware (the first of equals).
    bool selectLatestFirmwareToUpgrade();
    // In AWAIT_FIRMWARE_SELECTION: selects the known firmware with exactly these versions.
    bool selectFirmwareToUpgrade(const QMap<UpgradeableComponent, Version>& versions);

    std::vector<AvailableFirmware> getFirmwareList() const;
    // The newest entry of the list (the first of equals), or a default one for an empty list.
    AvailableFirmware getLatestFirmwareVersion() const;
    // False when a registered version checker calls it unsupported.
    bool isDectectorSupported(const ISystemIdentity& identity) const;
    bool isFirmwareSupported(const AvailableFirmware& firmware) const;

    State state() const { return state_; }
    // The detector being handled; null when there is none.
    const ISystemIdentity* identity() const { return identity_.get(); }
    QString location() const { return location_; }
    DetectorUpgradeReadinessChecker::ReadinessStatus readiness() const { return readiness_; }
    bool installDeterminate() const { return installDeterminate_; }
    int installPercent() const { return installPercent_; }
    int downloadPercent() const { return downloadPercent_; }

    // Replaces the steady clock, so that tests can step through the continuation's time-out.
    void setClock(Clock clock);

    // "AWAIT_FIRMWARE_SELECTION", or "?INVALID_STATE?" for a value outside the table.
    static const char* stateName(State state);
    // "Awaiting Firmware Selection", or "Invalid Firmware Update State".
    static const char* stateDisplayName(State state);

signals:
    // The order on every change: stateStepOk or stateStepError with the old state, then
    // stateEntered, then stateChanged.
    void stateEntered(unsigned int newState, QString message);
    void stateChanged(fwup::FirmwareUpdateStateMachine::State newState);
    void stateStepOk(unsigned int oldState);
    void stateStepError(unsigned int oldState);
    void downloadProgress(int percent);
    void installProgress(bool determinate, int percent);

private slots:
    void onSearchForUpdatesFinished();
    void onDownloaderProgressed(int percent);
    void onDownloaderFinished(bool success);
    void onUpdaterProgressed(bool determinate, int percent);
    void onUpdaterFinished(fwup::UpdaterStatus status);

private:
    struct Installation;
    struct Identification;

    void enterNewState(State newState, bool ok, const QString& reason);
    void checkForDevices();
    Identification identifyDetectors(const QStringList& locations);
    void takeIdentity(Identification found);
    void askReadiness();
    void continueIncompleteUpdate();
    void searchForUpdates();
    void searchLocalCatalog();
    void extractSelectedFirmware();
    void startFirmwareInstallation();
    void releaseUpdater();
    void startFirmwareDownload(FirmwareDownloader& downloader);
    // Selects the entry and starts its download, or extraction when it is already here; a continued
    // update does its own extraction.
    void useSelectedFirmware(const KnownFirmware& entry);
    void checkKnownFirmwareListAndAdvanceState();

    Clock clock_;
    std::chrono::milliseconds continuationStartedAt_{0};
    State state_ = State::IDLE;
    std::unique_ptr<ISystemIdentity> identity_;
    QString location_;
    QSharedPointer<DetectorIdentifier> identifier_;
    DetectorUpgradeReadinessChecker::ReadinessStatus readiness_{};
    std::vector<KnownFirmware> knownFirmware_;
    KnownFirmware selectedFirmware_;
    FirmwareCatalog& catalog_;
    QTemporaryFile downloadFile_;
    QSharedPointer<RemoteFirmwareLocator> remoteLocator_;
    QSharedPointer<DetectorUpdater> updater_;
    // What the updater at work was given; kept until the next installation replaces it.
    std::unique_ptr<Installation> installation_;
    int downloadPercent_ = 0;
    bool installDeterminate_ = false;
    int installPercent_ = 0;
    QStringList lastLocations_;
    // Counts state changes and aborts, so a device search notices what happened while it waited.
    std::uint64_t stateEpoch_ = 0;
    bool polling_ = false;
};

} // namespace fwup

// The window keeps one in each entry of its restore list.
Q_DECLARE_METATYPE(fwup::FirmwareUpdateStateMachine::AvailableFirmware)
