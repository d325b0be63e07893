#include "fwup/installation/software_reset_to_application_requester.h"

#include "fwup/installation/reset_request_p.h"

namespace fwup {

SoftwareResetToApplicationRequester::SoftwareResetToApplicationRequester(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t attemptLimit,
    std::uint64_t firstTimeoutMs, std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
}

SoftwareResetToApplicationRequester::~SoftwareResetToApplicationRequester() = default;

void SoftwareResetToApplicationRequester::start(const std::function<void()>& onDone,
                                                const std::function<void()>& onFailure) {
    detail::start_reset_request(exchange_, onDone, onFailure);
}

} // namespace fwup
