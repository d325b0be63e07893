#pragma once

#include "fwup/firmware/mbu_and_tamarind_catalog_manager.h"
#include "muppet/product_type_id.h"

namespace fwup {

// The Lodestar family's manager: a control pod that waits in its bootloader is offered only the newest
// firmware that fits it, since there is no installed version to choose an older one against.
class LodestarCatalogManager : public MbuAndTamarindCatalogManager {
public:
    static constexpr cvsw::muppet::ProductTypeId LODESTAR_CONTROL_POD_BOOTLOADER = 145;

    explicit LodestarCatalogManager(
        cvsw::muppet::ProductTypeId bootloaderProductType = LODESTAR_CONTROL_POD_BOOTLOADER);

    // The general search; of two or more results for a pod in its bootloader, only the newest, the
    // earliest in manifest order among equals.
    std::vector<std::unique_ptr<IFirmwareCatalogFile>>
    catalogFilesForSystem(const ISystemIdentity& identity, const QDir& catalogDirectory,
                          const QJsonObject& manifest) const override;

private:
    cvsw::muppet::ProductTypeId bootloaderProductType_;
};

} // namespace fwup
