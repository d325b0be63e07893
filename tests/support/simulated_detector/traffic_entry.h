#pragma once

#include "tests/support/simulated_detector/simulated_fault.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace cuu::test {

// One control request a simulated component received, and what it did about it.
struct TrafficEntry {
    enum class Answer {
        Inf,    // answered with INF (possibly damaged by a fault)
        Err,    // answered with ERR
        Silent, // not answered (a Silence fault, or a restart before the answer could go out)
    };

    std::uint8_t mode = 0; // of the request: 0 GET, 1 SET
    std::uint16_t commandId = 0;
    QByteArray payload; // the request's bytes after its 3-byte header
    Answer answer = Answer::Silent;
    std::uint8_t errorCode = 0;                // for Err
    QByteArray reply;                          // the control message sent back, as sent; empty when silent
    std::optional<SimulatedFault::Kind> fault; // the scripted fault applied to this request, if any
};

} // namespace cuu::test
