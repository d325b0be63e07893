#pragma once

#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"
#include "fwup/firmware/mbu_firmware_file_parser.h"
#include "fwup/firmware/tamarind_firmware_file_parser.h"

namespace fwup {

// The parser a detector family registers: it reads a container's control-pod images and its Tamarind
// pairs, and offers every combination whose Bluetooth ICD revisions agree as firmware for the whole
// system. A file with only one of the two kinds gives nothing.
template <typename Header>
class MbuAndTamarindFirmwareFileParser : public FirmwareFileParser {
public:
    MbuAndTamarindFirmwareFileParser(const BlockTag& mbuTag, const BlockTag& cpuAppTag,
                                     const BlockTag& cpuNetTag, const BlockSecret& mbuSecret,
                                     const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret,
                                     DetectorType detectorType);

    // Control-pod major: for each control-pod record in order, every matching Tamarind record in order.
    std::vector<std::unique_ptr<IFirmwareCatalogFile>> parseFile(const QString& path) override;

protected:
    virtual void addCombinedCatalogFile(std::vector<std::unique_ptr<IFirmwareCatalogFile>>& result,
                                        const QString& path, const MbuFirmwareInfo& mbuInfo,
                                        const TamarindFirmwareInfo& tamarindInfo, const Header& header);

private:
    MbuFirmwareFileParser<Header> mbuParser_;
    TamarindFirmwareFileParser tamarindParser_;
};

extern template class MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>;

} // namespace fwup
