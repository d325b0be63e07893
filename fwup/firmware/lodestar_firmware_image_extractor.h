#pragma once

#include "fwup/firmware/mbu_and_tamarind_firmware_image_extractor.h"

namespace fwup {

// The Lodestar family's extractor, one per control-pod model; the Tamarind tags are the family's
// (LDSTJNA1 for CPUAPP, LDSTJNN1 for CPUNET).
class LodestarFirmwareImageExtractor
    : public MbuAndTamarindFirmwareImageExtractor<cvsw::cvbv3::MbuMetadataHeaderV2> {
public:
    static constexpr BlockTag CpuAppTag = {'L', 'D', 'S', 'T', 'J', 'N', 'A', '1'};
    static constexpr BlockTag CpuNetTag = {'L', 'D', 'S', 'T', 'J', 'N', 'N', '1'};

    LodestarFirmwareImageExtractor(const BlockTag& controlPodTag, const BlockSecret& controlPodSecret,
                                   const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret);
};

} // namespace fwup
