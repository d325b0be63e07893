#pragma once

#include <QtGlobal>

#include <cstdint>

namespace fwup {

// The waits of a Tamarind update. The defaults are the real ones; tests shorten them so that a run
// does not take the better part of a minute.
struct TamarindUpdateTiming {
    // One step of the animation shown while the sub-system restarts: 91 steps, about 35 s.
    int restartStepMs = 388;
    // One step of the animation once the sub-system has been found again: 11 steps.
    int foundStepMs = 100;
    // Each of the six pauses after the version, login and validity answers.
    int progressPauseMs = 1000;
    // The wait for a reply of every exchange (after the first send and after each resend), of each
    // login step, and the silence after the reset request that counts as the restart.
    std::uint64_t replyTimeoutMs = 1000;
    // The upgrade indication: the wait after its first send, and before it is set again when the
    // device shows the wrong state.
    std::uint64_t indicationFirstTimeoutMs = 3000;
    int indicationRetryMs = 1000;
    // Between two questions of the validity read.
    std::uint64_t validityPollIntervalMs = 1000;
};

} // namespace fwup
