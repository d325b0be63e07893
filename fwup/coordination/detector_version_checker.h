#pragma once

#include <QList>
#include <QObject>
#include <QSharedPointer>

namespace fwup {

class ISystemIdentity;

// Tells whether this program can handle an identified detector system.
class DetectorVersionChecker : public QObject {
    Q_OBJECT

public:
    ~DetectorVersionChecker() override;

    // One of the answers in version_check_answer.h.
    virtual int checkSupport(const ISystemIdentity& identity) = 0;

protected:
    explicit DetectorVersionChecker(QObject* parent = nullptr);
};

// Filled once by the family registrar; take a copy before walking it.
QList<QSharedPointer<DetectorVersionChecker>>& global_detector_version_checker_registry();

} // namespace fwup
