#include "fwup/coordination/remote_firmware_locator.h"

#include "fwup/coordination/firmware_downloader.h"

namespace fwup {

RemoteFirmwareLocator::RemoteFirmwareLocator(QObject* parent)
    : QObject(parent) {
}

RemoteFirmwareLocator::~RemoteFirmwareLocator() = default;

QList<QSharedPointer<RemoteFirmwareLocator>>& global_remote_firmware_locator_registry() {
    static QList<QSharedPointer<RemoteFirmwareLocator>> registry;
    return registry;
}

} // namespace fwup
