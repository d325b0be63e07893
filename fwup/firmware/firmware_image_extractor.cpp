#include "fwup/firmware/firmware_image_extractor.h"

#include "fwup/firmware/i_system_update.h"

namespace fwup {

FirmwareImageExtractor::~FirmwareImageExtractor() = default;

QList<QSharedPointer<FirmwareImageExtractor>>& global_firmware_image_extractor_registry() {
    static QList<QSharedPointer<FirmwareImageExtractor>> registry;
    return registry;
}

} // namespace fwup
