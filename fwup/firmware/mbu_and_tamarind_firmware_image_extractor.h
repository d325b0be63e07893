#pragma once

#include "fwup/firmware/block_keys.h"
#include "fwup/firmware/bluetooth_client_metadata.h"
#include "fwup/firmware/firmware_image_extractor.h"
#include "fwup/firmware/tamarind_component_firmware_image_extractor.h"

namespace fwup {

// Extracts the control-pod image of one detector model and the Tamarind images of a combined catalog
// file into the three files of an MbuAndTamarindSystemUpdate. It does not compare detector types: a
// file of another model names a block of another tag, which fails the block check, and the next
// registered extractor is asked.
template <typename Header>
class MbuAndTamarindFirmwareImageExtractor : public FirmwareImageExtractor {
public:
    MbuAndTamarindFirmwareImageExtractor(const BlockTag& controlPodTag, const BlockSecret& controlPodSecret,
                                         const BlockTag& cpuAppTag, const BlockTag& cpuNetTag,
                                         const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret);

    // Empty, and no file left behind, when the catalog file is of another kind or any image cannot be
    // extracted whole.
    std::unique_ptr<ISystemUpdate> extractFirmware(const IFirmwareCatalogFile& catalogFile) override;

private:
    std::unique_ptr<ISystemUpdate> extract(const IFirmwareCatalogFile& catalogFile);

    BlockTagAndSecret controlPod_;
    TamarindComponentFirmwareImageExtractor tamarindExtractor_;
};

extern template class MbuAndTamarindFirmwareImageExtractor<cvsw::cvbv3::MbuMetadataHeaderV2>;

} // namespace fwup
