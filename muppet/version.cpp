#include "muppet/version.h"

#include <QString>

namespace fwup {

QString Version::toString() const {
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch);
}

} // namespace fwup
