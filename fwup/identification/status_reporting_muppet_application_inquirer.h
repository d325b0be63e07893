#pragma once

#include "fwup/identification/hardware_revision_getter.h"
#include "fwup/identification/i_muppet_application_inquirer.h"
#include "fwup/identification/identification_timing.h"
#include "fwup/identification/inquiry_chain.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/identification/product_model_getter.h"
#include "fwup/identification/serial_number_getter.h"
#include "fwup/identification/software_version_getter.h"
#include "fwup/identification/upgradeable_component_validity_getter.h"
#include "fwup/identification/user_verification_code_getter.h"
#include "muppet/product_type_id.h"
#include "muppet/version.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

// Inquires of a control pod that runs its application: software version, hardware revision, user
// verification code, serial number and product model, then logs in as operator and reads the
// component validity.
class StatusReportingMuppetApplicationInquirer : public IMuppetApplicationInquirer {
public:
    struct ApplicationDetails {
        Version softwareVersion;
        std::uint8_t hardwareRevision = 0;
        std::uint32_t userVerificationCode = 0; // 0..99999
        QString serialNumber;
        std::uint8_t productModel = 0;
        // False when the validity check never completed; the flags are then the last ones read.
        bool validityAnswered = false;
        std::uint32_t validFlags = 0;
        std::uint32_t validMask = 0;
    };

    enum InquiryState : std::uint32_t {
        NotStarted = 0,
        Inquiring = 1,
        Finished = 2,
    };

    using SuccessHandler = std::function<void(const ApplicationDetails&)>;

    // Polls of the product model and of the component validity before giving up.
    static constexpr std::uint32_t MODEL_POLLS = 5;
    static constexpr std::uint32_t VALIDITY_POLLS = 5;

    explicit StatusReportingMuppetApplicationInquirer(
        const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
        const IdentificationTiming& timing = {});
    ~StatusReportingMuppetApplicationInquirer() override;

    StatusReportingMuppetApplicationInquirer(const StatusReportingMuppetApplicationInquirer&) = delete;
    StatusReportingMuppetApplicationInquirer&
    operator=(const StatusReportingMuppetApplicationInquirer&) = delete;

    // productType is the one the caller read; it only chooses the operator password. Returns at once;
    // one of the handlers follows while the caller services the connection. An inquirer serves one
    // inquiry: any later start fails at once. Throws std::invalid_argument when a handler is empty.
    void start(cvsw::muppet::ProductTypeId productType, const SuccessHandler& onSuccess,
               const std::function<void()>& onFailure);

    // Neither handler is called afterwards. The login is left to run out.
    void cancel() override;

    InquiryState state() const { return static_cast<InquiryState>(inquiries_.state()); }

private:
    struct Chain {
        detail::InquiryChain::Inquiry inquiry;
        cvsw::muppet::ProductTypeId productType;
        SuccessHandler onSuccess;
        std::function<void()> onFailure;
    };

    template <typename Getter, typename Step>
    void ask(Getter& getter, const Chain& chain, Step step) {
        inquiries_.ask(getter, chain.inquiry, chain.onFailure, step);
    }
    void askSoftwareVersion(const Chain& chain);
    void askHardwareRevision(const Chain& chain);
    void askUserVerificationCode(const Chain& chain);
    void askSerialNumber(const Chain& chain);
    void askProductModel(const Chain& chain);
    void logIn(const Chain& chain);
    void askComponentValidity(const Chain& chain);

    HardwareRevisionGetter hardwareRevisionGetter_;
    ProductModelGetter productModelGetter_;
    SerialNumberGetter serialNumberGetter_;
    SoftwareVersionGetter softwareVersionGetter_;
    UpgradeableComponentValidityGetter componentValidityGetter_;
    UserVerificationCodeGetter userVerificationCodeGetter_;
    ApplicationDetails details_;
    detail::InquiryChain inquiries_{detail::InquiryChain::Reuse::Once};
    OperatorUserLoginAgent loginAgent_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
};

} // namespace fwup
