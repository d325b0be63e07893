#pragma once

#include "fwup/identification/i_system_identity.h"

#include <QList>
#include <QSharedPointer>
#include <QString>

#include <functional>
#include <memory>

namespace fwup {

// Answers which detector system of one family sits at a location string.
class DetectorIdentifier {
public:
    virtual ~DetectorIdentifier() = default;

    // Empty when the location holds no system of this family or the identification failed.
    virtual std::unique_ptr<ISystemIdentity> identifyDetector(const QString& location) = 0;

protected:
    DetectorIdentifier() = default;
    DetectorIdentifier(const DetectorIdentifier&) = default;
    DetectorIdentifier& operator=(const DetectorIdentifier&) = default;
};

// The identifiers of every supported family, in registration order. Filled once at start-up by the
// family registrars and only read afterwards; take a copy before walking it.
QList<QSharedPointer<DetectorIdentifier>>& global_detector_identifier_registry();

// Asks each registered identifier in turn about location and returns the first identity that accept
// takes (any identity when accept is empty); empty when there is none. Walks a copy of the registry,
// since identification pumps the event loop.
std::unique_ptr<ISystemIdentity>
identify_detector_at(const QString& location, const std::function<bool(const ISystemIdentity&)>& accept = {});

} // namespace fwup
