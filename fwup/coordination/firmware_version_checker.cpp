#include "fwup/coordination/firmware_version_checker.h"

namespace fwup {

FirmwareVersionChecker::FirmwareVersionChecker(QObject* parent)
    : QObject(parent) {
}

FirmwareVersionChecker::~FirmwareVersionChecker() = default;

QList<QSharedPointer<FirmwareVersionChecker>>& global_firmware_version_checker_registry() {
    static QList<QSharedPointer<FirmwareVersionChecker>> registry;
    return registry;
}

} // namespace fwup
