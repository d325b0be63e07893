#pragma once

#include "fwup/identification/detector_type.h"

#include <QString>

// The names under which the detector record file stores detector types. Kept beside the live
// code; the record file itself stores the type's number.
namespace fwup {

// "summit_pro" for LODESTAR_MODEL_1 and so on; empty for types without a record name. NONE logs
// "Detector type NONE selected".
QString detector_name_for_detector_type(DetectorType type);

// "speculativeMeridian11" and the like for the types a record may only guess at; any other type
// gives what NONE gives.
QString speculated_detector_name_for_detector_type(DetectorType type);

// Exact, case-sensitive; not the inverse of detector_name_for_detector_type. Unknown names give
// NONE.
DetectorType detector_type_from_detector_name(const QString& name);

} // namespace fwup
