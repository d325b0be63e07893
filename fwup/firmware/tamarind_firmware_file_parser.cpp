#include "fwup/firmware/tamarind_firmware_file_parser.h"

namespace fwup {

TamarindFirmwareFileParser::TamarindFirmwareFileParser(DetectorType detectorType, const BlockTag& cpuAppTag,
                                                       const BlockTag& cpuNetTag,
                                                       const BlockSecret& cpuAppSecret,
                                                       const BlockSecret& cpuNetSecret)
    : detectorType_(detectorType)
    , cpuAppTag_(cpuAppTag)
    , cpuNetTag_(cpuNetTag)
    , cpuAppSecret_(cpuAppSecret)
    , cpuNetSecret_(cpuNetSecret) {
}

TamarindFirmwareFileParser::~TamarindFirmwareFileParser() = default;

std::vector<std::unique_ptr<IFirmwareCatalogFile>>
TamarindFirmwareFileParser::parseFile(const QString& path) {
    auto typed = parseTamarindFile(path);
    std::vector<std::unique_ptr<IFirmwareCatalogFile>> result;
    result.reserve(typed.size());
    for (auto& file : typed) {
        result.push_back(std::move(file));
    }
    return result;
}

std::vector<std::unique_ptr<TamarindFirmwareCatalogFile>>
TamarindFirmwareFileParser::parseTamarindFile(const QString& path) const {
    std::vector<std::unique_ptr<TamarindFirmwareCatalogFile>> result;
    for (const TamarindFirmwareInfo& info : parse_file_for_tamarind_firmware_info(
             path, detectorType_, cpuAppTag_, cpuNetTag_, cpuAppSecret_, cpuNetSecret_)) {
        result.push_back(std::make_unique<TamarindFirmwareCatalogFile>(info, path));
    }
    return result;
}

} // namespace fwup
