#include "fwup/identification/status_reporting_muppet_application_inquirer.h"

#include <QDebug>

#include <stdexcept>

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
    if (!onSuccess || !onFailure) {
        throw std::invalid_argument("Handler functors can not be null");
    }
    if (state_ != NotStarted) {
        qDebug() << "Attempt to start inquiring whilst busy.";
        onFailure();
        return;
    }
    details_ = {};
    state_ = Inquiring;
    askSoftwareVersion(Chain{productType, onSuccess, onFailure});
}

void StatusReportingMuppetApplicationInquirer::cancel() {
    state_ = Finished;
    hardwareRevisionGetter_.cancel();
    productModelGetter_.cancel();
    serialNumberGetter_.cancel();
    softwareVersionGetter_.cancel();
    componentValidityGetter_.cancel();
    userVerificationCodeGetter_.cancel();
}

std::function<void()> StatusReportingMuppetApplicationInquirer::failureContinuation(const Chain& chain) {
    return [this, onFailure = chain.onFailure] {
        if (state_ == Inquiring) {
            state_ = Finished;
            onFailure();
        }
    };
}

void StatusReportingMuppetApplicationInquirer::askSoftwareVersion(const Chain& chain) {
    softwareVersionGetter_.start(
        [this, chain](Version version) {
            if (state_ == Inquiring) {
                details_.softwareVersion = version;
                askHardwareRevision(chain);
            }
        },
        failureContinuation(chain));
}

void StatusReportingMuppetApplicationInquirer::askHardwareRevision(const Chain& chain) {
    hardwareRevisionGetter_.start(
        [this, chain](unsigned char revision) {
            if (state_ == Inquiring) {
                details_.hardwareRevision = revision;
                askUserVerificationCode(chain);
            }
        },
        failureContinuation(chain));
}

void StatusReportingMuppetApplicationInquirer::askUserVerificationCode(const Chain& chain) {
    userVerificationCodeGetter_.start(
        [this, chain](const UserVerificationCode& code) {
            if (state_ == Inquiring) {
                details_.userVerificationCode = code.value();
                askSerialNumber(chain);
            }
        },
        failureContinuation(chain));
}

void StatusReportingMuppetApplicationInquirer::askSerialNumber(const Chain& chain) {
    serialNumberGetter_.start(
        [this, chain](const QString& serialNumber) {
            if (state_ == Inquiring) {
                details_.serialNumber = serialNumber;
                askProductModel(chain);
            }
        },
        failureContinuation(chain));
}

void StatusReportingMuppetApplicationInquirer::askProductModel(const Chain& chain) {
    productModelGetter_.start(
        [this, chain](unsigned char model) {
            if (state_ == Inquiring) {
                details_.productModel = model;
                logIn(chain);
            }
        },
        failureContinuation(chain));
}

void StatusReportingMuppetApplicationInquirer::logIn(const Chain& chain) {
    loginAgent_.start(
        chain.productType, details_.productModel, [this, chain] { askComponentValidity(chain); },
        failureContinuation(chain));
}

void StatusReportingMuppetApplicationInquirer::askComponentValidity(const Chain& chain) {
    componentValidityGetter_.start(
        [this, chain](bool complete, unsigned int validFlags, unsigned int validMask) {
            if (state_ == Inquiring) {
                details_.validityAnswered = complete;
                details_.validFlags = validFlags;
                details_.validMask = validMask;
                state_ = Finished;
                chain.onSuccess(details_);
            }
        },
        failureContinuation(chain));
}

} // namespace fwup
