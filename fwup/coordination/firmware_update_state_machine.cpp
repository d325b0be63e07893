#include "fwup/coordination/firmware_update_state_machine.h"

#include "fwup/communication/detector_locator.h"
#include "fwup/coordination/detector_version_checker.h"
#include "fwup/coordination/firmware_downloader.h"
#include "fwup/coordination/firmware_version_checker.h"
#include "fwup/coordination/legacy_firmware_catalog_file.h"
#include "fwup/coordination/remote_firmware_locator.h"
#include "fwup/coordination/version_check_answer.h"
#include "fwup/firmware/component_versions.h"
#include "fwup/firmware/firmware_catalog.h"
#include "fwup/firmware/firmware_file_parser.h"
#include "fwup/firmware/firmware_image_extractor.h"
#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/firmware/i_system_update.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/i_system_identity.h"
#include "fwup/installation/detector_updater.h"

#include <QDebug>
#include <QScopeGuard>

#include <algorithm>
#include <array>
#include <utility>

namespace fwup {

namespace {

using State = FirmwareUpdateStateMachine::State;

const QString SystemError = QStringLiteral("System Error");

struct StateNames {
    const char* name;
    const char* displayName;
};

constexpr std::array<StateNames, 12> stateNames{{
    {"IDLE", "Idle"},
    {"SEARCHING_FOR_DETECTOR", "Searching For Detector"},
    {"MULTIPLE_DETECTORS_FOUND", "Multiple Detectors Found"},
    {"SEARCHING_FOR_UPDATES", "Searching For Updates"},
    {"NO_UPDATES_AVAILABLE", "No Updates Available"},
    {"AWAIT_FIRMWARE_SELECTION", "Awaiting Firmware Selection"},
    {"DOWNLOADING_FIRMWARE", "Downloading Firmware"},
    {"EXTRACTING_FIRMWARE", "Extracting Firmware"},
    {"INSTALLING_FIRMWARE", "Installing Firmware"},
    {"SUCCEEDED", "Succeeded"},
    {"CONTINUING_INCOMPLETE_UPDATE", "Continuing Incomplete Update"},
    {"FAILED", "Failed"},
}};

std::chrono::milliseconds steadyNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

} // namespace

// The updater borrows these for the whole update, so it gets its own copies: the machine's identity
// may be replaced by a device search while the updater still reads it.
struct FirmwareUpdateStateMachine::Installation {
    std::unique_ptr<ISystemIdentity> identity;
    QString location;
    std::shared_ptr<const ISystemUpdate> update;
};

// What one device search identified, before any of it is taken.
struct FirmwareUpdateStateMachine::Identification {
    std::vector<std::unique_ptr<ISystemIdentity>> systems;
    QString location;                              // where the first system was found
    QSharedPointer<DetectorIdentifier> identifier; // the last one that identified anything
    bool interrupted = false;                      // the state changed while a detector was identified
};

FirmwareUpdateStateMachine::FirmwareUpdateStateMachine(FirmwareCatalog& catalog, QObject* parent)
    : QObject(parent)
    , clock_(steadyNow)
    , catalog_(catalog) {
}

FirmwareUpdateStateMachine::~FirmwareUpdateStateMachine() = default;

void FirmwareUpdateStateMachine::setClock(Clock clock) {
    clock_ = std::move(clock);
}

const char* FirmwareUpdateStateMachine::stateName(State state) {
    const auto index = static_cast<unsigned int>(state);
    return index < stateNames.size() ? stateNames[index].name : "?INVALID_STATE?";
}

const char* FirmwareUpdateStateMachine::stateDisplayName(State state) {
    const auto index = static_cast<unsigned int>(state);
    return index < stateNames.size() ? stateNames[index].displayName : "Invalid Firmware Update State";
}

void FirmwareUpdateStateMachine::enterNewState(State newState, bool ok, const QString& reason) {
    if (newState == state_) {
        return;
    }
    const auto oldState = static_cast<unsigned int>(state_);
    if (ok) {
        emit stateStepOk(oldState);
    } else {
        qDebug() << "Failed to enter state" << stateDisplayName(newState) << "because:" << reason;
        emit stateStepError(oldState);
    }
    state_ = newState;
    ++stateEpoch_;
    emit stateEntered(static_cast<unsigned int>(newState), reason);
    emit stateChanged(newState);
}

void FirmwareUpdateStateMachine::poll() {
    // Identification and updaters pump the event loop, and with it the window's poll timer.
    if (polling_) {
        return;
    }
    polling_ = true;
    const auto pollDone = qScopeGuard([this] { polling_ = false; });

    switch (state_) {
    case State::SEARCHING_FOR_DETECTOR:
    case State::MULTIPLE_DETECTORS_FOUND:
    case State::NO_UPDATES_AVAILABLE:
    case State::AWAIT_FIRMWARE_SELECTION:
        checkForDevices();
        break;
    case State::EXTRACTING_FIRMWARE:
        extractSelectedFirmware();
        break;
    case State::CONTINUING_INCOMPLETE_UPDATE:
        if (clock_() - continuationStartedAt_ > ContinuationTimeout) {
            enterNewState(State::FAILED, true, {});
        }
        checkForDevices();
        break;
    default:
        break;
    }
}

void FirmwareUpdateStateMachine::initiateUpdateProcess() {
    switch (state_) {
    case State::FAILED:
        // Try again: a detector that stayed connected is identified again.
        lastLocations_.clear();
        [[fallthrough]];
    case State::IDLE:
    case State::MULTIPLE_DETECTORS_FOUND:
    case State::NO_UPDATES_AVAILABLE:
        enterNewState(State::SEARCHING_FOR_DETECTOR, true, {});
        break;
    default:
        break;
    }
}

void FirmwareUpdateStateMachine::abortUpdateProcess() {
    // The installation's copies stay: an updater may still be reading them.
    releaseUpdater();
    if (selectedFirmware_.downloader) {
        disconnect(selectedFirmware_.downloader.data(), nullptr, this, nullptr);
        selectedFirmware_.downloader.reset();
    }
    if (remoteLocator_) {
        disconnect(remoteLocator_.data(), nullptr, this, nullptr);
        remoteLocator_.reset();
    }
    identity_.reset();
    lastLocations_.clear();
    readiness_ = {};
    ++stateEpoch_;
    qDebug() << "Aborting update process - going idle.";
    enterNewState(State::IDLE, true, {});
}

void FirmwareUpdateStateMachine::checkForDevices() {
    const auto locators = global_detector_locator_registry();
    if (locators.isEmpty()) {
        qDebug() << "No locators available in global registry";
        enterNewState(State::FAILED, false, SystemError);
        return;
    }
    if (global_detector_identifier_registry().isEmpty()) {
        qDebug() << "No identifiers available in global registry";
        enterNewState(State::FAILED, false, SystemError);
        return;
    }

    QStringList locations;
    for (const auto& locator : locators) {
        locations += locator->getConnectedDetectors();
    }
    // Stored before identifying, so that identification runs only when the set of devices changes.
    if (std::exchange(lastLocations_, locations) == locations) {
        return;
    }

    Identification found = identifyDetectors(locations);
    if (found.interrupted) {
        // The user or an updater moved the machine on meanwhile; what was found no longer applies.
        // Forgetting the list lets a later search identify these devices afresh.
        qDebug() << "Dropping a device search overtaken by a change of state";
        lastLocations_.clear();
        return;
    }
    if (found.identifier) {
        identifier_ = found.identifier;
    }
    if (found.systems.size() > 1) {
        location_ = found.location;
        identity_.reset();
        enterNewState(State::MULTIPLE_DETECTORS_FOUND, true, {});
        return;
    }
    if (found.systems.empty()) {
        enterNewState(State::SEARCHING_FOR_DETECTOR, true, {});
        identity_.reset();
        return;
    }
    location_ = found.location;
    takeIdentity(std::move(found));
}

FirmwareUpdateStateMachine::Identification
FirmwareUpdateStateMachine::identifyDetectors(const QStringList& locations) {
    const auto identifiers = global_detector_identifier_registry();
    const auto epoch = stateEpoch_;
    Identification found;
    for (const QString& candidate : locations) {
        for (const auto& identifier : identifiers) {
            // Pumps the event loop: the window may act and signals may arrive while it runs.
            auto identity = identifier->identifyDetector(candidate);
            if (stateEpoch_ != epoch) {
                found.interrupted = true;
                return found;
            }
            if (!identity) {
                continue;
            }
            found.identifier = identifier;
            // A detector reached twice counts once; only the first system found is asked.
            if (!found.systems.empty() && found.systems.front()->isSameDetector(*identity)) {
                continue;
            }
            found.systems.push_back(std::move(identity));
            if (found.systems.size() > 1) {
                return found;
            }
            found.location = candidate;
        }
    }
    return found;
}

void FirmwareUpdateStateMachine::takeIdentity(Identification found) {
    auto identity = std::move(found.systems.front());
    if (state_ == State::AWAIT_FIRMWARE_SELECTION) {
        // The same detector at a new location: the user's choice still stands.
        if (identity_ && identity_->isSameDetector(*identity)) {
            return;
        }
        // Another detector took its place: the firmware on offer was found for the old one.
        identity_ = std::move(identity);
        enterNewState(State::SEARCHING_FOR_DETECTOR, true, {});
        askReadiness();
        searchForUpdates();
        return;
    }
    identity_ = std::move(identity);
    if (state_ == State::CONTINUING_INCOMPLETE_UPDATE) {
        continueIncompleteUpdate();
        return;
    }
    askReadiness();
    searchForUpdates();
}

void FirmwareUpdateStateMachine::askReadiness() {
    const auto checkers = global_detector_upgrade_status_checker_registry();
    if (checkers.isEmpty()) {
        qDebug() << "No detector readiness checker available in global registry";
        return;
    }
    for (const auto& checker : checkers) {
        if (checker->accepts(identity_->detectorType())) {
            readiness_ = checker->readiness(location_);
        }
    }
}

void FirmwareUpdateStateMachine::continueIncompleteUpdate() {
    searchLocalCatalog();
    if (knownFirmware_.empty() || !selectLatestFirmwareToUpgrade()) {
        enterNewState(State::FAILED, true, {});
        return;
    }
    extractSelectedFirmware();
}

void FirmwareUpdateStateMachine::searchForUpdates() {
    searchLocalCatalog();
    const auto locators = global_remote_firmware_locator_registry();
    for (const auto& locator : locators) {
        if (locator->startSearchForLatestVersion(*identity_)) {
            remoteLocator_ = locator;
            connect(locator.data(), &RemoteFirmwareLocator::searchFinished, this,
                    &FirmwareUpdateStateMachine::onSearchForUpdatesFinished);
            enterNewState(State::SEARCHING_FOR_UPDATES, true, {});
            return;
        }
    }
    checkKnownFirmwareListAndAdvanceState();
}

void FirmwareUpdateStateMachine::searchLocalCatalog() {
    knownFirmware_.clear();
    for (auto& file : catalog_.firmwareForDetector(*identity_)) {
        knownFirmware_.push_back({std::shared_ptr<const IFirmwareCatalogFile>(std::move(file)), {}, {}});
    }
}

void FirmwareUpdateStateMachine::checkKnownFirmwareListAndAdvanceState() {
    enterNewState(knownFirmware_.empty() ? State::NO_UPDATES_AVAILABLE : State::AWAIT_FIRMWARE_SELECTION,
                  true, {});
}

bool FirmwareUpdateStateMachine::selectLatestFirmwareToUpgrade() {
    if (state_ != State::AWAIT_FIRMWARE_SELECTION && state_ != State::CONTINUING_INCOMPLETE_UPDATE) {
        qDebug() << "Rejecting selection of latest firmware when in" << stateName(state_);
        return false;
    }
    if (knownFirmware_.empty()) {
        qInfo() << "Can't select latest firmware, because we don't know of any firmware";
        return false;
    }
    auto best = knownFirmware_.cbegin();
    for (auto entry = best + 1; entry != knownFirmware_.cend(); ++entry) {
        if (compare_component_versions(entry->catalogFile->componentVersions(),
                                       best->catalogFile->componentVersions()) > 0) {
            best = entry;
        }
    }
    qDebug() << "Fulfilling request to select latest version";
    useSelectedFirmware(*best);
    return true;
}

bool FirmwareUpdateStateMachine::selectFirmwareToUpgrade(
    const QMap<UpgradeableComponent, Version>& versions) {
    if (state_ != State::AWAIT_FIRMWARE_SELECTION) {
        qDebug() << "Rejecting selection of firmware when not in" << stateName(state_);
        return false;
    }
    for (const auto& entry : knownFirmware_) {
        if (entry.catalogFile->componentVersions() == versions) {
            useSelectedFirmware(entry);
            return true;
        }
    }
    qInfo() << "Rejecting selecting FW version as we don't know about it";
    return false;
}

void FirmwareUpdateStateMachine::useSelectedFirmware(const KnownFirmware& entry) {
    selectedFirmware_ = entry;
    if (selectedFirmware_.downloader) {
        startFirmwareDownload(*selectedFirmware_.downloader);
    } else if (state_ != State::CONTINUING_INCOMPLETE_UPDATE) {
        enterNewState(State::EXTRACTING_FIRMWARE, true, {});
    }
}

void FirmwareUpdateStateMachine::extractSelectedFirmware() {
    const auto extractors = global_firmware_image_extractor_registry();
    if (extractors.isEmpty()) {
        enterNewState(State::FAILED, false, SystemError);
        return;
    }
    for (const auto& extractor : extractors) {
        selectedFirmware_.systemUpdate = extractor->extractFirmware(*selectedFirmware_.catalogFile);
        if (selectedFirmware_.systemUpdate) {
            startFirmwareInstallation();
            return;
        }
    }
    enterNewState(State::FAILED, false, QStringLiteral("Invalid Firmware File"));
}

void FirmwareUpdateStateMachine::startFirmwareInstallation() {
    const auto updaters = global_detector_updater_registry();
    if (updaters.isEmpty()) {
        qDebug() << "There are no detecor updaters in the global registry. Config error?";
        enterNewState(State::FAILED, false, SystemError);
        return;
    }
    auto installation = std::make_unique<Installation>(
        Installation{identity_->clone(), location_, selectedFirmware_.systemUpdate});
    QSharedPointer<DetectorUpdater> accepted;
    for (const auto& candidate : updaters) {
        if (candidate->startUpdate(*installation->identity, installation->location, *installation->update)) {
            accepted = candidate;
            break;
        }
    }
    if (!accepted) {
        qWarning() << "There were no updaters capable of updating detector at" << location_;
        enterNewState(State::FAILED, false, QStringLiteral("No capable updaters"));
        return;
    }
    qDebug() << "Async update process starting";
    installation_ = std::move(installation);
    // An updater still held after an incomplete update is connected once only.
    releaseUpdater();
    updater_ = accepted;
    connect(updater_.data(), &DetectorUpdater::finished, this,
            &FirmwareUpdateStateMachine::onUpdaterFinished);
    connect(updater_.data(), &DetectorUpdater::updateProgress, this,
            &FirmwareUpdateStateMachine::onUpdaterProgressed);
    enterNewState(State::INSTALLING_FIRMWARE, true, {});
}

void FirmwareUpdateStateMachine::releaseUpdater() {
    if (updater_) {
        disconnect(updater_.data(), nullptr, this, nullptr);
        updater_.reset();
    }
}

void FirmwareUpdateStateMachine::onUpdaterProgressed(bool determinate, int percent) {
    installDeterminate_ = determinate;
    installPercent_ = percent;
    emit installProgress(determinate, percent);
}

void FirmwareUpdateStateMachine::onUpdaterFinished(UpdaterStatus status) {
    if (status == UpdaterStatus::INCOMPLETE) {
        // The updater stays held: the detector restarts, and the continuation installs again.
        continuationStartedAt_ = clock_();
        enterNewState(State::CONTINUING_INCOMPLETE_UPDATE, true, {});
        return;
    }
    releaseUpdater();
    if (status == UpdaterStatus::FAILED) {
        qWarning() << "The firmware installation process failed";
        enterNewState(State::FAILED, false, QStringLiteral("Error while updating"));
        return;
    }
    const DetectorType type = installation_ ? installation_->identity->detectorType() : DetectorType::NONE;
    const bool searchAgain =
        type == DetectorType::FENNEL_CB_NO_APP || type == DetectorType::FENNEL_UIM_NO_APP;
    enterNewState(searchAgain ? State::SEARCHING_FOR_DETECTOR : State::SUCCEEDED, true, {});
}

void FirmwareUpdateStateMachine::onSearchForUpdatesFinished() {
    if (!remoteLocator_) {
        return;
    }
    QSharedPointer<FirmwareDownloader> downloader(remoteLocator_->latestVersionDownloader().release());
    disconnect(remoteLocator_.data(), nullptr, this, nullptr);
    remoteLocator_.reset();

    if (!downloader) {
        qInfo() << "Search for updates yielded no results";
    } else {
        const Version detector = downloader->detectorVersion();
        const bool known =
            std::any_of(knownFirmware_.cbegin(), knownFirmware_.cend(), [&](const auto& entry) {
                return entry.catalogFile->componentVersions().value(
                           UpgradeableComponent::LEGACY_MBU_MODULE_2) == detector;
            });
        if (!known) {
            const QMap<UpgradeableComponent, Version> versions{
                {UpgradeableComponent::LEGACY_MBU_MODULE_1, downloader->podVersion()},
                {UpgradeableComponent::LEGACY_MBU_MODULE_2, detector},
                {static_cast<UpgradeableComponent>(2), downloader->gprVersion()}};
            knownFirmware_.push_back(
                {std::make_shared<LegacyFirmwareCatalogFile>(QString(), identity_->detectorType(), versions),
                 {},
                 downloader});
        }
    }
    checkKnownFirmwareListAndAdvanceState();
}

void FirmwareUpdateStateMachine::startFirmwareDownload(FirmwareDownloader& downloader) {
    if (!downloadFile_.open()) {
        enterNewState(State::FAILED, false,
                      QStringLiteral("Failed to create temporary file for download. Permissions?"));
        return;
    }
    downloadFile_.close();
    connect(&downloader, &FirmwareDownloader::downloadProgress, this,
            &FirmwareUpdateStateMachine::onDownloaderProgressed);
    connect(&downloader, &FirmwareDownloader::finished, this,
            &FirmwareUpdateStateMachine::onDownloaderFinished);
    // Entered before the download starts, so a downloader that fails at once is not overtaken.
    enterNewState(State::DOWNLOADING_FIRMWARE, true, {});
    downloader.startDownload(downloadFile_.fileName());
}

void FirmwareUpdateStateMachine::onDownloaderProgressed(int percent) {
    downloadPercent_ = percent;
    emit downloadProgress(percent);
}

void FirmwareUpdateStateMachine::onDownloaderFinished(bool success) {
    if (selectedFirmware_.downloader) {
        selectedFirmware_.downloader.reset();
    } else {
        qCritical() << "Logic error. Selected firmware doesn't have associated downloader, when it should";
    }
    if (!success) {
        qWarning() << "Download Failed";
        enterNewState(State::FAILED, false, QStringLiteral("Download Failed"));
        return;
    }
    if (global_firmware_file_parser_registry().isEmpty()) {
        enterNewState(State::FAILED, false, QStringLiteral("No firmware file parser registered"));
        return;
    }
    const auto downloaded = parse_with_registered_parsers(downloadFile_.fileName());
    const auto fail = [this](const QString& reason) {
        qWarning() << reason;
        enterNewState(State::FAILED, false, reason);
    };
    if (downloaded.empty()) {
        fail(QStringLiteral("No firmwares found in the downloaded file"));
        return;
    }
    for (const auto& file : downloaded) {
        if (!catalog_.addOrUpdateFirmware(*file)) {
            fail(QStringLiteral("Failed to add downloaded firmware to catalog"));
            return;
        }
    }
    auto catalogued = catalog_.firmwareForDetector(*identity_);
    if (catalogued.empty()) {
        fail(QStringLiteral("Firmware downloaded for detector is not available in catalog"));
        return;
    }
    const auto wanted = selectedFirmware_.catalogFile->componentVersions();
    for (auto& file : catalogued) {
        if (file->componentVersions() == wanted) {
            selectedFirmware_.catalogFile = std::move(file);
            break;
        }
    }
    // Without a match the remote entry stays selected, and extraction decides.
    enterNewState(State::EXTRACTING_FIRMWARE, true, {});
}

std::vector<FirmwareUpdateStateMachine::AvailableFirmware>
FirmwareUpdateStateMachine::getFirmwareList() const {
    std::vector<AvailableFirmware> list;
    list.reserve(knownFirmware_.size());
    for (const auto& entry : knownFirmware_) {
        AvailableFirmware firmware{entry.catalogFile->componentVersions()};
        if (entry.downloader) {
            firmware.downloadRequired = true;
            firmware.downloadSize = entry.downloader->downloadSize();
        }
        list.push_back(std::move(firmware));
    }
    return list;
}

FirmwareUpdateStateMachine::AvailableFirmware FirmwareUpdateStateMachine::getLatestFirmwareVersion() const {
    AvailableFirmware latest;
    for (auto& entry : getFirmwareList()) {
        if (compare_component_versions(entry.versions, latest.versions) > 0) {
            latest = std::move(entry);
        }
    }
    return latest;
}

bool FirmwareUpdateStateMachine::isDectectorSupported(const ISystemIdentity& identity) const {
    const auto checkers = global_detector_version_checker_registry();
    return std::none_of(checkers.cbegin(), checkers.cend(), [&](const auto& checker) {
        return checker->checkSupport(identity) == version_check::UNSUPPORTED;
    });
}

bool FirmwareUpdateStateMachine::isFirmwareSupported(const AvailableFirmware& firmware) const {
    const auto checkers = global_firmware_version_checker_registry();
    // No identity only before the first detector is identified; judge the firmware on its own then.
    const DetectorType type = identity_ ? identity_->detectorType() : DetectorType::NONE;
    return std::none_of(checkers.cbegin(), checkers.cend(), [&](const auto& checker) {
        return checker->checkSupport(type, firmware) == version_check::UNSUPPORTED;
    });
}

} // namespace fwup
