#include "fwup/coordination/noop_remote_firmware_locator.h"

#include "fwup/coordination/firmware_downloader.h"
#include "fwup/identification/i_system_identity.h"

#include <QTimer>

namespace fwup {

NoopRemoteFirmwareLocator::NoopRemoteFirmwareLocator(DetectorType detectorType, int delayMs)
    : detectorType(detectorType)
    , delayMs(delayMs) {
}

bool NoopRemoteFirmwareLocator::startSearchForLatestVersion(const ISystemIdentity& identity) {
    if (identity.detectorType() != detectorType) {
        return false;
    }
    // QTimer picks a precise timer below 2000 ms and a coarse one from there on.
    QTimer::singleShot(delayMs, this, &NoopRemoteFirmwareLocator::onTimeout);
    return true;
}

std::unique_ptr<FirmwareDownloader> NoopRemoteFirmwareLocator::latestVersionDownloader() {
    return {};
}

void NoopRemoteFirmwareLocator::onTimeout() {
    emit searchFinished();
}

} // namespace fwup
