#pragma once

#include "fwup/identification/hardware_revision_getter.h"
#include "fwup/identification/i_muppet_application_inquirer.h"
#include "fwup/identification/identification_timing.h"
#include "fwup/identification/inquiry_chain.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/identification/serial_number_getter.h"
#include "fwup/identification/software_version_getter.h"
#include "fwup/identification/user_verification_code_getter.h"
#include "muppet/version.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

// Inquires of a control pod that sits in its bootloader: reads the product type to choose the
// operator password, logs in, then reads software version, hardware revision, user verification
// code and serial number. A bootloader cannot tell its model or its component validity.
class MbuBootloaderMuppetApplicationInquirer : public IMuppetApplicationInquirer {
public:
    struct MbuBootloaderDetails {
        Version softwareVersion; // the bootloader's own
        std::uint8_t hardwareRevision = 0;
        std::uint32_t userVerificationCode = 0; // 0..99999
        QString serialNumber;
    };

    enum InquiryState : std::uint32_t {
        NotStarted = 0,
        Inquiring = 1,
        Finished = 2,
    };

    using SuccessHandler = std::function<void(const MbuBootloaderDetails&)>;

    explicit MbuBootloaderMuppetApplicationInquirer(
        const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
        const IdentificationTiming& timing = {});
    ~MbuBootloaderMuppetApplicationInquirer() override;

    MbuBootloaderMuppetApplicationInquirer(const MbuBootloaderMuppetApplicationInquirer&) = delete;
    MbuBootloaderMuppetApplicationInquirer& operator=(const MbuBootloaderMuppetApplicationInquirer&) = delete;

    // Returns at once; one of the handlers follows while the caller services the connection. An
    // inquirer serves one inquiry: any later start fails at once. Throws std::invalid_argument when a
    // handler is empty.
    void start(const SuccessHandler& onSuccess, const std::function<void()>& onFailure);

    // Neither handler is called afterwards. A product-type read already under way is left to finish,
    // and its answer still leads to a login; only the reads after it stop.
    void cancel() override;

    InquiryState state() const { return static_cast<InquiryState>(inquiries_.state()); }

private:
    struct Chain {
        detail::InquiryChain::Inquiry inquiry;
        SuccessHandler onSuccess;
        std::function<void()> onFailure;
    };

    template <typename Getter, typename Step>
    void ask(Getter& getter, const Chain& chain, Step step) {
        inquiries_.ask(getter, chain.inquiry, chain.onFailure, step);
    }
    void askProductType(const Chain& chain);
    void logIn(cvsw::muppet::ProductTypeId productType, const Chain& chain);
    void askSoftwareVersion(const Chain& chain);
    void askHardwareRevision(const Chain& chain);
    void askUserVerificationCode(const Chain& chain);
    void askSerialNumber(const Chain& chain);

    ProductTypeGetter productTypeGetter_;
    HardwareRevisionGetter hardwareRevisionGetter_;
    SerialNumberGetter serialNumberGetter_;
    SoftwareVersionGetter softwareVersionGetter_;
    UserVerificationCodeGetter userVerificationCodeGetter_;
    MbuBootloaderDetails details_;
    detail::InquiryChain inquiries_{detail::InquiryChain::Reuse::Once};
    OperatorUserLoginAgent loginAgent_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
};

} // namespace fwup
