#pragma once

#include "fwup/coordination/firmware_update_state_machine.h"
#include "fwup/identification/detector_type.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>

namespace fwup {

// Tells whether this program can install an offered firmware on a detector of the given type.
class FirmwareVersionChecker : public QObject {
    Q_OBJECT

public:
    ~FirmwareVersionChecker() override;

    // One of the answers in version_check_answer.h.
    virtual int checkSupport(DetectorType detectorType,
                             const FirmwareUpdateStateMachine::AvailableFirmware& firmware) = 0;

protected:
    explicit FirmwareVersionChecker(QObject* parent = nullptr);
};

// Empty in the shipped configuration; take a copy before walking it.
QList<QSharedPointer<FirmwareVersionChecker>>& global_firmware_version_checker_registry();

} // namespace fwup
