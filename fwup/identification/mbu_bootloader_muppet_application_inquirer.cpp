#include "fwup/identification/mbu_bootloader_muppet_application_inquirer.h"

namespace fwup {

MbuBootloaderMuppetApplicationInquirer::MbuBootloaderMuppetApplicationInquirer(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, const IdentificationTiming& timing)
    : productTypeGetter_(controlCentre, timing.attemptLimit, timing.productTypeFirstTimeoutMs,
                         timing.resendTimeoutMs)
    , hardwareRevisionGetter_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs,
                              timing.resendTimeoutMs)
    , serialNumberGetter_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs, timing.resendTimeoutMs)
    , softwareVersionGetter_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs,
                             timing.resendTimeoutMs)
    , userVerificationCodeGetter_(controlCentre, timing.attemptLimit, timing.firstTimeoutMs,
                                  timing.resendTimeoutMs)
    , loginAgent_(*controlCentre)
    , controlCentre_(controlCentre) {
    loginAgent_.setStepTimeoutMs(timing.loginStepTimeoutMs);
}

MbuBootloaderMuppetApplicationInquirer::~MbuBootloaderMuppetApplicationInquirer() = default;

void MbuBootloaderMuppetApplicationInquirer::start(const SuccessHandler& onSuccess,
                                                   const std::function<void()>& onFailure) {
    const auto inquiry = inquiries_.begin(onSuccess, onFailure);
    if (!inquiry) {
        return;
    }
    details_ = {};
    askProductType(Chain{*inquiry, onSuccess, onFailure});
}

void MbuBootloaderMuppetApplicationInquirer::cancel() {
    inquiries_.finish();
    hardwareRevisionGetter_.cancel();
    serialNumberGetter_.cancel();
    softwareVersionGetter_.cancel();
    userVerificationCodeGetter_.cancel();
}

// The type is not stored: the caller chose this inquirer by type already, and here it only picks
// the operator password.
void MbuBootloaderMuppetApplicationInquirer::askProductType(const Chain& chain) {
    productTypeGetter_.start(
        [this, chain](const cvsw::muppet::ProductTypeId& type) {
            if (inquiries_.isLatest(chain.inquiry)) {
                logIn(type, chain);
            }
        },
        inquiries_.failureContinuation(chain.inquiry, chain.onFailure));
}

void MbuBootloaderMuppetApplicationInquirer::logIn(cvsw::muppet::ProductTypeId productType,
                                                   const Chain& chain) {
    loginAgent_.start(
        productType,
        [this, chain] {
            if (inquiries_.isLatest(chain.inquiry)) {
                askSoftwareVersion(chain);
            }
        },
        inquiries_.failureContinuation(chain.inquiry, chain.onFailure));
}

void MbuBootloaderMuppetApplicationInquirer::askSoftwareVersion(const Chain& chain) {
    ask(softwareVersionGetter_, chain, [this, chain](Version version) {
        details_.softwareVersion = version;
        askHardwareRevision(chain);
    });
}

void MbuBootloaderMuppetApplicationInquirer::askHardwareRevision(const Chain& chain) {
    ask(hardwareRevisionGetter_, chain, [this, chain](unsigned char revision) {
        details_.hardwareRevision = revision;
        askUserVerificationCode(chain);
    });
}

void MbuBootloaderMuppetApplicationInquirer::askUserVerificationCode(const Chain& chain) {
    ask(userVerificationCodeGetter_, chain, [this, chain](const UserVerificationCode& code) {
        details_.userVerificationCode = code.value();
        askSerialNumber(chain);
    });
}

void MbuBootloaderMuppetApplicationInquirer::askSerialNumber(const Chain& chain) {
    ask(serialNumberGetter_, chain, [this, chain](const QString& serialNumber) {
        details_.serialNumber = serialNumber;
        inquiries_.finish();
        chain.onSuccess(details_);
    });
}

} // namespace fwup
