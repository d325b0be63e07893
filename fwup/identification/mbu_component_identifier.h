#pragma once

#include "fwup/identification/detector_type.h"
#include "fwup/identification/identification_timing.h"
#include "fwup/identification/mbu_bootloader_muppet_application_inquirer.h"
#include "fwup/identification/mbu_component_identity.h"
#include "fwup/identification/status_reporting_muppet_application_inquirer.h"
#include "muppet/product_type_id.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

class ProductTypeGetter;

// Finds out which control pod sits at a location: reads its product type, inquires of its
// application or its bootloader, and maps what it learnt to a detector type through the family's
// customisation. A pod in its bootloader cannot tell its model, so its type comes from the detector
// record, or is guessed and marked speculative. One identifier serves one identification.
class MbuComponentIdentifier {
public:
    // What one detector family decides.
    class ICustomisation {
    public:
        virtual std::optional<DetectorType> detectorTypeFor(cvsw::muppet::ProductTypeId type,
                                                            unsigned char productModel) const = 0;
        // From a record entry's name.
        virtual std::optional<DetectorType> detectorTypeFromName(const QString& name) const = 0;
        // The pod's two verdicts on its components, from the flags of its validity check.
        virtual bool validityFlagA(unsigned int validFlags, unsigned int validMask) const = 0;
        virtual bool validityFlagB(unsigned int validFlags, unsigned int validMask) const = 0;
        // The record names of a known and of a guessed type.
        virtual std::optional<QString> detectorName(DetectorType type) const = 0;
        virtual std::optional<QString> speculativeDetectorName(DetectorType type) const = 0;
        virtual ~ICustomisation() = default;
    };

    enum State : std::uint32_t {
        Idle = 0,
        Busy = 1,
        Identified = 2,
        Failed = 3,
    };

    // Without a record path no record is read or written. The customisation is borrowed and must
    // outlive the identifier.
    MbuComponentIdentifier(QList<cvsw::muppet::ProductTypeId> bootloaderProductTypes,
                           QList<cvsw::muppet::ProductTypeId> applicationProductTypes,
                           std::optional<QString> recordFilePath, DetectorType speculationDefault,
                           const ICustomisation* customisation, const IdentificationTiming& timing = {});
    ~MbuComponentIdentifier();

    MbuComponentIdentifier(const MbuComponentIdentifier&) = delete;
    MbuComponentIdentifier& operator=(const MbuComponentIdentifier&) = delete;

    // The whole identification; pumps the event loop until it ends, which every step does through
    // its own attempt limit. Records the pod when it succeeds.
    std::optional<MbuComponentIdentity> identify(const QString& location);

    State state() const { return state_; }

private:
    void start();
    void onProductType(cvsw::muppet::ProductTypeId type);
    void onApplicationDetails(const StatusReportingMuppetApplicationInquirer::ApplicationDetails& details);
    void onBootloaderDetails(const MbuBootloaderMuppetApplicationInquirer::MbuBootloaderDetails& details);
    void onFailure();
    void speculate();
    // The name the record keeps for the identity: a guessed type keeps its speculative name, so the
    // next identification still knows it for a guess.
    std::optional<QString> recordName() const;

    QList<cvsw::muppet::ProductTypeId> bootloaderProductTypes_;
    QList<cvsw::muppet::ProductTypeId> applicationProductTypes_;
    std::optional<QString> recordFilePath_;
    DetectorType speculationDefault_;
    const ICustomisation* customisation_;
    IdentificationTiming timing_;
    std::unique_ptr<ProductTypeGetter> productTypeGetter_;
    std::unique_ptr<MbuBootloaderMuppetApplicationInquirer> bootloaderInquirer_;
    std::unique_ptr<StatusReportingMuppetApplicationInquirer> applicationInquirer_;
    MbuComponentIdentity identity_;
    cvsw::muppet::ProductTypeId receivedProductType_ = 0;
    State state_ = Idle;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
};

} // namespace fwup
