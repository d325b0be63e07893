#pragma once

#include "muppet/version.h"

#include <QList>

#include <utility>

namespace fwup {

// A span of software versions, both ends included.
struct VersionRange {
    Version from;
    Version to;

    bool contains(Version version) const { return from <= version && version <= to; }
};

// A table that gives each span of versions a number, such as the user-settings record version a
// control-pod software reads.
using VersionRangeTable = QList<std::pair<VersionRange, int>>;

// The number of the first row that holds the version, or 0 when no row does.
int lookup_version_range(const VersionRangeTable& table, Version version);

} // namespace fwup
