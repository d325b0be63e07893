#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace cuu::test {

// One scripted misbehaviour of a simulated component, applied to requests of one command
// (SimulatedComponent::addFault).
struct SimulatedFault {
    enum class Kind {
        Silence,       // the request is dropped unhandled: no answer, no change of state
        Error,         // answered with ERR carrying errorCode and errorDetail instead of being handled
        ShortInf,      // handled, but the INF answer goes out one byte short
        CorruptReport, // handled, but one byte of the answer is damaged on the wire
        // File Put LPD only. A SET stores its chunk less its last `bytes` bytes (never less than
        // nothing) and answers the offset it then holds, short of the chunk's end.
        ShortAcknowledgement,
        // File Put LPD only. The request is handled, but the answer names `bytes` bytes more than
        // the device holds.
        AcknowledgementBeyond,
        // No fault: the request is handled as usual. A gap in a script of faults, so that faults need
        // not come in a row (three short answers, one answered as usual, then a fourth short one).
        None,
    };

    Kind kind = Kind::Silence;
    std::uint8_t errorCode = 0;
    std::array<std::uint8_t, 4> errorDetail{};
    // Only requests of this mode (0 GET, 1 SET) are affected; any mode when empty.
    std::optional<std::uint8_t> mode;
    // For the two acknowledgement faults.
    std::uint32_t bytes = 0;

    static SimulatedFault silence() { return {Kind::Silence, 0, {}, {}, 0}; }
    static SimulatedFault error(std::uint8_t code, std::array<std::uint8_t, 4> detail = {}) {
        return {Kind::Error, code, detail, {}, 0};
    }
    static SimulatedFault shortInf() { return {Kind::ShortInf, 0, {}, {}, 0}; }
    static SimulatedFault corruptReport() { return {Kind::CorruptReport, 0, {}, {}, 0}; }
    static SimulatedFault shortAcknowledgement(std::uint32_t bytesShort) {
        return {Kind::ShortAcknowledgement, 0, {}, {}, bytesShort};
    }
    static SimulatedFault acknowledgementBeyond(std::uint32_t bytesBeyond) {
        return {Kind::AcknowledgementBeyond, 0, {}, {}, bytesBeyond};
    }
    static SimulatedFault none() { return {Kind::None, 0, {}, {}, 0}; }

    // The same fault, restricted to GET (0) or SET (1) requests.
    SimulatedFault forMode(std::uint8_t requestMode) const {
        SimulatedFault restricted = *this;
        restricted.mode = requestMode;
        return restricted;
    }
};

} // namespace cuu::test
