#pragma once

#include <QList>
#include <QSharedPointer>
#include <QString>

#include <memory>
#include <vector>

namespace fwup {

class IFirmwareCatalogFile;

// Recognises one kind of firmware container. Every registered parser is offered every candidate file.
class FirmwareFileParser {
public:
    virtual ~FirmwareFileParser();

    // One catalog file per installable firmware in the file; empty when the file is not this parser's
    // kind or cannot be read. Never throws for a bad file.
    virtual std::vector<std::unique_ptr<IFirmwareCatalogFile>> parseFile(const QString& path) = 0;

protected:
    FirmwareFileParser() = default;
};

// Filled once by the family registrar at start-up and only read afterwards; used in list order.
QList<QSharedPointer<FirmwareFileParser>>& global_firmware_file_parser_registry();

// Offers the file to every registered parser in list order and gathers what they find.
std::vector<std::unique_ptr<IFirmwareCatalogFile>> parse_with_registered_parsers(const QString& path);

} // namespace fwup
