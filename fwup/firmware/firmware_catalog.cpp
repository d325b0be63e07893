#include "fwup/firmware/firmware_catalog.h"

namespace fwup {

FirmwareCatalog::~FirmwareCatalog() = default;

} // namespace fwup
