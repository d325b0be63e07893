#pragma once

#include "fwup/coordination/firmware_update_state_machine.h"

#include <QMap>

// After the Qt headers: moc reads <compare> wrongly unless a Qt header came first.
#include "fwup/identification/upgradeable_component.h"
#include "muppet/version.h"

#include <vector>

namespace fwup {

class ISystemIdentity;

// Which of the four pages a detector with known firmware gets, once the catalog has been searched.
struct UpdatePageChoice {
    enum class Page {
        RESTORE,
        UP_TO_DATE,
        UPDATE_AVAILABLE,
        DOWNLOAD_AVAILABLE,
    };

    Page page = Page::RESTORE;
    // What the detector counts as having: nothing while its components are invalid or of unknown
    // validity, so that it is always offered the newest firmware.
    QMap<UpgradeableComponent, Version> installed;
    // The detector's coil may be what kept its versions from being read.
    bool coilHint = false;
};

// Logs why installed versions are disregarded; asks nothing of the state machine.
UpdatePageChoice choose_update_page(bool restoreMode, const ISystemIdentity& identity,
                                    const FirmwareUpdateStateMachine::AvailableFirmware& latest);

// The firmware offered for restore: oldest first, without the one whose versions are installed.
std::vector<FirmwareUpdateStateMachine::AvailableFirmware>
restore_list(std::vector<FirmwareUpdateStateMachine::AvailableFirmware> known,
             const QMap<UpgradeableComponent, Version>& installed);

} // namespace fwup
