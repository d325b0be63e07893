#include "fwup/identification/lodestar_detector_identifier.h"

#include "fwup/identification/lodestar_identifier_customisations.h"
#include "fwup/identification/lodestar_system_identity.h"
#include "fwup/identification/mbu_component_identifier.h"
#include "fwup/identification/tamarind_component_identifier.h"

#include <utility>

namespace fwup {

namespace {

constexpr cvsw::muppet::ProductTypeId LODESTAR_CONTROL_POD = 144;
constexpr cvsw::muppet::ProductTypeId LODESTAR_CONTROL_POD_BOOTLOADER = 145;
constexpr cvsw::muppet::ProductTypeId NORDIC_BLUETOOTH_LE_GATEWAY = 161;

// Stands in for a sub-system that could not be identified.
TamarindComponentIdentity unidentifiedTamarind() {
    return TamarindComponentIdentity{Version{}, 0, QString(), DetectorType::LODESTAR_JUNIPER, std::nullopt};
}

} // namespace

LodestarDetectorIdentifier::LodestarDetectorIdentifier(std::optional<const QString> recordFilePath,
                                                       const IdentificationTiming& timing)
    : recordFilePath_(std::move(recordFilePath))
    , timing_(timing) {
}

LodestarDetectorIdentifier::~LodestarDetectorIdentifier() = default;

std::unique_ptr<ISystemIdentity> LodestarDetectorIdentifier::identifyDetector(const QString& location) {
    const std::optional<QString> recordFilePath(recordFilePath_);

    MbuComponentIdentifier mbuIdentifier({LODESTAR_CONTROL_POD_BOOTLOADER}, {LODESTAR_CONTROL_POD},
                                         recordFilePath, DetectorType::LODESTAR_MODEL_1,
                                         &lodestar_mbu_identifier_customisations(), timing_);
    const std::optional<MbuComponentIdentity> mbuIdentity = mbuIdentifier.identify(location);
    if (!mbuIdentity) {
        return nullptr;
    }

    TamarindComponentIdentifier tamarindIdentifier(NORDIC_BLUETOOTH_LE_GATEWAY, recordFilePath,
                                                   &lodestar_tamarind_customisations(),
                                                   lodestar_tamarind_location_prefix(), timing_);
    const std::optional<TamarindComponentIdentity> tamarindIdentity = tamarindIdentifier.identify(location);

    return std::make_unique<LodestarSystemIdentity>(tamarindIdentity.value_or(unidentifiedTamarind()),
                                                    *mbuIdentity, mbuIdentity->detectorType);
}

} // namespace fwup
