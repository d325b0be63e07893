#include "fwup/firmware/i_system_update.h"

namespace fwup {

ISystemUpdate::~ISystemUpdate() = default;

} // namespace fwup
