#include "fwup/firmware/mbu_and_tamarind_firmware_image_extractor.h"

#include "cvbv3/cvb_file.h"
#include "fwup/firmware/block_image_extraction.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"
#include "fwup/firmware/mbu_and_tamarind_system_update.h"

#include <QDebug>

#include <exception>

namespace fwup {

template <typename Header>
MbuAndTamarindFirmwareImageExtractor<Header>::MbuAndTamarindFirmwareImageExtractor(
    const BlockTag& controlPodTag, const BlockSecret& controlPodSecret, const BlockTag& cpuAppTag,
    const BlockTag& cpuNetTag, const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret)
    : controlPod_{controlPodTag, controlPodSecret}
    , tamarindExtractor_(cpuAppTag, cpuNetTag, cpuAppSecret, cpuNetSecret) {
}

template <typename Header>
std::unique_ptr<ISystemUpdate>
MbuAndTamarindFirmwareImageExtractor<Header>::extractFirmware(const IFirmwareCatalogFile& catalogFile) {
    // The caller expects an update or nothing; whatever the container library throws ends here, and
    // the half-made update takes its files with it as the exception leaves extract().
    try {
        return extract(catalogFile);
    } catch (const std::exception& e) {
        qWarning() << "Failed to extract firmware from" << catalogFile.filePath() << "-" << e.what();
        return {};
    }
}

template <typename Header>
std::unique_ptr<ISystemUpdate>
MbuAndTamarindFirmwareImageExtractor<Header>::extract(const IFirmwareCatalogFile& catalogFile) {
    const auto* file = dynamic_cast<const MbuAndTamarindFirmwareCatalogFile*>(&catalogFile);
    if (!file) {
        qWarning() << "Attempting to cast to mbu and tamarind firmware catalog file from incompatible type";
        return {};
    }
    const QString path = file->filePath();
    const MbuFirmwareInfo& mbu = file->mbuInfo();
    const TamarindFirmwareInfo& tamarind = file->tamarindInfo();

    auto update = std::make_unique<MbuAndTamarindSystemUpdate>(mbu.version, tamarind.version);
    // One load and check of the container serves all three images.
    const auto container = detail::load_container_for_extraction(path);
    if (!container || !detail::extract_block_image<Header>(controlPod_, *container, path,
                                                           static_cast<unsigned long>(mbu.blockIndex),
                                                           update->controlPodFile().fileName())) {
        qWarning() << "Failed to extract control pod firmware from" << path;
        return {};
    }
    const auto& images = update->tamarindUpdate();
    if (!tamarindExtractor_.extractFirmware(*container, path,
                                            static_cast<unsigned long>(tamarind.cpuAppBlockIndex),
                                            static_cast<unsigned long>(tamarind.cpuNetBlockIndex),
                                            images.cpuAppFile().fileName(), images.cpuNetFile().fileName())) {
        qWarning() << "Failed to extract tamarind component firmware from " << path;
        return {};
    }
    return update;
}

template class MbuAndTamarindFirmwareImageExtractor<cvsw::cvbv3::MbuMetadataHeaderV2>;

} // namespace fwup
