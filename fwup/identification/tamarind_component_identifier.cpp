#include "fwup/identification/tamarind_component_identifier.h"

#include "fwup/identification/component_identification_loop.h"
#include "fwup/identification/detector_record_file.h"
#include "fwup/identification/product_type_id_name.h"
#include "muppet/control_centre.h"

#include <QDebug>

#include <utility>

namespace fwup {

using cvsw::muppet::product_type_id_name;

TamarindComponentIdentifier::TamarindComponentIdentifier(
    const cvsw::muppet::ProductTypeId& expectedProductType, std::optional<QString> recordFilePath,
    const ICustomisation* customisation, QString locationPrefix, const IdentificationTiming& timing)
    : expectedProductType_(expectedProductType)
    , recordFilePath_(std::move(recordFilePath))
    , locationPrefix_(std::move(locationPrefix))
    , customisation_(customisation)
    , controlCentre_(std::make_shared<cvsw::muppet::ControlCentre>())
    , productTypeGetter_(controlCentre_, timing.attemptLimit, timing.productTypeFirstTimeoutMs,
                         timing.resendTimeoutMs)
    , applicationInquirer_(controlCentre_, timing) {
}

TamarindComponentIdentifier::~TamarindComponentIdentifier() = default;

std::optional<TamarindComponentIdentity> TamarindComponentIdentifier::identify(const QString& location) {
    if (state_ == Busy) {
        return std::nullopt;
    }
    if (!detail::run_component_identification(
            locationPrefix_ + location, controlCentre_, [this] { start(); },
            [this] { return state_ == Busy; })) {
        state_ = Failed;
        return std::nullopt;
    }

    if (state_ != Identified) {
        return std::nullopt;
    }
    const std::optional<QString> name = customisation_->detectorName(identity_.detectorType);
    if (!name) {
        qDebug() << "Failed to map detector type to name" << detector_type_name(identity_.detectorType);
        return std::nullopt;
    }
    if (recordFilePath_) {
        update_detector_serial_number_and_name(*recordFilePath_, identity_.serialNumber,
                                               QLatin1String(RECORD_USER_VERIFICATION_CODE), *name);
    }
    return identity_;
}

void TamarindComponentIdentifier::start() {
    qDebug() << "Starting Identification";
    // Busy before the request goes out, so that no answer can be overwritten by it.
    state_ = Busy;
    productTypeGetter_.start([this](const cvsw::muppet::ProductTypeId& type) { onProductType(type); },
                             [this] { onFailure(); });
}

void TamarindComponentIdentifier::onProductType(cvsw::muppet::ProductTypeId type) {
    receivedProductType_ = type;
    if (type != expectedProductType_) {
        qDebug() << "Received unsupported device product type" << product_type_id_name(type);
        state_ = Failed;
        return;
    }
    qDebug() << "Identified a supported system" << product_type_id_name(type);
    applicationInquirer_.start(
        type,
        [this](const TamarindMuppetApplicationInquirer::ApplicationDetails& details) { onDetails(details); },
        [this] { onFailure(); });
}

void TamarindComponentIdentifier::onDetails(
    const TamarindMuppetApplicationInquirer::ApplicationDetails& details) {
    identity_.serialNumber = details.serialNumber;
    identity_.hardwareRevision = details.hardwareRevision;
    identity_.softwareVersion = details.softwareVersion;

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
        identity_.componentsValid = customisation_->validityFlag(details.validFlags, details.validMask);
    } else {
        identity_.componentsValid.reset();
    }
    qDebug() << "We have identified detector with S/N" << identity_.serialNumber << "as a"
             << detector_type_name(*type);
    state_ = Identified;
}

void TamarindComponentIdentifier::onFailure() {
    qDebug() << "Identification Failed";
    state_ = Failed;
}

} // namespace fwup
