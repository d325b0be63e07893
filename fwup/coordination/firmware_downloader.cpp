#include "fwup/coordination/firmware_downloader.h"

namespace fwup {

FirmwareDownloader::FirmwareDownloader(QObject* parent)
    : QObject(parent) {
}

FirmwareDownloader::~FirmwareDownloader() = default;

void FirmwareDownloader::startDownload(const QString& destinationPath) {
    destinationPath_ = destinationPath;
    startDownloadImpl();
}

} // namespace fwup
