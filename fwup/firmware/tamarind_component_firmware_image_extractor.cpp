#include "fwup/firmware/tamarind_component_firmware_image_extractor.h"

#include "fwup/firmware/block_image_extraction.h"

#include <QDebug>

namespace fwup {

TamarindComponentFirmwareImageExtractor::TamarindComponentFirmwareImageExtractor(
    const BlockTag& cpuAppTag, const BlockTag& cpuNetTag, const BlockSecret& cpuAppSecret,
    const BlockSecret& cpuNetSecret)
    : cpuApp_{cpuAppTag, cpuAppSecret}
    , cpuNet_{cpuNetTag, cpuNetSecret} {
}

bool TamarindComponentFirmwareImageExtractor::extractFirmware(QString containerPath,
                                                              unsigned long cpuAppBlockIndex,
                                                              unsigned long cpuNetBlockIndex,
                                                              QString cpuAppOutputPath,
                                                              QString cpuNetOutputPath) const {
    if (!detail::extractCpuAppImage(cpuApp_, containerPath, cpuAppBlockIndex, cpuAppOutputPath)) {
        qDebug() << "Failed to extract Tamarind CPUAPP firmware from" << containerPath;
        return false;
    }
    if (!detail::extractCpuNetImage(cpuNet_, containerPath, cpuNetBlockIndex, cpuNetOutputPath)) {
        qDebug() << "Failed to extract Tamarind CPUNET firmware from" << containerPath;
        return false;
    }
    return true;
}

} // namespace fwup
