#include "resources/initialise_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE declares the registration function of the resource file, which lives in the global
// namespace, so it cannot be expanded inside namespace fwup.
static void initialiseCorvaneUpdateUtilityResources() {
    Q_INIT_RESOURCE(corvane_update_utility);
}

namespace fwup {

void initialise_resources() {
    static const bool done = (initialiseCorvaneUpdateUtilityResources(), true);
    Q_UNUSED(done);
}

} // namespace fwup
