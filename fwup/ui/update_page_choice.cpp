#include "fwup/ui/update_page_choice.h"

#include "fwup/firmware/component_versions.h"
#include "fwup/identification/i_system_identity.h"

#include <QDebug>

#include <algorithm>

namespace fwup {

namespace {

bool takes_coil(DetectorType type) {
    return type == DetectorType::HERON_MODEL_1 || type == DetectorType::HERON_MODEL_2 ||
           type == DetectorType::HERON_MODEL_3;
}

} // namespace

UpdatePageChoice choose_update_page(bool restoreMode, const ISystemIdentity& identity,
                                    const FirmwareUpdateStateMachine::AvailableFirmware& latest) {
    UpdatePageChoice choice;
    if (restoreMode) {
        return choice;
    }
    choice.installed = identity.componentVersions();
    const std::optional<bool> valid = identity.componentsValid();
    if (!valid) {
        qWarning() << "upgradeable component(s) are not available, clearing version to suggest upgrade";
        choice.installed.clear();
    } else if (!*valid) {
        qWarning() << "upgradeable component(s) are not valid, clearing version to suggest upgrade";
        choice.installed.clear();
    }
    choice.coilHint = takes_coil(identity.detectorType());
    if (compare_component_versions(choice.installed, latest.versions) >= 0) {
        choice.page = UpdatePageChoice::Page::UP_TO_DATE;
    } else if (latest.downloadRequired) {
        choice.page = UpdatePageChoice::Page::DOWNLOAD_AVAILABLE;
    } else {
        choice.page = UpdatePageChoice::Page::UPDATE_AVAILABLE;
    }
    return choice;
}

std::vector<FirmwareUpdateStateMachine::AvailableFirmware>
restore_list(std::vector<FirmwareUpdateStateMachine::AvailableFirmware> known,
             const QMap<UpgradeableComponent, Version>& installed) {
    std::stable_sort(known.begin(), known.end(), [](const auto& a, const auto& b) {
        return compare_component_versions(a.versions, b.versions) < 0;
    });
    std::erase_if(known, [&](const auto& firmware) { return firmware.versions == installed; });
    return known;
}

} // namespace fwup
