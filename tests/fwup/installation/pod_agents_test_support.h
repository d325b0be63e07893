#pragma once

#include "fwup/communication/detector_locator.h"
#include "fwup/communication/hid_detector_locator.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/identification_timing.h"
#include "fwup/identification/lodestar_detector_identifier.h"
#include "fwup/installation/direct_connection_component_relocator.h"
#include "tests/fwup/installation/installation_test_support.h"

#include <QStringList>

#include <algorithm>
#include <memory>
#include <optional>

// What the control-pod agents' tests share: finding a pod again after a reset, as the family
// registrar sets it up, with waits short enough for a test.
namespace pod_agents_test {

using namespace installation_test;

inline constexpr cvsw::muppet::ProductTypeId POD_APPLICATION = 144;
inline constexpr cvsw::muppet::ProductTypeId POD_BOOTLOADER = 145;
inline constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;

// Short for a test, yet long enough that a late answer on a busy machine brings no resend.
inline constexpr std::uint64_t WAIT_MS = 150;

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

// HID locators for the pod's application and bootloader product ids, and the Lodestar identifier.
inline void registerPodFinding() {
    registerLinkStack();
    auto& locators = fwup::global_detector_locator_registry();
    locators.append(QSharedPointer<fwup::HidDetectorLocator>::create(
        SimulatedDetector::kVendorId, SimulatedDetector::kApplicationProductId));
    locators.append(QSharedPointer<fwup::HidDetectorLocator>::create(
        SimulatedDetector::kVendorId, SimulatedDetector::kBootloaderProductId));
    fwup::global_detector_identifier_registry().append(
        QSharedPointer<fwup::LodestarDetectorIdentifier>::create(std::nullopt, shortIdentificationTiming()));
}

inline void unregisterPodFinding() {
    fwup::global_detector_locator_registry().clear();
    fwup::global_detector_identifier_registry().clear();
    unregisterLinkStack();
}

inline std::shared_ptr<fwup::DirectConnectionComponentRelocator>
makeDirectRelocator(std::uint32_t retries = 30, std::uint64_t intervalMs = 20) {
    return std::make_shared<fwup::DirectConnectionComponentRelocator>(retries, intervalMs, 3, WAIT_MS,
                                                                      WAIT_MS);
}

// A pod's requests of the given commands, with runs of one request folded into one entry: the shape
// of a conversation, whatever the number of packets.
inline QStringList requestShape(const SimulatedComponent& component, const QList<std::uint16_t>& commands) {
    QStringList shape;
    for (const auto& entry : component.traffic()) {
        if (!commands.contains(entry.commandId)) {
            continue;
        }
        const QString request = QStringLiteral("%1 %2")
                                    .arg(entry.mode == SET ? QStringLiteral("SET") : QStringLiteral("GET"))
                                    .arg(entry.commandId);
        if (shape.isEmpty() || shape.last() != request) {
            shape.append(request);
        }
    }
    return shape;
}

// What one relocation reported.
struct Relocation {
    std::optional<std::pair<cvsw::muppet::ProductTypeId, QString>> found;
    int founds = 0;
    int failures = 0;
    int total() const { return founds + failures; }
    fwup::IComponentRelocator::FoundHandler onFound() {
        return [this](cvsw::muppet::ProductTypeId type, const QString& location) {
            found = std::make_pair(type, location);
            ++founds;
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++failures;
        };
    }
};

} // namespace pod_agents_test
