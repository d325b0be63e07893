#include "fwup/identification/tamarind_muppet_application_inquirer.h"

namespace fwup {

TamarindMuppetApplicationInquirer::TamarindMuppetApplicationInquirer(
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
    , loginAgent_(*controlCentre)
    , controlCentre_(controlCentre) {
    loginAgent_.setStepTimeoutMs(timing.loginStepTimeoutMs);
}

TamarindMuppetApplicationInquirer::~TamarindMuppetApplicationInquirer() = default;

void TamarindMuppetApplicationInquirer::start(cvsw::muppet::ProductTypeId productType,
                                              const DetailsHandler& onDetails,
                                              const std::function<void()>& onFailure) {
    const auto inquiry = inquiries_.begin(onDetails, onFailure);
    if (!inquiry) {
        return;
    }
    details_ = {};
    askSoftwareVersion(Chain{*inquiry, productType, onDetails, onFailure});
}

void TamarindMuppetApplicationInquirer::cancel() {
    inquiries_.finish();
    hardwareRevisionGetter_.cancel();
    productModelGetter_.cancel();
    serialNumberGetter_.cancel();
    softwareVersionGetter_.cancel();
    componentValidityGetter_.cancel();
}

void TamarindMuppetApplicationInquirer::askSoftwareVersion(const Chain& chain) {
    ask(softwareVersionGetter_, chain, [this, chain](Version version) {
        details_.softwareVersion = version;
        askHardwareRevision(chain);
    });
}

void TamarindMuppetApplicationInquirer::askHardwareRevision(const Chain& chain) {
    ask(hardwareRevisionGetter_, chain, [this, chain](unsigned char revision) {
        details_.hardwareRevision = revision;
        askSerialNumber(chain);
    });
}

void TamarindMuppetApplicationInquirer::askSerialNumber(const Chain& chain) {
    ask(serialNumberGetter_, chain, [this, chain](const QString& serialNumber) {
        details_.serialNumber = serialNumber;
        askProductModel(chain);
    });
}

void TamarindMuppetApplicationInquirer::askProductModel(const Chain& chain) {
    ask(productModelGetter_, chain, [this, chain](unsigned char model) {
        details_.productModel = model;
        logIn(chain);
    });
}

// A login that succeeds after a cancel still reads the validity, unless another inquiry has begun
// since: that one's reads are not to be disturbed.
void TamarindMuppetApplicationInquirer::logIn(const Chain& chain) {
    loginAgent_.start(
        chain.productType, details_.productModel,
        [this, chain] {
            if (inquiries_.isLatest(chain.inquiry)) {
                askComponentValidity(chain);
            }
        },
        inquiries_.failureContinuation(chain.inquiry, chain.onFailure));
}

void TamarindMuppetApplicationInquirer::askComponentValidity(const Chain& chain) {
    ask(componentValidityGetter_, chain,
        [this, chain](bool complete, unsigned int validFlags, unsigned int validMask) {
            details_.validityAnswered = complete;
            details_.validFlags = validFlags;
            details_.validMask = validMask;
            inquiries_.finish();
            chain.onDetails(details_);
        });
}

} // namespace fwup
