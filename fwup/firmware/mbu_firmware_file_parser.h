#pragma once

#include "fwup/firmware/block_keys.h"
#include "fwup/firmware/bluetooth_client_metadata.h"
#include "fwup/firmware/firmware_file_parser.h"
#include "fwup/firmware/mbu_firmware_catalog_file.h"

namespace fwup {

// Finds the control-pod images of one detector model in a container: one catalog file per block of
// the model's tag and per control-pod hardware version its header names. Header is the MBU metadata
// header kind (the revision-2 header is the one in use).
template <typename Header>
class MbuFirmwareFileParser : public FirmwareFileParser {
public:
    using CatalogFile = MbuFirmwareCatalogFile<Header>;

    MbuFirmwareFileParser(DetectorType detectorType, const BlockTag& mbuTag, const BlockSecret& mbuSecret);

    std::vector<std::unique_ptr<IFirmwareCatalogFile>> parseFile(const QString& path) override;
    // The same, typed for the combined parser, which reads the headers.
    std::vector<std::unique_ptr<CatalogFile>> parseMbuFile(const QString& path) const;

private:
    DetectorType detectorType_;
    BlockTag mbuTag_;
    BlockSecret mbuSecret_;
};

extern template class MbuFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>;

} // namespace fwup
