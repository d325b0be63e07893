#pragma once

#include "fwup/identification/detector_type.h"

#include <QList>
#include <QSharedPointer>
#include <QString>

#include <cstdint>

namespace fwup {

// Asks a detector whether it is fit to be upgraded now, for the detector types it accepts.
class DetectorUpgradeReadinessChecker {
public:
    // Any value but the two named failures counts as ready.
    enum class ReadinessStatus : std::uint32_t {
        READY = 0,
        BATTERY_CHECK_FAILED = 1,
        BATTERY_LOW = 3,
    };

    virtual ~DetectorUpgradeReadinessChecker();

    virtual ReadinessStatus readiness(const QString& location) = 0;
    virtual bool accepts(const DetectorType& type) = 0;

protected:
    DetectorUpgradeReadinessChecker() = default;
    DetectorUpgradeReadinessChecker(const DetectorUpgradeReadinessChecker&) = default;
    DetectorUpgradeReadinessChecker& operator=(const DetectorUpgradeReadinessChecker&) = default;
};

// Empty in the shipped configuration; take a copy before walking it.
QList<QSharedPointer<DetectorUpgradeReadinessChecker>>& global_detector_upgrade_status_checker_registry();

} // namespace fwup
