#pragma once

#include "fwup/firmware/block_keys.h"
#include "fwup/firmware/firmware_file_parser.h"
#include "fwup/firmware/tamarind_firmware_catalog_file.h"

namespace fwup {

// Finds the Tamarind firmware of a container: one catalog file per paired CPUAPP and CPUNET image and
// Tamarind hardware version. It lives inside the combined control-pod and Tamarind parser.
class TamarindFirmwareFileParser : public FirmwareFileParser {
public:
    TamarindFirmwareFileParser(DetectorType detectorType, const BlockTag& cpuAppTag,
                               const BlockTag& cpuNetTag, const BlockSecret& cpuAppSecret,
                               const BlockSecret& cpuNetSecret);
    ~TamarindFirmwareFileParser() override;

    std::vector<std::unique_ptr<IFirmwareCatalogFile>> parseFile(const QString& path) override;
    // The same, typed for the combined parser.
    std::vector<std::unique_ptr<TamarindFirmwareCatalogFile>> parseTamarindFile(const QString& path) const;

private:
    DetectorType detectorType_;
    BlockTag cpuAppTag_;
    BlockTag cpuNetTag_;
    BlockSecret cpuAppSecret_;
    BlockSecret cpuNetSecret_;
};

} // namespace fwup
