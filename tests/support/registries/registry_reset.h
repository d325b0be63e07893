#pragma once

#include <QList>

namespace regtest {

// Empties all twelve process-wide registries; entries nobody else holds are destroyed.
void clear_all_registries();

// The sizes of the twelve registries: locators, identifiers, updaters, detector version checkers,
// password generators, file parsers, image extractors, connection factories, catalog managers,
// then the three a family leaves empty: firmware version checkers, remote locators, readiness checkers.
QList<qsizetype> registry_sizes();

} // namespace regtest
