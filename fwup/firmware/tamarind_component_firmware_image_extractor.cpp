#include "fwup/firmware/tamarind_component_firmware_image_extractor.h"

#include "cvbv3/cvb_file.h"
#include "fwup/firmware/block_image_extraction.h"
#include "fwup/firmware/tamarind_cpu_app_extended_header_fields.h"
#include "fwup/firmware/tamarind_cpu_net_header_fields.h"

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
    const auto container = detail::load_container_for_extraction(containerPath);
    if (!container) {
        qDebug() << "Failed to extract Tamarind CPUAPP firmware from" << containerPath;
        return false;
    }
    return extractFirmware(*container, containerPath, cpuAppBlockIndex, cpuNetBlockIndex, cpuAppOutputPath,
                           cpuNetOutputPath);
}

bool TamarindComponentFirmwareImageExtractor::extractFirmware(
    const cvsw::cvbv3::CvbFile& container, const QString& containerPath, unsigned long cpuAppBlockIndex,
    unsigned long cpuNetBlockIndex, const QString& cpuAppOutputPath, const QString& cpuNetOutputPath) const {
    using namespace cvsw::cvbv3::tamarind::v1;
    if (!detail::extract_block_image<TamarindCpuAppMetadataHeader>(cpuApp_, container, containerPath,
                                                                   cpuAppBlockIndex, cpuAppOutputPath)) {
        qDebug() << "Failed to extract Tamarind CPUAPP firmware from" << containerPath;
        return false;
    }
    if (!detail::extract_block_image<TamarindCpuNetHeaderFields>(cpuNet_, container, containerPath,
                                                                 cpuNetBlockIndex, cpuNetOutputPath)) {
        qDebug() << "Failed to extract Tamarind CPUNET firmware from" << containerPath;
        return false;
    }
    return true;
}

} // namespace fwup
