#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/i_muppet_device_info_getter.h"
#include "muppet/file_id.h"
#include "muppet/file_put_lpd_command.h"
#include "muppet/lpd_vector.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Asks how much of a device file the device holds already: a File Put LPD GET, answered with the
// offset at which the device expects the next byte. 0 is reported like any other offset; what it
// means is the owner's business.
class FilePutOffsetGetter : public IMuppetDeviceInfoGetter {
public:
    using OffsetHandler = std::function<void(const unsigned int&)>;

    // The defaults ask up to ten times, a second apart.
    explicit FilePutOffsetGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                 std::uint32_t attemptLimit = 10, std::uint64_t firstTimeoutMs = 1000,
                                 std::uint64_t resendTimeoutMs = 1000);
    virtual ~FilePutOffsetGetter();

    // Exactly one handler follows; at once when a query still runs. Throws std::invalid_argument
    // when one is empty.
    void start(const OffsetHandler& onOffset, const std::function<void()>& onFailure,
               cvsw::corvane::FileId fileId);

    // A running query ends in its onFailure; an idle getter does nothing.
    void cancel() override;

private:
    using Command =
        cvsw::muppet::control::FilePutLpdCommand<cvsw::muppet::control::LpdVector<unsigned short>>;

    MuppetCommandExchange<Command> exchange_;
};

} // namespace fwup
