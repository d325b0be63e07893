#include "fwup/identification/status_reporting_muppet_application_inquirer.h"

namespace fwup {

StatusReportingMuppetApplicationInquirer::StatusReportingMuppetApplicationInquirer(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, const IdentificationTiming& timing)
    : hardwareRevisionGetter_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs,
                              timing.resendTimeoutMs)
    , productModelGetter_(controlCentre, MODEL_POLLS, timing.pollIntervalMs, timing.attemptLimit,
                          timing.firstTimeoutMs, timing.resendTimeoutMs)
    , serialNumberGetter_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs, timing.resendTimeoutMs)
    , softwareVersionGetter_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs,
                             timing.resendTimeoutMs)
    , componentValidityGetter_(controlCentre, VALIDITY_POLLS, timing.pollIntervalMs, timing.attemptLimit,
                               timing.firstTimeoutMs, timing.resendTimeoutMs)
    , userVerificationCodeGetter_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs,
                                  timing.resendTimeoutMs)
    , loginAgent_(*controlCentre)
    , controlCentre_(controlCentre) {
    loginAgent_.setStepTimeoutMs(timing.loginStepTimeoutMs);
}

StatusReportingMuppetApplicationInquirer::~StatusReportingMuppetApplicationInquirer() = default;

void StatusReportingMuppetApplicationInquirer::start(cvsw::muppet::ProductTypeId productType,
                                                     const SuccessHandler& onSuccess,
                                                     const std::function<void()>& onFailure) {
    const auto inquiry = inquiries_.begin(onSuccess, onFailure);
    if (!inquiry) {
        return;
    }
    details_ = {};
    askSoftwareVersion(Chain{*inquiry, productType, onSuccess, onFailure});
}

void StatusReportingMuppetApplicationInquirer::cancel() {
    inquiries_.finish();
    hardwareRevisionGetter_.cancel();
    productModelGetter_.cancel();
    serialNumberGetter_.cancel();
    softwareVersionGetter_.cancel();
    componentValidityGetter_.cancel();
    userVerificationCodeGetter_.cancel();
}

void StatusReportingMuppetApplicationInquirer::askSoftwareVersion(const Chain& chain) {
    ask(softwareVersionGetter_, chain, [this, chain](Version version) {
        details_.softwareVersion = version;
        askHardwareRevision(chain);
    });
}

void StatusReportingMuppetApplicationInquirer::askHardwareRevision(const Chain& chain) {
    ask(hardwareRevisionGetter_, chain, [this, chain](unsigned char revision) {
        details_.hardwareRevision = revision;
        askUserVerificationCode(chain);
    });
}

void StatusReportingMuppetApplicationInquirer::askUserVerificationCode(const Chain& chain) {
    ask(userVerificationCodeGetter_, chain, [this, chain](const UserVerificationCode& code) {
        details_.userVerificationCode = code.value();
        askSerialNumber(chain);
    });
}

void StatusReportingMuppetApplicationInquirer::askSerialNumber(const Chain& chain) {
    ask(serialNumberGetter_, chain, [this, chain](const QString& serialNumber) {
        details_.serialNumber = serialNumber;
        askProductModel(chain);
    });
}

void StatusReportingMuppetApplicationInquirer::askProductModel(const Chain& chain) {
    ask(productModelGetter_, chain, [this, chain](unsigned char model) {
        details_.productModel = model;
        logIn(chain);
    });
}

// A login that succeeds after a cancel still reads the validity; only its answer is dropped.
void StatusReportingMuppetApplicationInquirer::logIn(const Chain& chain) {
    loginAgent_.start(
        chain.productType, details_.productModel,
        [this, chain] {
            if (inquiries_.isLatest(chain.inquiry)) {
                askComponentValidity(chain);
            }
        },
        inquiries_.failureContinuation(chain.inquiry, chain.onFailure));
}

void StatusReportingMuppetApplicationInquirer::askComponentValidity(const Chain& chain) {
    ask(componentValidityGetter_, chain,
        [this, chain](bool complete, unsigned int validFlags, unsigned int validMask) {
            details_.validityAnswered = complete;
            details_.validFlags = validFlags;
            details_.validMask = validMask;
            inquiries_.finish();
            chain.onSuccess(details_);
        });
}

} // namespace fwup
