#pragma once

#include "fwup/identification/mbu_component_identifier.h"
#include "fwup/identification/tamarind_component_identifier.h"

#include <QString>

// What the Lodestar family decides when its parts are identified: model 1 is a SUMMIT PRO (22),
// model 2 a SUMMIT PRO 2 (23), and the Tamarind sub-system is type 21.
namespace fwup {

// Static objects, alive for the whole process.
const MbuComponentIdentifier::ICustomisation& lodestar_mbu_identifier_customisations();
const TamarindComponentIdentifier::ICustomisation& lodestar_tamarind_customisations();

// The record name of a Lodestar Tamarind sub-system.
inline QString lodestar_tamarind_detector_name() {
    return QStringLiteral("summit_pro_bluetooth");
}

// The tunnel across a Lodestar pod to its Tamarind sub-system; the pod's location follows it.
inline QString lodestar_tamarind_location_prefix() {
    return QStringLiteral("TNLV3::1::OUT::0::");
}

} // namespace fwup
