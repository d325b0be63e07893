#include "fwup/firmware/firmware_file_parser.h"

#include "fwup/firmware/i_firmware_catalog_file.h"

namespace fwup {

FirmwareFileParser::~FirmwareFileParser() = default;

QList<QSharedPointer<FirmwareFileParser>>& global_firmware_file_parser_registry() {
    static QList<QSharedPointer<FirmwareFileParser>> registry;
    return registry;
}

std::vector<std::unique_ptr<IFirmwareCatalogFile>> parse_with_registered_parsers(const QString& path) {
    // A copy, so every parser stays alive while it reads.
    const auto parsers = global_firmware_file_parser_registry();
    std::vector<std::unique_ptr<IFirmwareCatalogFile>> found;
    for (const auto& parser : parsers) {
        for (auto& file : parser->parseFile(path)) {
            found.push_back(std::move(file));
        }
    }
    return found;
}

} // namespace fwup
