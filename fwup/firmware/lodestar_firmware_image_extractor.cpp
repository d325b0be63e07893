#include "fwup/firmware/lodestar_firmware_image_extractor.h"

namespace fwup {

LodestarFirmwareImageExtractor::LodestarFirmwareImageExtractor(const BlockTag& controlPodTag,
                                                               const BlockSecret& controlPodSecret,
                                                               const BlockSecret& cpuAppSecret,
                                                               const BlockSecret& cpuNetSecret)
    : MbuAndTamarindFirmwareImageExtractor(controlPodTag, controlPodSecret, CpuAppTag, CpuNetTag,
                                           cpuAppSecret, cpuNetSecret) {
}

} // namespace fwup
