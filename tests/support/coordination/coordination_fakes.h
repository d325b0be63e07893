#pragma once

// Stand-ins for the collaborators the update state machine finds in the registries, and a rig that
// registers them and drives a machine into any state.

#include <QSharedPointer>
#include <QStringList>

#include "fwup/communication/detector_locator.h"
#include "fwup/coordination/detector_upgrade_readiness_checker.h"
#include "fwup/coordination/detector_version_checker.h"
#include "fwup/coordination/firmware_downloader.h"
#include "fwup/coordination/firmware_update_state_machine.h"
#include "fwup/coordination/firmware_version_checker.h"
#include "fwup/coordination/remote_firmware_locator.h"
#include "fwup/firmware/firmware_catalog.h"
#include "fwup/firmware/firmware_file_parser.h"
#include "fwup/firmware/firmware_image_extractor.h"
#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/firmware/i_system_update.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/i_system_identity.h"
#include "fwup/installation/detector_updater.h"
#include "tests/support/registries/registry_reset.h"

#include <functional>

namespace coordtest {

using fwup::DetectorType;
using fwup::UpgradeableComponent;
using fwup::Version;
using Versions = QMap<UpgradeableComponent, Version>;
using Machine = fwup::FirmwareUpdateStateMachine;
using State = Machine::State;

inline Versions pod(std::uint8_t minor) {
    return {{UpgradeableComponent::CONTROL_POD, Version{1, minor, 0}}};
}

// Systems with equal serials are the same system, unless the asking one is set not to recognise any.
struct FakeIdentity final : fwup::ISystemIdentity {
    QString serial;
    DetectorType type = DetectorType::LODESTAR_MODEL_1;
    bool recognisesOthers = true;
    Versions versions = pod(76);
    std::optional<bool> valid = true;

    explicit FakeIdentity(QString serialNumber = {},
                          DetectorType detectorType = DetectorType::LODESTAR_MODEL_1)
        : serial(std::move(serialNumber))
        , type(detectorType) {}
    Versions componentVersions() const override { return versions; }
    DetectorType detectorType() const override { return type; }
    QString serialNumber() const override { return serial; }
    bool isSameDetector(const ISystemIdentity& other) const override {
        return recognisesOthers && other.serialNumber() == serial;
    }
    std::optional<bool> componentsValid() const override { return valid; }
    std::unique_ptr<ISystemIdentity> clone() const override { return std::make_unique<FakeIdentity>(*this); }
    bool operator==(const ISystemIdentity& other) const override { return other.serialNumber() == serial; }
};

struct FakeLocator final : fwup::DetectorLocator {
    QStringList devices;
    QStringList getConnectedDetectors() override { return devices; }
};

// Knows one system per location. `whileIdentifying` runs inside the identification, where a real
// identifier pumps the event loop.
struct FakeIdentifier final : fwup::DetectorIdentifier {
    QMap<QString, FakeIdentity> systems;
    std::function<void(const QString&)> whileIdentifying;
    QStringList asked;
    int depth = 0;
    int deepest = 0;

    std::unique_ptr<fwup::ISystemIdentity> identifyDetector(const QString& location) override {
        asked << location;
        deepest = std::max(deepest, ++depth);
        if (whileIdentifying) {
            whileIdentifying(location);
        }
        --depth;
        const auto found = systems.constFind(location);
        return found == systems.cend() ? nullptr : found->clone();
    }
};

struct FakeCatalogFile final : fwup::IFirmwareCatalogFile {
    QString path;
    Versions versions;
    FakeCatalogFile(QString filePath, Versions componentVersions)
        : path(std::move(filePath))
        , versions(std::move(componentVersions)) {}
    QString filePath() const override { return path; }
    Versions componentVersions() const override { return versions; }
    DetectorType detectorType() const override { return DetectorType::LODESTAR_MODEL_1; }
};

using CatalogFiles = std::vector<std::unique_ptr<fwup::IFirmwareCatalogFile>>;

inline CatalogFiles copies(const std::vector<FakeCatalogFile>& files) {
    CatalogFiles result;
    for (const auto& file : files) {
        result.push_back(std::make_unique<FakeCatalogFile>(file));
    }
    return result;
}

// Offers the same files for every system.
struct FakeCatalog final : fwup::FirmwareCatalog {
    std::vector<FakeCatalogFile> files;
    bool addSucceeds = true;

    bool addOrUpdateFirmware(const fwup::IFirmwareCatalogFile& file) override {
        if (addSucceeds) {
            files.emplace_back(file.filePath(), file.componentVersions());
        }
        return addSucceeds;
    }
    CatalogFiles firmwareForDetector(const fwup::ISystemIdentity&) const override { return copies(files); }
};

struct FakeSystemUpdate final : fwup::ISystemUpdate {
    QString madeFrom;
    explicit FakeSystemUpdate(QString path)
        : madeFrom(std::move(path)) {}
    Versions componentVersions() const override { return {}; }
};

// Like the real extractors, takes only files it can open: those with a path.
struct FakeExtractor final : fwup::FirmwareImageExtractor {
    bool produces = true;
    std::unique_ptr<fwup::ISystemUpdate> extractFirmware(const fwup::IFirmwareCatalogFile& file) override {
        if (!produces || file.filePath().isEmpty()) {
            return nullptr;
        }
        return std::make_unique<FakeSystemUpdate>(file.filePath());
    }
};

struct FakeUpdater final : fwup::DetectorUpdater {
    bool accepts = true;
    int starts = 0;
    const fwup::ISystemIdentity* identity = nullptr;
    const fwup::ISystemUpdate* update = nullptr;
    QString location;

    bool startUpdate(const fwup::ISystemIdentity& given, const QString& at,
                     const fwup::ISystemUpdate& images) override {
        ++starts;
        if (accepts) {
            identity = &given;
            location = at;
            update = &images;
        }
        return accepts;
    }
    QString installedFrom() const { return dynamic_cast<const FakeSystemUpdate&>(*update).madeFrom; }
};

struct FakeDownloader final : fwup::FirmwareDownloader {
    Version detector, podSoftware, gpr;
    int starts = 0;
    int size = 4096;
    Version detectorVersion() const override { return detector; }
    Version gprVersion() const override { return gpr; }
    Version podVersion() const override { return podSoftware; }
    int downloadSize() const override { return size; }
    void startDownloadImpl() override { ++starts; }
};

struct FakeRemoteLocator final : fwup::RemoteFirmwareLocator {
    bool accepts = true;
    std::unique_ptr<FakeDownloader> offer;
    bool startSearchForLatestVersion(const fwup::ISystemIdentity&) override { return accepts; }
    std::unique_ptr<fwup::FirmwareDownloader> latestVersionDownloader() override { return std::move(offer); }
};

struct FakeParser final : fwup::FirmwareFileParser {
    std::vector<FakeCatalogFile> yields;
    CatalogFiles parseFile(const QString&) override { return copies(yields); }
};

struct FakeReadinessChecker final : fwup::DetectorUpgradeReadinessChecker {
    DetectorType type;
    ReadinessStatus status;
    FakeReadinessChecker(DetectorType accepted, ReadinessStatus answer)
        : type(accepted)
        , status(answer) {}
    ReadinessStatus readiness(const QString&) override { return status; }
    bool accepts(const DetectorType& asked) override { return asked == type; }
};

struct FakeDetectorVersionChecker final : fwup::DetectorVersionChecker {
    int answer;
    int asked = 0;
    explicit FakeDetectorVersionChecker(int given)
        : answer(given) {}
    int checkSupport(const fwup::ISystemIdentity&) override { return ++asked, answer; }
};

struct FakeFirmwareVersionChecker final : fwup::FirmwareVersionChecker {
    int answer;
    DetectorType askedFor = DetectorType::NONE;
    explicit FakeFirmwareVersionChecker(int given)
        : answer(given) {}
    int checkSupport(DetectorType type, const Machine::AvailableFirmware&) override {
        askedFor = type;
        return answer;
    }
};

// One registered fake of each collaborator: system S1 at "HID::A", S2 at "HID::B", S1 again at
// "HID::A2", and the catalog offering firmware 1.80.0 and 1.81.0.
struct Rig {
    QSharedPointer<FakeLocator> locator = QSharedPointer<FakeLocator>::create();
    QSharedPointer<FakeIdentifier> identifier = QSharedPointer<FakeIdentifier>::create();
    QSharedPointer<FakeExtractor> extractor = QSharedPointer<FakeExtractor>::create();
    QSharedPointer<FakeUpdater> updater = QSharedPointer<FakeUpdater>::create();
    QSharedPointer<FakeRemoteLocator> remote = QSharedPointer<FakeRemoteLocator>::create();
    FakeDownloader* downloader = nullptr; // the last one offered; the machine owns it once taken
    FakeCatalog catalog;
    std::chrono::milliseconds now{0};
    Machine machine{catalog};

    // The steady clock stays in place only when asked for.
    explicit Rig(bool steadyClock = false) {
        regtest::clear_all_registries();
        fwup::global_detector_locator_registry() << locator;
        fwup::global_detector_identifier_registry() << identifier;
        fwup::global_firmware_image_extractor_registry() << extractor;
        fwup::global_detector_updater_registry() << updater;
        identifier->systems.insert(QStringLiteral("HID::A"), FakeIdentity(QStringLiteral("S1")));
        identifier->systems.insert(QStringLiteral("HID::A2"), FakeIdentity(QStringLiteral("S1")));
        identifier->systems.insert(QStringLiteral("HID::B"), FakeIdentity(QStringLiteral("S2")));
        catalog.files = {{QStringLiteral("/old.cvb"), pod(80)}, {QStringLiteral("/new.cvb"), pod(81)}};
        if (!steadyClock) {
            machine.setClock([this] { return now; });
        }
    }
    ~Rig() { regtest::clear_all_registries(); }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    void plug(const QStringList& devices) { locator->devices = devices; }
    void pollWith(const QStringList& devices) {
        plug(devices);
        machine.poll();
    }
    void setSystemType(DetectorType type) {
        for (auto& system : identifier->systems) {
            system.type = type;
        }
    }
    void offerDownload(std::uint8_t detectorMinor) {
        remote->offer = std::make_unique<FakeDownloader>();
        remote->offer->detector = Version{1, detectorMinor, 0};
        downloader = remote->offer.get();
        fwup::global_remote_firmware_locator_registry() << remote;
    }

    // Takes the machine there the way a user and a detector would.
    void driveTo(State target) {
        const QStringList one{QStringLiteral("HID::A")};
        switch (target) {
        case State::IDLE:
            return;
        case State::SEARCHING_FOR_DETECTOR:
            return machine.initiateUpdateProcess();
        case State::MULTIPLE_DETECTORS_FOUND:
            machine.initiateUpdateProcess();
            return pollWith({QStringLiteral("HID::A"), QStringLiteral("HID::B")});
        case State::SEARCHING_FOR_UPDATES:
            fwup::global_remote_firmware_locator_registry() << remote;
            machine.initiateUpdateProcess();
            return pollWith(one);
        case State::NO_UPDATES_AVAILABLE:
            catalog.files.clear();
            [[fallthrough]];
        case State::AWAIT_FIRMWARE_SELECTION:
            machine.initiateUpdateProcess();
            return pollWith(one);
        case State::DOWNLOADING_FIRMWARE:
            offerDownload(99);
            driveTo(State::SEARCHING_FOR_UPDATES);
            emit remote->searchFinished();
            machine.selectLatestFirmwareToUpgrade();
            return;
        case State::EXTRACTING_FIRMWARE:
            driveTo(State::AWAIT_FIRMWARE_SELECTION);
            machine.selectLatestFirmwareToUpgrade();
            return;
        case State::INSTALLING_FIRMWARE:
            driveTo(State::EXTRACTING_FIRMWARE);
            return machine.poll();
        case State::SUCCEEDED:
        case State::CONTINUING_INCOMPLETE_UPDATE:
        case State::FAILED:
            driveTo(State::INSTALLING_FIRMWARE);
            emit updater->finished(target == State::SUCCEEDED ? fwup::UpdaterStatus::COMPLETE
                                   : target == State::FAILED  ? fwup::UpdaterStatus::FAILED
                                                              : fwup::UpdaterStatus::INCOMPLETE);
            return;
        }
    }
};

} // namespace coordtest
