#include "fwup/firmware/tamarind_firmware_image_extractor.h"

#include "fwup/firmware/tamarind_firmware_catalog_file.h"
#include "fwup/firmware/tamarind_system_update.h"

#include <QDebug>

#include <exception>

namespace fwup {

TamarindFirmwareImageExtractor::TamarindFirmwareImageExtractor(const BlockTag& cpuAppTag,
                                                               const BlockTag& cpuNetTag,
                                                               const BlockSecret& cpuAppSecret,
                                                               const BlockSecret& cpuNetSecret)
    : componentExtractor_(cpuAppTag, cpuNetTag, cpuAppSecret, cpuNetSecret) {
}

std::unique_ptr<ISystemUpdate>
TamarindFirmwareImageExtractor::extractFirmware(const IFirmwareCatalogFile& catalogFile) {
    const auto* file = dynamic_cast<const TamarindFirmwareCatalogFile*>(&catalogFile);
    if (!file) {
        qWarning() << "This firmware cannot be extracted by this extractor.";
        return {};
    }
    const TamarindFirmwareInfo& info = file->info();
    auto update =
        std::make_unique<TamarindSystemUpdate>(file->detectorType(), TamarindComponentUpdate(info.version));
    const TamarindComponentUpdate& images = update->component();
    bool extracted = false;
    // Callers expect an update or nothing; an unforeseen exception is a failed extraction too.
    try {
        extracted = componentExtractor_.extractFirmware(
            file->filePath(), static_cast<unsigned long>(info.cpuAppBlockIndex),
            static_cast<unsigned long>(info.cpuNetBlockIndex), images.cpuAppFile().fileName(),
            images.cpuNetFile().fileName());
    } catch (const std::exception& e) {
        qWarning() << "Failed to extract firmware from" << file->filePath() << "-" << e.what();
    }
    if (!extracted) {
        qWarning() << "Could not extract tamarind component firmware for file " << file->filePath();
        return {};
    }
    return update;
}

} // namespace fwup
