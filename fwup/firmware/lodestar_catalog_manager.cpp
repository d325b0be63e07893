#include "fwup/firmware/lodestar_catalog_manager.h"

#include "fwup/firmware/component_versions.h"
#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/identification/mbu_and_tamarind_system_identity.h"

namespace fwup {

LodestarCatalogManager::LodestarCatalogManager(cvsw::muppet::ProductTypeId bootloaderProductType)
    : bootloaderProductType_(bootloaderProductType) {
}

std::vector<std::unique_ptr<IFirmwareCatalogFile>>
LodestarCatalogManager::catalogFilesForSystem(const ISystemIdentity& identity, const QDir& catalogDirectory,
                                              const QJsonObject& manifest) const {
    auto files = MbuAndTamarindCatalogManager::catalogFilesForSystem(identity, catalogDirectory, manifest);
    const auto* system = dynamic_cast<const MbuAndTamarindSystemIdentity*>(&identity);
    if (!system || system->mbuIdentity().productType != bootloaderProductType_ || files.size() < 2) {
        return files;
    }
    std::size_t newest = 0;
    for (std::size_t i = 1; i < files.size(); ++i) {
        if (catalog_file_is_older(files[newest], files[i])) {
            newest = i;
        }
    }
    std::vector<std::unique_ptr<IFirmwareCatalogFile>> result;
    result.push_back(std::move(files[newest]));
    return result;
}

} // namespace fwup
