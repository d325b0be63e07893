#pragma once

#include <cstdint>

namespace fwup {

// A detector system, or one part of one, as the maker's tools number it.
enum class DetectorType : std::int32_t {
    NONE = 0,
    KESTREL12 = 1,
    KESTREL12B = 2,
    HERON_MODEL_1 = 3,
    HERON_MODEL_2 = 4,
    HERON_MODEL_3 = 5,
    CASCADE21 = 6,
    CASCADE25 = 7,
    ALDER_MODEL_1 = 8,
    ALDER_MODEL_2 = 9,
    LANTERN_POST = 10,
    RDQ40 = 11,
    COBALT = 12,
    FENNEL = 13,
    FENNEL_CB_NO_APP = 14,
    FENNEL_UIM_NO_APP = 15,
    OCELOT2_JUNIPER = 16,
    OCELOT2_MODEL_1 = 17,
    OCELOT2_MODEL_2 = 18,
    ROWAN_JUNIPER = 19,
    ROWAN_MODEL_1 = 20,
    LODESTAR_JUNIPER = 21, // the Tamarind sub-system of a Lodestar
    LODESTAR_MODEL_1 = 22,
    LODESTAR_MODEL_2 = 23,
    LARCH = 24,
    LARCH_MD_BL = 25,
    RT44_MODEL_1 = 26,
    QUILL = 27,
};

// The enumerator's name ("LODESTAR_MODEL_1"), or "?INVALID?" outside 0..27.
const char* detector_type_name(DetectorType type);

// The name shown to users ("SUMMIT PRO"), or "Invalid Detector Type" outside 0..27.
const char* detector_type_display_name(DetectorType type);

} // namespace fwup
