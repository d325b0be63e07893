#pragma once

#include <cstdint>

namespace fwup {

// What a component-version map (QMap<UpgradeableComponent, Version>) is keyed by: one piece of
// software a detector system can have updated. Keys run from 0 to 13; only those below have a
// meaning this program relies on.
enum class UpgradeableComponent : std::uint32_t {
    LEGACY_MBU_MODULE_1 = 0, // first MBU module of a legacy two-module system
    LEGACY_MBU_MODULE_2 = 1, // its second module
    CONTROL_POD = 8,         // the control pod's software
    TAMARIND = 10,           // the Tamarind sub-system's software
};

} // namespace fwup
