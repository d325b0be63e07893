#include "fwup/firmware/firmware_file_parser.h"

#include "fwup/firmware/i_firmware_catalog_file.h"

namespace fwup {

FirmwareFileParser::~FirmwareFileParser() = default;

QList<QSharedPointer<FirmwareFileParser>>& global_firmware_file_parser_registry() {
    static QList<QSharedPointer<FirmwareFileParser>> registry;
    return registry;
}

} // namespace fwup
