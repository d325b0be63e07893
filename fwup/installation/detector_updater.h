#pragma once

#include "fwup/installation/updater_status.h"

#include <QList>
#include <QObject>
#include <QSharedPointer>
#include <QString>

namespace fwup {

class ISystemIdentity;
class ISystemUpdate;

// Installs extracted firmware on one kind of detector system.
class DetectorUpdater : public QObject {
    Q_OBJECT

public:
    ~DetectorUpdater() override;

    // False, with no signal to follow, when this updater does not handle the system or the update.
    // True once the update has begun: progress may follow and `finished` follows exactly once, both
    // only after this call has returned. The caller keeps all three arguments alive until `finished`.
    virtual bool startUpdate(const ISystemIdentity& identity, const QString& location,
                             const ISystemUpdate& update) = 0;

signals:
    void updateProgress(bool determinate, int percent);
    void finished(fwup::UpdaterStatus status);

protected:
    explicit DetectorUpdater(QObject* parent = nullptr);
};

// Filled once by the family registrar at start-up; the first updater that accepts is used. Take a
// copy before walking it.
QList<QSharedPointer<DetectorUpdater>>& global_detector_updater_registry();

} // namespace fwup
