#pragma once

#include "fwup/coordination/remote_firmware_locator.h"
#include "fwup/identification/detector_type.h"

namespace fwup {

// A remote locator for one detector type that finds nothing: each accepted search ends after a fixed
// delay with no downloader to offer.
class NoopRemoteFirmwareLocator : public RemoteFirmwareLocator {
public:
    NoopRemoteFirmwareLocator(DetectorType detectorType, int delayMs);

    bool startSearchForLatestVersion(const ISystemIdentity& identity) override;
    std::unique_ptr<FirmwareDownloader> latestVersionDownloader() override;

private:
    void onTimeout();

    DetectorType detectorType;
    int delayMs;
};

} // namespace fwup
