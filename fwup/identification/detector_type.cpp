#include "fwup/identification/detector_type.h"

#include <array>
#include <cstddef>

namespace fwup {

namespace {

struct DetectorTypeNames {
    const char* name;
    const char* displayName;
};

constexpr std::array<DetectorTypeNames, 28> names = {{
    {"NONE", "None"},
    {"KESTREL12", "KESTREL 12"},
    {"KESTREL12B", "KESTREL 12 B"},
    {"HERON_MODEL_1", "MERIDIAN 11"},
    {"HERON_MODEL_2", "MERIDIAN 13"},
    {"HERON_MODEL_3", "MERIDIAN 15"},
    {"CASCADE21", "CASCADE 21"},
    {"CASCADE25", "CASCADE 25"},
    {"ALDER_MODEL_1", "ALDER MODEL 1"},
    {"ALDER_MODEL_2", "ALDER MODEL 2"},
    {"LANTERN_POST", "KEEPSAKE"},
    {"RDQ40", "RDQ 40"},
    {"COBALT", "RDX 30"},
    {"FENNEL", "PQV-3"},
    {"FENNEL_CB_NO_APP", "PQV-3"},
    {"FENNEL_UIM_NO_APP", "PQV-3"},
    {"OCELOT2_JUNIPER", "CASCADE 23/27 JUNIPER"},
    {"OCELOT2_MODEL_1", "CASCADE 23"},
    {"OCELOT2_MODEL_2", "CASCADE 27"},
    {"ROWAN_JUNIPER", "TANSY JUNIPER"},
    {"ROWAN_MODEL_1", "TANSY"},
    {"LODESTAR_JUNIPER", "SUMMIT PRO JUNIPER"},
    {"LODESTAR_MODEL_1", "SUMMIT PRO"},
    {"LODESTAR_MODEL_2", "SUMMIT PRO 2"},
    {"LARCH", "KQ9"},
    {"LARCH_MD_BL", "KQ9"},
    {"RT44_MODEL_1", "RT44 MODEL 1"},
    {"QUILL", "QUILL"},
}};

// Taken as unsigned, so a negative value counts as out of range.
const DetectorTypeNames* find(DetectorType type) {
    const auto index = static_cast<std::uint32_t>(type);
    return index < names.size() ? &names[index] : nullptr;
}

} // namespace

const char* detector_type_name(DetectorType type) {
    const auto* entry = find(type);
    return entry != nullptr ? entry->name : "?INVALID?";
}

const char* detector_type_display_name(DetectorType type) {
    const auto* entry = find(type);
    return entry != nullptr ? entry->displayName : "Invalid Detector Type";
}

} // namespace fwup
