#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "muppet/software_reset_command.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Asks a device to restart into its application. The device may restart before it can answer, so a
// request that meets silence ends in onDone as an answered one does.
class SoftwareResetToApplicationRequester {
public:
    // The defaults send the request once and take 1000 ms of silence as the restart.
    explicit SoftwareResetToApplicationRequester(
        const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t attemptLimit = 0,
        std::uint64_t firstTimeoutMs = 1000, std::uint64_t resendTimeoutMs = 1000);
    ~SoftwareResetToApplicationRequester();

    SoftwareResetToApplicationRequester(const SoftwareResetToApplicationRequester&) = delete;
    SoftwareResetToApplicationRequester& operator=(const SoftwareResetToApplicationRequester&) = delete;

    // Exactly one handler follows: onDone on an answer or on silence, onFailure on an ERR answer, or
    // at once while an earlier request still waits. Throws std::invalid_argument when one is empty.
    void start(const std::function<void()>& onDone, const std::function<void()>& onFailure);

private:
    MuppetCommandExchange<cvsw::muppet::control::SoftwareResetCommand> exchange_;
};

} // namespace fwup
