#pragma once

#include "fwup/firmware/i_catalog_manager.h"

namespace fwup {

// Catalogues firmware for a control pod with its Tamarind sub-system (MbuAndTamarindFirmwareCatalogFile)
// and finds it again for an MbuAndTamarindSystemIdentity. An entry is identified by its control-pod
// version, control-pod hardware version and Tamarind hardware version, so firmwares that differ only in
// their Tamarind software or their file replace each other.
class MbuAndTamarindCatalogManager : public ICatalogManager {
public:
    void addOrUpdateEntry(QJsonObject& manifest, const IFirmwareCatalogFile& file,
                          const QString& md5) const override;
    // Every entry whose control-pod hardware fits the pod and whose Tamarind hardware fits the
    // sub-system (any, while the sub-system's hardware is unknown, revision 0). Entries that name no
    // catalogued file are passed over.
    std::vector<std::unique_ptr<IFirmwareCatalogFile>>
    catalogFilesForSystem(const ISystemIdentity& identity, const QDir& catalogDirectory,
                          const QJsonObject& manifest) const override;
    QJsonObject makeCatalogEntry(QString md5, const IFirmwareCatalogFile& file) const override;
    // Refuses other kinds of file, and block indices that do not fit the manifest's 32-bit integers.
    bool canCatalog(const IFirmwareCatalogFile& file) const override;
    // The detector types of the rebuilt file are the identity's, never the manifest's.
    bool catalogFileFromEntry(std::vector<std::unique_ptr<IFirmwareCatalogFile>>& result,
                              const ISystemIdentity& identity, const QDir& catalogDirectory,
                              const QJsonObject& entry, std::uint8_t compatibleControlPodHardware,
                              std::uint8_t tamarindHardware) const override;
    const char* detectorTypeName(const MbuAndTamarindFirmwareCatalogFile& file) const override;
};

} // namespace fwup
