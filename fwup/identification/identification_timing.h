#pragma once

#include <QtGlobal>

#include <cstdint>

namespace fwup {

// The waits of the device questions asked while identifying. The defaults are the devices' own;
// tests shorten them so that a silent device gives up quickly.
struct IdentificationTiming {
    // Sends of one question before it gives up.
    std::uint32_t attemptLimit = 10;
    // Wait after the first product-type question, which a device answers quickly when it answers.
    std::uint64_t productTypeFirstTimeoutMs = 250;
    // Wait after the first send of every other question, and after every resend.
    std::uint64_t firstTimeoutMs = 1000;
    std::uint64_t resendTimeoutMs = 1000;
    // Wait between two polls of the product model or the component validity.
    std::uint64_t pollIntervalMs = 1000;
    // Wait for each reply of the login handshake.
    qint64 loginStepTimeoutMs = 1000;
};

} // namespace fwup
