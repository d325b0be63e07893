#include "fwup/firmware/i_firmware_catalog_file.h"

namespace fwup {

IFirmwareCatalogFile::~IFirmwareCatalogFile() = default;

} // namespace fwup
