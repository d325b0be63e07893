#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "muppet/software_reset_to_bootloader_command.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Asks a device to restart into its bootloader. The device may restart before it can answer, so a
// request that meets silence ends in onDone as an answered one does.
class SoftwareResetToBootloaderRequester {
public:
    // The defaults send the request once and take 1000 ms of silence as the restart.
    explicit SoftwareResetToBootloaderRequester(
        const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t attemptLimit = 0,
        std::uint64_t firstTimeoutMs = 1000, std::uint64_t resendTimeoutMs = 1000);
    ~SoftwareResetToBootloaderRequester();

    SoftwareResetToBootloaderRequester(const SoftwareResetToBootloaderRequester&) = delete;
    SoftwareResetToBootloaderRequester& operator=(const SoftwareResetToBootloaderRequester&) = delete;

    // Exactly one handler follows: onDone on an answer or on silence, onFailure on an ERR answer, or
    // at once while an earlier request still waits. Throws std::invalid_argument when one is empty.
    void start(const std::function<void()>& onDone, const std::function<void()>& onFailure);

private:
    MuppetCommandExchange<cvsw::muppet::control::SoftwareResetToBootloaderCommand> exchange_;
};

} // namespace fwup
