#pragma once

// Shared by the updater tests: the registrations a whole update relies on, an extracted Lodestar
// firmware, short waits, and what the devices and the updater reported.

#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QTemporaryDir>

#include "fwup/communication/hid_detector_locator.h"
#include "fwup/identification/lodestar_detector_identifier.h"
#include "fwup/installation/lodestar_detector_updater.h"
#include "tests/fwup/identification/simulated_system_fixture.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/tamarind_test_support.h"
#include "tests/support/simulated_detector/payload_reader.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace updater_test {

using namespace installation_test;
using fwup::UpdaterStatus;
using fwup::Version;

inline constexpr std::uint16_t POD_IMAGE = 11000;
inline constexpr std::uint16_t CPUAPP_IMAGE = 11081;
inline constexpr std::uint16_t CPUNET_IMAGE = 11082;
// Short for a test, yet long enough that a late answer on a busy machine brings no resend.
inline constexpr std::uint64_t WAIT_MS = 150;
inline constexpr int PATIENCE_MS = 60000;

// The family registrar's settings-record versions.
inline const fwup::VersionRangeTable SETTINGS_TABLE{{fwup::VersionRange{{1, 76, 0}, {1, 76, 255}}, 1},
                                                    {fwup::VersionRange{{1, 77, 0}, {255, 255, 255}}, 2}};

// A Lodestar container extracted by the program's parser and extractor; the images live as long as it.
struct Firmware {
    // The control-pod image is 3000 bytes.
    explicit Firmware(Version pod = {1, 80, 0}, Version tamarind = {2, 5, 0}, std::size_t cpuAppSize = 2500,
                      std::size_t cpuNetSize = 1800)
        : update(tamarind_test::extractLodestarFirmware(QDir(directory.path()), tamarind, cpuAppSize,
                                                        cpuNetSize, pod)) {}

    QByteArray image(std::uint16_t fileId) const {
        const auto& tamarind = update->tamarindUpdate();
        return tamarind_test::readAll(fileId == POD_IMAGE      ? update->controlPodFile().fileName()
                                      : fileId == CPUAPP_IMAGE ? tamarind.cpuAppFile().fileName()
                                                               : tamarind.cpuNetFile().fileName());
    }
    // Every image is on the device, byte for byte; the devices run them once they restart with them.
    bool isOn(const SimulatedDetector& detector) const {
        return detector.pod().file(POD_IMAGE) == image(POD_IMAGE) &&
               detector.tamarind().file(CPUAPP_IMAGE) == image(CPUAPP_IMAGE) &&
               detector.tamarind().file(CPUNET_IMAGE) == image(CPUNET_IMAGE);
    }
    void runOnRestart(SimulatedDetector& detector) const {
        const auto versions = update->componentVersions();
        detector.pod().setImageVersion(versions.value(fwup::UpgradeableComponent::CONTROL_POD));
        detector.tamarind().setImageVersion(versions.value(fwup::UpgradeableComponent::TAMARIND));
    }

    QTemporaryDir directory;
    std::unique_ptr<fwup::MbuAndTamarindSystemUpdate> update;
};

// Every wait that a fault or a restart makes the updater sit out, made short.
inline fwup::MbuAndTamarindUpdateTiming shortUpdateTiming() {
    fwup::MbuAndTamarindUpdateTiming timing;
    timing.stepIntervalMs = 10;
    timing.finishingStepMs = 5;
    timing.relocationRetries = 20;
    timing.relocationRetryIntervalMs = 20;
    timing.productTypeAttempts = timing.indicationAttempts = 3;
    timing.productTypeFirstTimeoutMs = timing.productTypeResendTimeoutMs = WAIT_MS;
    timing.indicationFirstTimeoutMs = timing.indicationResendTimeoutMs = timing.validityReplyTimeoutMs =
        WAIT_MS;
    timing.indicationRetryMs = 10;
    timing.resetTimeoutMs = timing.filePut.resetTimeoutMs = timing.settings.resetTimeoutMs = 100;
    timing.validityPolls = 5;
    timing.validityPollIntervalMs = 5;
    timing.loginStepTimeoutMs = timing.filePut.loginStepTimeoutMs = timing.settings.loginStepTimeoutMs =
        WAIT_MS;
    timing.filePut.applicationStartWaitMs = 20;
    timing.settings.store.pollIntervalMs = 10;
    timing.tamarind = tamarind_test::shortTiming();
    timing.tamarindRelocationAttempts = 10;
    timing.tamarindRelocationFirstTimeoutMs = WAIT_MS;
    return timing;
}

// The Lodestar identifier, telling a test each time it has identified a system: the relocators
// identify the pod to find it again, so the count marks how far an update has come.
class ObservedIdentifier final : public fwup::DetectorIdentifier {
public:
    explicit ObservedIdentifier(const fwup::IdentificationTiming& timing)
        : identifier_(std::nullopt, timing) {}

    std::unique_ptr<fwup::ISystemIdentity> identifyDetector(const QString& location) override {
        ++identifying;
        auto identity = identifier_.identifyDetector(location);
        --identifying;
        if (identity && afterIdentification) {
            afterIdentification(++count);
        }
        return identity;
    }

    int count = 0;
    std::function<void(int)> afterIdentification;
    // Above 0 while a system is being identified: the requests then are the identification's.
    int identifying = 0;

private:
    fwup::LodestarDetectorIdentifier identifier_;
};

// What the family registrar and main set up before an update: the link stack, HID locators for the
// pod's two product ids and the Lodestar identifier, with which the relocators find the pod again.
inline QSharedPointer<ObservedIdentifier> registerUpdateStack(const fwup::IdentificationTiming& timing) {
    registerLinkStack();
    for (const quint16 productId :
         {SimulatedDetector::kApplicationProductId, SimulatedDetector::kBootloaderProductId}) {
        fwup::global_detector_locator_registry().append(
            QSharedPointer<fwup::HidDetectorLocator>::create(SimulatedDetector::kVendorId, productId));
    }
    auto identifier = QSharedPointer<ObservedIdentifier>::create(timing);
    fwup::global_detector_identifier_registry().append(identifier);
    return identifier;
}

inline void unregisterUpdateStack() {
    fwup::global_detector_locator_registry().clear();
    fwup::global_detector_identifier_registry().clear();
    unregisterLinkStack();
}

// One request of an install command as installShape shows it; empty for any other request.
inline QString installRequest(const cuu::test::TrafficEntry& entry) {
    static const QList<std::uint16_t> commands{command_id::INDICATE_FIRMWARE_UPGRADE,
                                               command_id::FILE_PUT_LPD,
                                               command_id::SOFTWARE_RESET,
                                               command_id::SOFTWARE_RESET_TO_BOOTLOADER,
                                               command_id::USER_LOGOUT,
                                               command_id::STORE_USER_SETTINGS_RECORD};
    if (!commands.contains(entry.commandId) ||
        (entry.commandId == command_id::STORE_USER_SETTINGS_RECORD && entry.mode != SET)) {
        return {};
    }
    QString request =
        QStringLiteral("%1 %2").arg(QLatin1String(entry.mode == SET ? "SET" : "GET")).arg(entry.commandId);
    cuu::test::PayloadReader reader(entry.payload);
    if (entry.mode == SET && entry.commandId == command_id::INDICATE_FIRMWARE_UPGRADE) {
        request += QLatin1String(reader.u8() != 0 ? " on" : " off");
    } else if (entry.mode == SET && entry.commandId == command_id::FILE_PUT_LPD) {
        request += QStringLiteral(" %1").arg(reader.u16());
    }
    return request;
}

// The requests of the install commands a component saw, runs of one request folded into one: the
// shape of the conversation, whatever the number of packets. Indication SETs carry the state asked
// for, file packets their file id.
inline QStringList installShape(const SimulatedComponent& component) {
    QStringList shape;
    for (const auto& entry : component.traffic()) {
        const QString request = installRequest(entry);
        if (!request.isEmpty() && (shape.isEmpty() || shape.last() != request)) {
            shape.append(request);
        }
    }
    return shape;
}

// The install requests of both components of a system, interleaved in the order they arrived, each
// prefixed with "pod" or "tamarind", identification left out: the shape of installShape, plus "login"
// for any request of a login and "GET 111" for a validity read. Runs of one request are folded.
class WireRecord {
public:
    WireRecord(SimulatedDetector& detector, const ObservedIdentifier& identifier)
        : detector_(detector)
        , identifier_(identifier) {
        listen(detector_.pod(), QStringLiteral("pod"));
        listen(detector_.tamarind(), QStringLiteral("tamarind"));
    }
    ~WireRecord() {
        detector_.pod().setRequestHook({});
        detector_.tamarind().setRequestHook({});
    }
    WireRecord(const WireRecord&) = delete;
    WireRecord& operator=(const WireRecord&) = delete;

    // Requests in leftOut are dropped before the runs are folded.
    QStringList shape(const QStringList& leftOut = {}) const {
        QStringList folded;
        for (const QString& request : requests_) {
            if (!leftOut.contains(request) && (folded.isEmpty() || folded.last() != request)) {
                folded.append(request);
            }
        }
        return folded;
    }

private:
    void listen(SimulatedComponent& component, const QString& name) {
        component.setRequestHook([this, name](const cuu::test::TrafficEntry& entry) {
            if (identifier_.identifying > 0) {
                return;
            }
            const auto id = entry.commandId;
            QString request;
            if (id == command_id::USER_LOGIN_STATUS || id == command_id::USER_LOGIN_SESSION ||
                id == command_id::USER_LOGIN) {
                request = QStringLiteral("login");
            } else if (id == command_id::UPGRADEABLE_COMPONENT_VALIDITY && entry.mode == GET) {
                request = QStringLiteral("GET 111");
            } else {
                request = installRequest(entry);
            }
            if (!request.isEmpty()) {
                requests_.append(name + QLatin1Char(' ') + request);
            }
        });
    }

    SimulatedDetector& detector_;
    const ObservedIdentifier& identifier_;
    QStringList requests_;
};

// What an updater reported, and when (milliseconds since the record was made).
struct UpdateRecord {
    explicit UpdateRecord(fwup::DetectorUpdater& updater) {
        clock.start();
        QObject::connect(&updater, &fwup::DetectorUpdater::updateProgress, &updater,
                         [this](bool determinate, int percent) {
                             progress.append({determinate, percent});
                             times.append(clock.elapsed());
                         });
        QObject::connect(&updater, &fwup::DetectorUpdater::finished, &updater,
                         [this](UpdaterStatus status) { ends.append(status); });
    }

    QList<int> percents(qsizetype from = 0) const {
        QList<int> values;
        for (qsizetype i = from; i < progress.size(); ++i) {
            values.append(progress[i].second);
        }
        return values;
    }
    bool isMonotonic(qsizetype from = 0) const {
        const QList<int> values = percents(from);
        return std::is_sorted(values.cbegin(), values.cend());
    }

    QElapsedTimer clock;
    QList<QPair<bool, int>> progress;
    QList<qint64> times;
    QList<UpdaterStatus> ends;
};

} // namespace updater_test
