#pragma once

// Shared by the updater tests: a Lodestar firmware made by the test container kit and extracted by
// the program's own parser and extractor, the registrations a whole update relies on, a simulated
// system that takes the images it is given, and a record of what an updater reported.

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/communication/detector_locator.h"
#include "fwup/communication/hid_detector_locator.h"
#include "fwup/firmware/i_system_update.h"
#include "fwup/firmware/lodestar_block_secrets.h"
#include "fwup/firmware/lodestar_firmware_image_extractor.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/identification/lodestar_detector_identifier.h"
#include "fwup/installation/lodestar_detector_updater.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/firmware_metadata.h"
#include "tests/support/simulated_detector/payload_reader.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

namespace updater_test {

using namespace installation_test;
using fwup::UpdaterStatus;
using fwup::Version;

inline constexpr std::uint16_t POD_IMAGE = 11000;
inline constexpr std::uint16_t CPUAPP_IMAGE = 11081;
inline constexpr std::uint16_t CPUNET_IMAGE = 11082;

// The settings-record versions of the family's registrar.
inline const fwup::VersionRangeTable LODESTAR_SETTINGS_TABLE{
    {fwup::VersionRange{{1, 76, 0}, {1, 76, 255}}, 1}, {fwup::VersionRange{{1, 77, 0}, {255, 255, 255}}, 2}};

// --- Firmware ---

struct FirmwareImages {
    Version podVersion{1, 80, 4};
    Version tamarindVersion{2, 5, 0};
    int podSize = 6000;
    int cpuAppSize = 2500;
    int cpuNetSize = 1800;
    std::uint32_t seed = 1; // distinct seeds give distinct images
};

// A model-1 Lodestar container on disk, and what the program extracted from it.
struct ExtractedFirmware {
    QTemporaryDir directory;
    QByteArray podImage;
    QByteArray cpuAppImage;
    QByteArray cpuNetImage;
    Version podVersion;
    Version tamarindVersion;
    std::unique_ptr<fwup::ISystemUpdate> update;
};

inline QByteArray toByteArray(const cvbtest::Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

inline cvbtest::SoftwareVersion kitVersion(Version version) {
    return {version.major, version.minor, version.patch};
}

// Null when the container could not be made, parsed or extracted.
inline std::unique_ptr<ExtractedFirmware> extractFirmware(const FirmwareImages& images = {}) {
    using namespace cvbtest;
    auto firmware = std::make_unique<ExtractedFirmware>();
    const Bytes pod = patternBytes(static_cast<std::size_t>(images.podSize), 100 + images.seed);
    const Bytes app = patternBytes(static_cast<std::size_t>(images.cpuAppSize), 200 + images.seed);
    const Bytes net = patternBytes(static_cast<std::size_t>(images.cpuNetSize), 300 + images.seed);
    firmware->podImage = toByteArray(pod);
    firmware->cpuAppImage = toByteArray(app);
    firmware->cpuNetImage = toByteArray(net);
    firmware->podVersion = images.podVersion;
    firmware->tamarindVersion = images.tamarindVersion;

    MbuHeaderLayout podHeader;
    podHeader.version = kitVersion(images.podVersion);
    podHeader.hardwareFlags = 1;
    podHeader.requiredBtIcdRevision = 3;
    CpuAppHeaderLayout appHeader;
    appHeader.version = kitVersion(images.tamarindVersion);
    appHeader.hardwareFlags = 1;
    appHeader.btIcdRevision = 3;
    appHeader.pairingId = pairingId(images.seed);
    CpuNetHeaderLayout netHeader;
    netHeader.pairingId = appHeader.pairingId;
    const ContainerLayout layout{
        {firmwareBlock("LDSTCP01", mbuHeader(podHeader), pod, LodestarModel1ProductionSecret),
         firmwareBlock("LDSTJNA1", cpuAppHeader(appHeader), app, LodestarJuniperCpuAppProductionSecret),
         firmwareBlock("LDSTJNN1", cpuNetHeader(netHeader), net, LodestarJuniperCpuNetProductionSecret)},
        {}};
    const QString path = firmware->directory.filePath(QStringLiteral("lodestar.cvb"));
    if (!writeContainer(path, layout)) {
        return {};
    }

    // Parsed and extracted with the secrets the family registrar hands out.
    const fwup::LodestarBlockSecrets secrets = fwup::lodestar_block_secrets(true);
    const fwup::BlockTag podTag = makeTag("LDSTCP01");
    fwup::MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2> parser(
        podTag, fwup::LodestarFirmwareImageExtractor::CpuAppTag,
        fwup::LodestarFirmwareImageExtractor::CpuNetTag, secrets.controlPodModel1, secrets.cpuApp,
        secrets.cpuNet, fwup::DetectorType::LODESTAR_MODEL_1);
    const auto catalogFiles = parser.parseFile(path);
    if (catalogFiles.size() != 1) {
        return {};
    }
    fwup::LodestarFirmwareImageExtractor extractor(podTag, secrets.controlPodModel1, secrets.cpuApp,
                                                   secrets.cpuNet);
    firmware->update = extractor.extractFirmware(*catalogFiles.front());
    if (!firmware->update) {
        return {};
    }
    return firmware;
}

// --- Timing ---

// Short for a test, yet long enough that a late answer on a busy machine brings no resend.
inline constexpr std::uint64_t WAIT_MS = 150;
inline constexpr int PATIENCE_MS = 60000;

inline fwup::IdentificationTiming shortIdentificationTiming() {
    fwup::IdentificationTiming timing;
    timing.attemptLimit = 3;
    timing.productTypeFirstTimeoutMs = WAIT_MS;
    timing.firstTimeoutMs = WAIT_MS;
    timing.resendTimeoutMs = WAIT_MS;
    timing.pollIntervalMs = 5;
    timing.loginStepTimeoutMs = WAIT_MS;
    return timing;
}

inline fwup::MbuAndTamarindUpdateTiming shortUpdateTiming() {
    fwup::MbuAndTamarindUpdateTiming timing;
    timing.stepIntervalMs = 10;
    timing.finishingStepMs = 5;
    timing.relocationRetries = 20;
    timing.relocationRetryIntervalMs = 20;
    timing.productTypeAttempts = 3;
    timing.productTypeFirstTimeoutMs = WAIT_MS;
    timing.productTypeResendTimeoutMs = WAIT_MS;
    timing.indicationAttempts = 3;
    timing.indicationFirstTimeoutMs = WAIT_MS;
    timing.indicationResendTimeoutMs = WAIT_MS;
    timing.indicationRetryMs = 10;
    timing.resetTimeoutMs = 100;
    timing.validityPolls = 5;
    timing.validityPollIntervalMs = 5;
    timing.validityReplyTimeoutMs = WAIT_MS;
    timing.loginStepTimeoutMs = WAIT_MS;
    timing.putTimeout = std::chrono::milliseconds(500);

    auto& put = timing.filePut;
    put.productTypeAttempts = 3;
    put.productTypeFirstTimeoutMs = WAIT_MS;
    put.productTypeResendTimeoutMs = WAIT_MS;
    put.offsetAttempts = 3;
    put.offsetFirstTimeoutMs = WAIT_MS;
    put.offsetResendTimeoutMs = WAIT_MS;
    put.putResendTimeoutMs = WAIT_MS;
    put.resetTimeoutMs = 100;
    put.loginStepTimeoutMs = WAIT_MS;
    put.applicationStartWaitMs = 20;

    auto& settings = timing.settings;
    settings.store.attemptLimit = 3;
    settings.store.firstTimeoutMs = WAIT_MS;
    settings.store.resendTimeoutMs = WAIT_MS;
    settings.store.pollIntervalMs = 10;
    settings.store.maxPolls = 50;
    settings.productTypeAttempts = 3;
    settings.productTypeFirstTimeoutMs = WAIT_MS;
    settings.productTypeResendTimeoutMs = WAIT_MS;
    settings.resetTimeoutMs = 100;
    settings.loginStepTimeoutMs = WAIT_MS;

    auto& tamarind = timing.tamarind;
    tamarind.restartStepMs = 1;
    tamarind.foundStepMs = 1;
    tamarind.progressPauseMs = 1;
    tamarind.replyTimeoutMs = WAIT_MS;
    tamarind.indicationFirstTimeoutMs = WAIT_MS;
    tamarind.indicationRetryMs = 10;
    tamarind.validityPollIntervalMs = 5;
    timing.tamarindRelocationAttempts = 10;
    timing.tamarindRelocationFirstTimeoutMs = WAIT_MS;
    return timing;
}

// --- Registrations ---

// The Lodestar identifier, telling a test each time it has identified a system: the relocators
// identify the pod to find it again, so the count marks how far an update has come.
class ObservedIdentifier final : public fwup::DetectorIdentifier {
public:
    explicit ObservedIdentifier(const fwup::IdentificationTiming& timing)
        : identifier_(std::nullopt, timing) {}

    std::unique_ptr<fwup::ISystemIdentity> identifyDetector(const QString& location) override {
        auto identity = identifier_.identifyDetector(location);
        if (identity) {
            ++count_;
            if (afterIdentification) {
                afterIdentification(count_);
            }
        }
        return identity;
    }

    void resetCount() { count_ = 0; }

    // Called with the number of systems identified so far.
    std::function<void(int)> afterIdentification;

private:
    fwup::LodestarDetectorIdentifier identifier_;
    int count_ = 0;
};

// What the family registrar and main set up before an update: the link stack, HID locators for the
// pod's two product ids and the Lodestar identifier, which the relocators use to find the pod again.
inline QSharedPointer<ObservedIdentifier>
registerUpdateStack(const fwup::IdentificationTiming& identificationTiming) {
    registerLinkStack();
    for (const quint16 productId :
         {SimulatedDetector::kApplicationProductId, SimulatedDetector::kBootloaderProductId}) {
        fwup::global_detector_locator_registry().append(
            QSharedPointer<fwup::HidDetectorLocator>::create(SimulatedDetector::kVendorId, productId));
    }
    auto identifier = QSharedPointer<ObservedIdentifier>::create(identificationTiming);
    fwup::global_detector_identifier_registry().append(identifier);
    return identifier;
}

inline void unregisterUpdateStack() {
    fwup::global_detector_locator_registry().clear();
    fwup::global_detector_identifier_registry().clear();
    unregisterLinkStack();
}

// --- The simulated system ---

// A system whose pod and gateway run what they were given once they restart with complete files:
// the versions then become those of the firmware, as real devices report after an update.
inline void installOnRestart(SimulatedDetector& detector, const ExtractedFirmware& firmware) {
    const Version pod = firmware.podVersion;
    const Version tamarind = firmware.tamarindVersion;
    detector.pod().setRestartHook([pod](SimulatedComponent& component) {
        if (component.personality() == SimulatedComponent::Personality::ControlPodApplication &&
            component.isFileComplete(POD_IMAGE)) {
            component.setSoftwareVersion(pod);
        }
    });
    detector.tamarind().setRestartHook([tamarind](SimulatedComponent& component) {
        if (component.isFileComplete(CPUAPP_IMAGE) && component.isFileComplete(CPUNET_IMAGE)) {
            component.setSoftwareVersion(tamarind);
        }
    });
}

// The identity the state machine would hand over: the system identified where it is now.
inline std::unique_ptr<fwup::ISystemIdentity> identify(const SimulatedDetector& detector) {
    fwup::LodestarDetectorIdentifier identifier(std::nullopt, shortIdentificationTiming());
    return identifier.identifyDetector(detector.location());
}

// The requests of the install commands a component saw, runs of one request folded into one entry:
// the shape of the conversation, whatever the number of packets. Indication SETs carry the state
// asked for, file packets their file id.
inline QStringList installShape(const SimulatedComponent& component) {
    QStringList shape;
    for (const auto& entry : component.traffic()) {
        QString request = QStringLiteral("%1 %2")
                              .arg(entry.mode == SET ? QStringLiteral("SET") : QStringLiteral("GET"))
                              .arg(entry.commandId);
        cuu::test::PayloadReader reader(entry.payload);
        switch (entry.commandId) {
        case command_id::INDICATE_FIRMWARE_UPGRADE:
            if (entry.mode == SET) {
                request += reader.u8() != 0 ? QStringLiteral(" on") : QStringLiteral(" off");
            }
            break;
        case command_id::FILE_PUT_LPD:
            if (entry.mode == SET) {
                request += QStringLiteral(" %1").arg(reader.u16());
            }
            break;
        case command_id::STORE_USER_SETTINGS_RECORD:
            if (entry.mode != SET) {
                continue;
            }
            break;
        case command_id::SOFTWARE_RESET:
        case command_id::SOFTWARE_RESET_TO_BOOTLOADER:
        case command_id::USER_LOGOUT:
            break;
        default:
            continue;
        }
        if (shape.isEmpty() || shape.last() != request) {
            shape.append(request);
        }
    }
    return shape;
}

// --- What an updater reported ---

inline QString percentText(const QList<int>& percents) {
    QStringList texts;
    for (const int percent : percents) {
        texts.append(QString::number(percent));
    }
    return texts.join(QLatin1Char(' '));
}

struct UpdateRecord {
    QList<QPair<bool, int>> progress;
    QList<UpdaterStatus> ends;

    explicit UpdateRecord(fwup::DetectorUpdater& updater) {
        QObject::connect(&updater, &fwup::DetectorUpdater::updateProgress, &updater,
                         [this](bool determinate, int percent) {
                             progress.append({determinate, percent});
                         });
        QObject::connect(&updater, &fwup::DetectorUpdater::finished, &updater,
                         [this](UpdaterStatus status) { ends.append(status); });
    }

    QList<int> percents() const {
        QList<int> values;
        for (const auto& report : progress) {
            values.append(report.second);
        }
        return values;
    }
    bool isMonotonic() const {
        const QList<int> values = percents();
        return std::is_sorted(values.cbegin(), values.cend());
    }
};

} // namespace updater_test
