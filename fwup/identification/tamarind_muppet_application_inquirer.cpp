#include "fwup/identification/tamarind_muppet_application_inquirer.h"

#include <QDebug>

#include <stdexcept>

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
    if (!onDetails || !onFailure) {
        throw std::invalid_argument("Handler functors can not be null");
    }
    if (busy_) {
        qDebug() << "Attempt to start inquiring whilst busy.";
        onFailure();
        return;
    }
    details_ = {};
    busy_ = true;
    askSoftwareVersion(Chain{productType, onDetails, onFailure});
}

void TamarindMuppetApplicationInquirer::cancel() {
    busy_ = false;
    hardwareRevisionGetter_.cancel();
    productModelGetter_.cancel();
    serialNumberGetter_.cancel();
    softwareVersionGetter_.cancel();
    componentValidityGetter_.cancel();
}

std::function<void()> TamarindMuppetApplicationInquirer::failureContinuation(const Chain& chain) {
    return [this, onFailure = chain.onFailure] {
        if (busy_) {
            busy_ = false;
            onFailure();
        }
    };
}

void TamarindMuppetApplicationInquirer::askSoftwareVersion(const Chain& chain) {
    softwareVersionGetter_.start(
        [this, chain](Version version) {
            if (busy_) {
                details_.softwareVersion = version;
                askHardwareRevision(chain);
            }
        },
        failureContinuation(chain));
}

void TamarindMuppetApplicationInquirer::askHardwareRevision(const Chain& chain) {
    hardwareRevisionGetter_.start(
        [this, chain](unsigned char revision) {
            if (busy_) {
                details_.hardwareRevision = revision;
                askSerialNumber(chain);
            }
        },
        failureContinuation(chain));
}

void TamarindMuppetApplicationInquirer::askSerialNumber(const Chain& chain) {
    serialNumberGetter_.start(
        [this, chain](const QString& serialNumber) {
            if (busy_) {
                details_.serialNumber = serialNumber;
                askProductModel(chain);
            }
        },
        failureContinuation(chain));
}

void TamarindMuppetApplicationInquirer::askProductModel(const Chain& chain) {
    productModelGetter_.start(
        [this, chain](unsigned char model) {
            if (busy_) {
                details_.productModel = model;
                logIn(chain);
            }
        },
        failureContinuation(chain));
}

void TamarindMuppetApplicationInquirer::logIn(const Chain& chain) {
    loginAgent_.start(
        chain.productType, details_.productModel, [this, chain] { askComponentValidity(chain); },
        failureContinuation(chain));
}

void TamarindMuppetApplicationInquirer::askComponentValidity(const Chain& chain) {
    componentValidityGetter_.start(
        [this, chain](bool complete, unsigned int validFlags, unsigned int validMask) {
            if (busy_) {
                details_.validityAnswered = complete;
                details_.validFlags = validFlags;
                details_.validMask = validMask;
                busy_ = false;
                chain.onDetails(details_);
            }
        },
        failureContinuation(chain));
}

} // namespace fwup
