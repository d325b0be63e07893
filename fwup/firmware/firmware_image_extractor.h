#pragma once

#include <QList>
#include <QSharedPointer>

#include <memory>

namespace fwup {

class IFirmwareCatalogFile;
class ISystemUpdate;

// Turns a catalogued firmware into the image files a detector updater sends.
class FirmwareImageExtractor {
public:
    virtual ~FirmwareImageExtractor();

    // Empty when the catalog file is not this extractor's kind or cannot be extracted; never throws
    // for a bad file.
    virtual std::unique_ptr<ISystemUpdate> extractFirmware(const IFirmwareCatalogFile& catalogFile) = 0;

protected:
    FirmwareImageExtractor() = default;
};

// Filled once by the family registrar at start-up; the first extractor with a result is used.
QList<QSharedPointer<FirmwareImageExtractor>>& global_firmware_image_extractor_registry();

} // namespace fwup
