#pragma once

#include "fwup/identification/identification_timing.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/operator_passwords/generated_operator_password.h"
#include "tests/support/simulated_detector/link_stack.h"
#include "tests/support/simulated_detector/simulated_detector.h"

#include <QStringList>

#include <memory>

namespace identification_test {

using cuu::test::registerLinkStack;
using cuu::test::SimulatedComponent;
using cuu::test::SimulatedDetector;
using cuu::test::unregisterLinkStack;

// Waits short enough that a silent device gives up quickly, yet long enough that a busy machine's
// late answer brings no resend: the tests count the requests the device sees.
inline fwup::IdentificationTiming shortTiming() {
    fwup::IdentificationTiming timing;
    timing.attemptLimit = 3;
    timing.productTypeFirstTimeoutMs = 150;
    timing.firstTimeoutMs = 150;
    timing.resendTimeoutMs = 150;
    timing.pollIntervalMs = 5;
    timing.loginStepTimeoutMs = 150;
    return timing;
}

// A plugged Lodestar system whose parts check logins against the program's own passwords, with
// both validity checks complete and every component valid.
inline std::unique_ptr<SimulatedDetector> plugDetector(SimulatedDetector::PodMode mode) {
    auto detector = std::make_unique<SimulatedDetector>(mode);
    detector->pod().setPasswordSource(&cuu::test::generated_operator_password);
    detector->tamarind().setPasswordSource(&cuu::test::generated_operator_password);
    detector->pod().setValidity(true, 0b11, 0b11);
    detector->tamarind().setValidity(true, 0b101, 0b101);
    detector->plug();
    return detector;
}

// The request chains of the device questions, as the simulated parts log them.
inline const QStringList APPLICATION_CHAIN{
    QStringLiteral("GET 3"),   // software version
    QStringLiteral("GET 35"),  // hardware revision
    QStringLiteral("GET 56"),  // user verification code
    QStringLiteral("GET 17"),  // serial number
    QStringLiteral("GET 110"), // product model
    QStringLiteral("GET 82"),  // login: status
    QStringLiteral("GET 81"),  //        session
    QStringLiteral("SET 80"),  //        login
    QStringLiteral("GET 111"), // component validity
};

inline const QStringList BOOTLOADER_CHAIN{
    QStringLiteral("GET 20"), // product type
    QStringLiteral("GET 82"), QStringLiteral("GET 81"), QStringLiteral("SET 80"), QStringLiteral("GET 3"),
    QStringLiteral("GET 35"), QStringLiteral("GET 56"), QStringLiteral("GET 17"),
};

inline const QStringList TAMARIND_CHAIN{
    QStringLiteral("GET 3"),  QStringLiteral("GET 35"), QStringLiteral("GET 17"), QStringLiteral("GET 110"),
    QStringLiteral("GET 82"), QStringLiteral("GET 81"), QStringLiteral("SET 80"), QStringLiteral("GET 111"),
};

} // namespace identification_test
