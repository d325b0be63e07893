#pragma once

#include "fwup/coordination/remote_firmware_locator.h"
#include "fwup/identification/detector_type.h"

#include <memory>

class QNetworkReply;
class QString;
class QUrl;

namespace fwup {

// Asks the update server over HTTP whether it offers newer firmware for one detector type, and hands
// out a segmented downloader for what it offers. Each accepted search sends one GET of "/update" and
// ends with searchFinished when the reply is in; a failed query records no update.
class VelaUpdateServerFirmwareLocator : public RemoteFirmwareLocator {
public:
    // The "update_server" setting's default. A placeholder that reaches no service: an update server
    // must be configured before the locator can find anything.
    static constexpr const char* DEFAULT_BASE_URL = "https://updates.example.invalid/";

    // `baseUrl`'s path is replaced on every request.
    VelaUpdateServerFirmwareLocator(DetectorType detectorType, const QString& detectorName,
                                    const QUrl& baseUrl);
    ~VelaUpdateServerFirmwareLocator() override;

    bool startSearchForLatestVersion(const ISystemIdentity& identity) override;
    // A new downloader for the offer of the latest reply, or empty when it offered no update.
    std::unique_ptr<FirmwareDownloader> latestVersionDownloader() override;

private:
    struct Impl;

    void onRequestFinished(QNetworkReply* reply);

    std::unique_ptr<Impl> d;
};

} // namespace fwup
