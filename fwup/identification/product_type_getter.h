#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/i_muppet_device_info_getter.h"
#include "muppet/product_type_command.h"
#include "muppet/product_type_id.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Reads the product type (command 20). A type the name table does not know is still handed over;
// whether it is acceptable is the caller's decision.
class ProductTypeGetter : public IMuppetDeviceInfoGetter {
public:
    using SuccessHandler = std::function<void(const cvsw::muppet::ProductTypeId&)>;

    // The four values go unchanged to the exchange: sends before giving up, the wait after the first
    // send and the wait after each resend.
    ProductTypeGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                      std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                      std::uint64_t resendTimeoutMs);
    virtual ~ProductTypeGetter();

    // Exactly one of the handlers follows, on the thread that services the connection. A start
    // while a read runs fails at once and leaves the running read alone.
    void start(const SuccessHandler& onSuccess, const std::function<void()>& onFailure);

    void cancel() override;

private:
    MuppetCommandExchange<cvsw::muppet::control::ProductTypeCommand> exchange_;
};

} // namespace fwup
