#pragma once

#include "fwup/identification/upgradeable_component.h"
#include "muppet/version.h"

#include <QMap>

#include <cstdint>
#include <memory>

namespace fwup {

class IFirmwareCatalogFile;

// Components 0 up to this count are the firmware's version; later keys take no part in it.
inline constexpr std::uint32_t COMPARED_COMPONENT_COUNT = 14;

// Orders two component-version maps: -1, 0 or +1 for a relative to b. Components 0 to 13 are visited
// in order; a component present on one side only decides for that side, then major, minor and patch
// decide. Keys outside 0 to 13 take no part.
std::int8_t compare_component_versions(const QMap<UpgradeableComponent, Version>& a,
                                       const QMap<UpgradeableComponent, Version>& b);

// Whether a's component versions order before b's.
bool catalog_file_is_older(const std::unique_ptr<IFirmwareCatalogFile>& a,
                           const std::unique_ptr<IFirmwareCatalogFile>& b);

} // namespace fwup
