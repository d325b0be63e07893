#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"

#include "fwup/firmware/bluetooth_client_metadata.h"

namespace fwup {

template <typename Header>
MbuAndTamarindFirmwareFileParser<Header>::MbuAndTamarindFirmwareFileParser(
    const BlockTag& mbuTag, const BlockTag& cpuAppTag, const BlockTag& cpuNetTag,
    const BlockSecret& mbuSecret, const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret,
    DetectorType detectorType)
    : mbuParser_(detectorType, mbuTag, mbuSecret)
    , tamarindParser_(detectorType, cpuAppTag, cpuNetTag, cpuAppSecret, cpuNetSecret) {
}

template <typename Header>
std::vector<std::unique_ptr<IFirmwareCatalogFile>>
MbuAndTamarindFirmwareFileParser<Header>::parseFile(const QString& path) {
    const auto mbuFiles = mbuParser_.parseMbuFile(path);
    const auto tamarindFiles = tamarindParser_.parseTamarindFile(path);
    std::vector<std::unique_ptr<IFirmwareCatalogFile>> result;
    for (const auto& mbu : mbuFiles) {
        const std::uint32_t required = mbu->header().extension.requiredBtIcdRevision;
        for (const auto& tamarind : tamarindFiles) {
            if (tamarind->info().btIcdRevision == required) {
                addCombinedCatalogFile(result, path, mbu->info(), tamarind->info(), mbu->header());
            }
        }
    }
    return result;
}

template <typename Header>
void MbuAndTamarindFirmwareFileParser<Header>::addCombinedCatalogFile(
    std::vector<std::unique_ptr<IFirmwareCatalogFile>>& result, const QString& path,
    const MbuFirmwareInfo& mbuInfo, const TamarindFirmwareInfo& tamarindInfo, const Header&) {
    result.push_back(std::make_unique<MbuAndTamarindFirmwareCatalogFile>(mbuInfo, tamarindInfo, path));
}

template class MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>;

} // namespace fwup
