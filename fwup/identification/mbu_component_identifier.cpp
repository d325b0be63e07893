#include "fwup/identification/mbu_component_identifier.h"

#include "fwup/identification/component_identification_loop.h"
#include "fwup/identification/detector_record_file.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/identification/product_type_id_name.h"
#include "muppet/control_centre.h"

#include <QDebug>

#include <utility>

namespace fwup {

using cvsw::muppet::product_type_id_name;

MbuComponentIdentifier::MbuComponentIdentifier(QList<cvsw::muppet::ProductTypeId> bootloaderProductTypes,
                                               QList<cvsw::muppet::ProductTypeId> applicationProductTypes,
                                               std::optional<QString> recordFilePath,
                                               DetectorType speculationDefault,
                                               const ICustomisation* customisation,
                                               const IdentificationTiming& timing)
    : bootloaderProductTypes_(std::move(bootloaderProductTypes))
    , applicationProductTypes_(std::move(applicationProductTypes))
    , recordFilePath_(std::move(recordFilePath))
    , speculationDefault_(speculationDefault)
    , customisation_(customisation)
    , timing_(timing)
    , controlCentre_(std::make_shared<cvsw::muppet::ControlCentre>()) {
}

// The agents go before the control centre they registered their handlers on.
MbuComponentIdentifier::~MbuComponentIdentifier() {
    productTypeGetter_.reset();
    bootloaderInquirer_.reset();
    applicationInquirer_.reset();
}

std::optional<MbuComponentIdentity> MbuComponentIdentifier::identify(const QString& location) {
    if (state_ == Busy) {
        return std::nullopt;
    }
    if (!detail::run_component_identification(
            location, controlCentre_, [this] { start(); }, [this] { return state_ == Busy; })) {
        state_ = Failed;
        return std::nullopt;
    }
    productTypeGetter_.reset();
    bootloaderInquirer_.reset();
    applicationInquirer_.reset();

    if (state_ != Identified) {
        return std::nullopt;
    }
    const std::optional<QString> name = recordName();
    if (!name) {
        qDebug() << "Failed to map detector type to name" << detector_type_name(identity_.detectorType);
        return std::nullopt;
    }
    if (recordFilePath_) {
        update_detector_serial_number_and_name(*recordFilePath_, identity_.serialNumber,
                                               QString::number(identity_.userVerificationCode.value()),
                                               *name);
    }
    return identity_;
}

std::optional<QString> MbuComponentIdentifier::recordName() const {
    return identity_.isSpeculative ? customisation_->speculativeDetectorName(identity_.detectorType)
                                   : customisation_->detectorName(identity_.detectorType);
}

void MbuComponentIdentifier::start() {
    qDebug() << "Starting Identification";
    productTypeGetter_ = std::make_unique<ProductTypeGetter>(
        controlCentre_, timing_.attemptLimit, timing_.productTypeFirstTimeoutMs, timing_.resendTimeoutMs);
    // Busy before the request goes out, so that no answer can be overwritten by it.
    state_ = Busy;
    productTypeGetter_->start([this](const cvsw::muppet::ProductTypeId& type) { onProductType(type); },
                              [this] { onFailure(); });
}

void MbuComponentIdentifier::onProductType(cvsw::muppet::ProductTypeId type) {
    receivedProductType_ = type;
    if (applicationProductTypes_.contains(type)) {
        qDebug() << "Identified a supported application" << product_type_id_name(type);
        applicationInquirer_ =
            std::make_unique<StatusReportingMuppetApplicationInquirer>(controlCentre_, timing_);
        applicationInquirer_->start(
            type,
            [this](const StatusReportingMuppetApplicationInquirer::ApplicationDetails& details) {
                onApplicationDetails(details);
            },
            [this] { onFailure(); });
    } else if (bootloaderProductTypes_.contains(type)) {
        qDebug() << "Identified a supported bootloader" << product_type_id_name(type);
        bootloaderInquirer_ =
            std::make_unique<MbuBootloaderMuppetApplicationInquirer>(controlCentre_, timing_);
        bootloaderInquirer_->start(
            [this](const MbuBootloaderMuppetApplicationInquirer::MbuBootloaderDetails& details) {
                onBootloaderDetails(details);
            },
            [this] { onFailure(); });
    } else {
        qDebug() << "Received unsupported device product type" << product_type_id_name(type);
        state_ = Failed;
    }
}

void MbuComponentIdentifier::onApplicationDetails(
    const StatusReportingMuppetApplicationInquirer::ApplicationDetails& details) {
    identity_.serialNumber = details.serialNumber;
    identity_.hardwareRevision = details.hardwareRevision;
    identity_.softwareVersion = details.softwareVersion;
    identity_.userVerificationCode = UserVerificationCode(details.userVerificationCode);
    identity_.productType = receivedProductType_;
    identity_.isSpeculative = false;

    const std::optional<DetectorType> type =
        customisation_->detectorTypeFor(receivedProductType_, details.productModel);
    if (!type) {
        qDebug() << "Received product details do not represent a known product type "
                 << product_type_id_name(receivedProductType_)
                 << static_cast<unsigned int>(details.productModel);
        state_ = Failed;
        return;
    }
    identity_.detectorType = *type;
    if (details.validityAnswered) {
        identity_.validityFlagA = customisation_->validityFlagA(details.validFlags, details.validMask);
        identity_.validityFlagB = customisation_->validityFlagB(details.validFlags, details.validMask);
    } else {
        identity_.validityFlagA.reset();
        identity_.validityFlagB.reset();
    }
    qDebug() << "We have identified detector with S/N" << identity_.serialNumber << "as a"
             << detector_type_name(*type);
    state_ = Identified;
}

void MbuComponentIdentifier::onBootloaderDetails(
    const MbuBootloaderMuppetApplicationInquirer::MbuBootloaderDetails& details) {
    // The bootloader's own version is not the pod's software, so no version is kept.
    identity_.serialNumber = details.serialNumber;
    identity_.hardwareRevision = details.hardwareRevision;
    identity_.userVerificationCode = UserVerificationCode(details.userVerificationCode);
    identity_.productType = receivedProductType_;

    const QString name = recordFilePath_
                             ? find_detector_name_by_serial_number(*recordFilePath_, identity_.serialNumber)
                             : QString();
    if (name.isEmpty()) {
        speculate();
        return;
    }
    qDebug() << "Identified a device with S/N" << identity_.serialNumber << "as a" << name;
    const std::optional<DetectorType> type = customisation_->detectorTypeFromName(name);
    if (!type) {
        qDebug() << "Cannot determine system type from name " << name;
        state_ = Failed;
        return;
    }
    identity_.detectorType = *type;
    identity_.isSpeculative = is_detector_type_speculative(name);
    state_ = Identified;
}

void MbuComponentIdentifier::speculate() {
    qDebug() << "Speculating device with S/N" << identity_.serialNumber
             << "as: " << detector_type_display_name(speculationDefault_);
    identity_.detectorType = speculationDefault_;
    const std::optional<QString> speculativeName =
        customisation_->speculativeDetectorName(speculationDefault_);
    if (!speculativeName) {
        qDebug() << "Failed to map detector type to name" << detector_type_name(speculationDefault_);
        state_ = Failed;
        return;
    }
    if (recordFilePath_) {
        update_detector_serial_number_and_name(*recordFilePath_, identity_.serialNumber,
                                               QString::number(identity_.userVerificationCode.value()),
                                               *speculativeName);
    }
    identity_.isSpeculative = true;
    state_ = Identified;
}

void MbuComponentIdentifier::onFailure() {
    qDebug() << "Identification Failed";
    state_ = Failed;
}

} // namespace fwup
