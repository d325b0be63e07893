#pragma once

#include <QList>
#include <QSharedPointer>
#include <QStringList>

namespace fwup {

// Lists the detectors that can be reached right now, one location string each.
class DetectorLocator {
public:
    virtual ~DetectorLocator() = default;

    virtual QStringList getConnectedDetectors() = 0;

protected:
    DetectorLocator() = default;
    DetectorLocator(const DetectorLocator&) = default;
    DetectorLocator& operator=(const DetectorLocator&) = default;
};

// Every locator is asked, in this order, and the answers joined. Filled once at start-up; take a copy
// before walking it.
QList<QSharedPointer<DetectorLocator>>& global_detector_locator_registry();

} // namespace fwup
