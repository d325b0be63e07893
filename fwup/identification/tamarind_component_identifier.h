#pragma once

#include "fwup/identification/detector_type.h"
#include "fwup/identification/identification_timing.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/identification/tamarind_component_identity.h"
#include "fwup/identification/tamarind_muppet_application_inquirer.h"
#include "muppet/product_type_id.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

// Finds out which Tamarind sub-system sits behind a control pod: reads its product type through
// the tunnel, inquires of it and maps what it learnt to a detector type through the family's
// customisation. One identifier serves one identification.
class TamarindComponentIdentifier {
public:
    // What one detector family decides.
    class ICustomisation {
    public:
        virtual std::optional<DetectorType> detectorTypeFor(cvsw::muppet::ProductTypeId type,
                                                            unsigned char productModel) const = 0;
        virtual std::optional<DetectorType> detectorTypeFromName(const QString& name) const = 0;
        // The sub-system's verdict on its components, from the flags of its validity check.
        virtual bool validityFlag(unsigned int validFlags, unsigned int validMask) const = 0;
        // The record name of a type.
        virtual std::optional<QString> detectorName(DetectorType type) const = 0;
        virtual ~ICustomisation() = default;
    };

    enum State : std::uint32_t {
        Idle = 0,
        Busy = 1,
        Identified = 2,
        Failed = 3,
    };

    // The record's verification code for a sub-system: one above the largest a pod can report.
    static constexpr const char* RECORD_USER_VERIFICATION_CODE = "100000";

    // locationPrefix goes before the location given to identify: the tunnel across the pod. Without
    // a record path no record is written. The customisation is borrowed and must outlive the
    // identifier.
    TamarindComponentIdentifier(const cvsw::muppet::ProductTypeId& expectedProductType,
                                std::optional<QString> recordFilePath, const ICustomisation* customisation,
                                QString locationPrefix, const IdentificationTiming& timing = {});
    ~TamarindComponentIdentifier();

    TamarindComponentIdentifier(const TamarindComponentIdentifier&) = delete;
    TamarindComponentIdentifier& operator=(const TamarindComponentIdentifier&) = delete;

    // The whole identification of the sub-system behind the pod at location; pumps the event loop
    // until it ends. Records the sub-system when it succeeds.
    std::optional<TamarindComponentIdentity> identify(const QString& location);

    State state() const { return state_; }

private:
    void start();
    void onProductType(cvsw::muppet::ProductTypeId type);
    void onDetails(const TamarindMuppetApplicationInquirer::ApplicationDetails& details);
    void onFailure();

    cvsw::muppet::ProductTypeId expectedProductType_;
    std::optional<QString> recordFilePath_;
    QString locationPrefix_;
    const ICustomisation* customisation_;
    TamarindComponentIdentity identity_;
    cvsw::muppet::ProductTypeId receivedProductType_ = 0;
    State state_ = Idle;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    ProductTypeGetter productTypeGetter_;
    TamarindMuppetApplicationInquirer applicationInquirer_;
};

} // namespace fwup
