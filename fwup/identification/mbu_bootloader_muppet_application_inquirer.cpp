#include "fwup/identification/mbu_bootloader_muppet_application_inquirer.h"

#include <QDebug>

#include <stdexcept>

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
    askProductType(Chain{onSuccess, onFailure});
}

void MbuBootloaderMuppetApplicationInquirer::cancel() {
    state_ = Finished;
    hardwareRevisionGetter_.cancel();
    serialNumberGetter_.cancel();
    softwareVersionGetter_.cancel();
    userVerificationCodeGetter_.cancel();
}

std::function<void()> MbuBootloaderMuppetApplicationInquirer::failureContinuation(const Chain& chain) {
    return [this, onFailure = chain.onFailure] {
        if (state_ == Inquiring) {
            state_ = Finished;
            onFailure();
        }
    };
}

// The type is not stored: the caller chose this inquirer by type already, and here it only picks
// the operator password.
void MbuBootloaderMuppetApplicationInquirer::askProductType(const Chain& chain) {
    productTypeGetter_.start([this, chain](const cvsw::muppet::ProductTypeId& type) { logIn(type, chain); },
                             failureContinuation(chain));
}

void MbuBootloaderMuppetApplicationInquirer::logIn(cvsw::muppet::ProductTypeId productType,
                                                   const Chain& chain) {
    loginAgent_.start(
        productType, [this, chain] { askSoftwareVersion(chain); }, failureContinuation(chain));
}

void MbuBootloaderMuppetApplicationInquirer::askSoftwareVersion(const Chain& chain) {
    softwareVersionGetter_.start(
        [this, chain](Version version) {
            if (state_ == Inquiring) {
                details_.softwareVersion = version;
                askHardwareRevision(chain);
            }
        },
        failureContinuation(chain));
}

void MbuBootloaderMuppetApplicationInquirer::askHardwareRevision(const Chain& chain) {
    hardwareRevisionGetter_.start(
        [this, chain](unsigned char revision) {
            if (state_ == Inquiring) {
                details_.hardwareRevision = revision;
                askUserVerificationCode(chain);
            }
        },
        failureContinuation(chain));
}

void MbuBootloaderMuppetApplicationInquirer::askUserVerificationCode(const Chain& chain) {
    userVerificationCodeGetter_.start(
        [this, chain](const UserVerificationCode& code) {
            if (state_ == Inquiring) {
                details_.userVerificationCode = code.value();
                askSerialNumber(chain);
            }
        },
        failureContinuation(chain));
}

void MbuBootloaderMuppetApplicationInquirer::askSerialNumber(const Chain& chain) {
    serialNumberGetter_.start(
        [this, chain](const QString& serialNumber) {
            if (state_ == Inquiring) {
                details_.serialNumber = serialNumber;
                state_ = Finished;
                chain.onSuccess(details_);
            }
        },
        failureContinuation(chain));
}

} // namespace fwup
