#include "fwup/installation/version_range.h"

namespace fwup {

int lookup_version_range(const VersionRangeTable& table, Version version) {
    for (const auto& [range, value] : table) {
        if (range.contains(version)) {
            return value;
        }
    }
    return 0;
}

} // namespace fwup
