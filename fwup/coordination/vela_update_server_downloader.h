#pragma once

#include "fwup/coordination/firmware_downloader.h"

#include <memory>

class QString;
class QUrl;

namespace fwup {

// Fetches one firmware image from the update server in numbered segments, each a GET of "/detcode"
// answered by JSONP carrying the segment's bytes in Base64, and appends them in order to the
// destination file. One request at a time; any fault ends the download with finished(false).
class VelaUpdateServerDownloader : public FirmwareDownloader {
public:
    // Image bytes in every segment but the last.
    static constexpr int SEGMENT_SIZE = 740000;

    VelaUpdateServerDownloader(const Version& detectorVersion, const Version& podVersion, const QUrl& baseUrl,
                               const QString& detectorName, int totalSegments, int appSize, QObject* parent);
    ~VelaUpdateServerDownloader() override;

    Version detectorVersion() const override;
    Version gprVersion() const override;
    Version podVersion() const override;
    // Estimated bytes on the wire: the Base64 image and a fixed overhead per segment.
    int downloadSize() const override;

protected:
    void startDownloadImpl() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace fwup
