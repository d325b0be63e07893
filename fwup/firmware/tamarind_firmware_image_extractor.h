#pragma once

#include "fwup/firmware/block_keys.h"
#include "fwup/firmware/firmware_image_extractor.h"
#include "fwup/firmware/tamarind_component_firmware_image_extractor.h"

namespace fwup {

// Extracts a Tamarind-only firmware (TamarindFirmwareCatalogFile) into a TamarindSystemUpdate. No
// detector family registers it: Lodestar firmware comes as MBU-and-Tamarind files, whose extractor
// takes the Tamarind images through the same component extraction.
class TamarindFirmwareImageExtractor : public FirmwareImageExtractor {
public:
    TamarindFirmwareImageExtractor(const BlockTag& cpuAppTag, const BlockTag& cpuNetTag,
                                   const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret);

    // Empty, and no file of the attempt left behind, when the file is of another kind or its images
    // cannot both be extracted.
    std::unique_ptr<ISystemUpdate> extractFirmware(const IFirmwareCatalogFile& catalogFile) override;

private:
    TamarindComponentFirmwareImageExtractor componentExtractor_;
};

} // namespace fwup
