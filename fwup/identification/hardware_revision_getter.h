#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/i_muppet_device_info_getter.h"
#include "muppet/hardware_version_command.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Reads the hardware revision byte (command 35).
class HardwareRevisionGetter : public IMuppetDeviceInfoGetter {
public:
    using SuccessHandler = std::function<void(unsigned char)>;

    // The four values go unchanged to the exchange: sends before giving up, the wait after the first
    // send and the wait after each resend.
    HardwareRevisionGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                           std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                           std::uint64_t resendTimeoutMs);

    // Exactly one of the handlers follows, on the thread that services the connection. A start
    // while a read runs fails at once and leaves the running read alone.
    void start(const SuccessHandler& onSuccess, const std::function<void()>& onFailure);

    void cancel() override;

private:
    MuppetCommandExchange<cvsw::muppet::control::HardwareVersionCommand> exchange_;
};

} // namespace fwup
