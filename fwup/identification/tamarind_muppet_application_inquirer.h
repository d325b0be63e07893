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

// Inquires of the Tamarind sub-system: software version, hardware revision, serial number and
// product model, then logs in as operator and waits for its component-validity check, which takes
// a while after the sub-system starts.
class TamarindMuppetApplicationInquirer : public IMuppetApplicationInquirer {
public:
    // Laid out as the control pod's record; the sub-system has no user verification code, which
    // stays 0.
    struct ApplicationDetails {
        Version softwareVersion;
        std::uint8_t hardwareRevision = 0;
        std::uint32_t userVerificationCode = 0;
        QString serialNumber;
        std::uint8_t productModel = 0;
        bool validityAnswered = false;
        std::uint32_t validFlags = 0;
        std::uint32_t validMask = 0;
    };

    using DetailsHandler = std::function<void(const ApplicationDetails&)>;

    static constexpr std::uint32_t MODEL_POLLS = 5;
    static constexpr std::uint32_t VALIDITY_POLLS = 45;

    explicit TamarindMuppetApplicationInquirer(
        const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
        const IdentificationTiming& timing = {});
    ~TamarindMuppetApplicationInquirer() override;

    TamarindMuppetApplicationInquirer(const TamarindMuppetApplicationInquirer&) = delete;
    TamarindMuppetApplicationInquirer& operator=(const TamarindMuppetApplicationInquirer&) = delete;

    // productType chooses the operator password. One of the handlers follows while the caller
    // services the connection; a start while an inquiry runs fails at once. Throws
    // std::invalid_argument when a handler is empty.
    void start(cvsw::muppet::ProductTypeId productType, const DetailsHandler& onDetails,
               const std::function<void()>& onFailure);

    // Neither handler is called afterwards. The login is left to run out.
    void cancel() override;

    bool isBusy() const { return inquiries_.state() == detail::InquiryChain::Inquiring; }

private:
    struct Chain {
        detail::InquiryChain::Inquiry inquiry;
        cvsw::muppet::ProductTypeId productType;
        DetailsHandler onDetails;
        std::function<void()> onFailure;
    };

    template <typename Getter, typename Step>
    void ask(Getter& getter, const Chain& chain, Step step) {
        inquiries_.ask(getter, chain.inquiry, chain.onFailure, step);
    }
    void askSoftwareVersion(const Chain& chain);
    void askHardwareRevision(const Chain& chain);
    void askSerialNumber(const Chain& chain);
    void askProductModel(const Chain& chain);
    void logIn(const Chain& chain);
    void askComponentValidity(const Chain& chain);

    HardwareRevisionGetter hardwareRevisionGetter_;
    ProductModelGetter productModelGetter_;
    SerialNumberGetter serialNumberGetter_;
    SoftwareVersionGetter softwareVersionGetter_;
    UpgradeableComponentValidityGetter componentValidityGetter_;
    ApplicationDetails details_;
    // Busy while an inquiry runs.
    detail::InquiryChain inquiries_{detail::InquiryChain::Reuse::Repeatedly};
    OperatorUserLoginAgent loginAgent_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
};

} // namespace fwup
