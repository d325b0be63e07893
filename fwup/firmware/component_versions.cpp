#include "fwup/firmware/component_versions.h"

#include "fwup/firmware/i_firmware_catalog_file.h"

namespace fwup {

std::int8_t compare_component_versions(const QMap<UpgradeableComponent, Version>& a,
                                       const QMap<UpgradeableComponent, Version>& b) {
    for (std::uint32_t key = 0; key < COMPARED_COMPONENT_COUNT; ++key) {
        const auto component = static_cast<UpgradeableComponent>(key);
        const auto inA = a.constFind(component);
        const auto inB = b.constFind(component);
        const bool hasA = inA != a.constEnd();
        const bool hasB = inB != b.constEnd();
        if (hasA != hasB) {
            return hasA ? 1 : -1;
        }
        if (!hasA) {
            continue;
        }
        if (*inA < *inB) {
            return -1;
        }
        if (*inB < *inA) {
            return 1;
        }
    }
    return 0;
}

bool catalog_file_is_older(const std::unique_ptr<IFirmwareCatalogFile>& a,
                           const std::unique_ptr<IFirmwareCatalogFile>& b) {
    return compare_component_versions(a->componentVersions(), b->componentVersions()) < 0;
}

} // namespace fwup
