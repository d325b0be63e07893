#include "fwup/coordination/firmware_downloader.h"

namespace fwup {

FirmwareDownloader::FirmwareDownloader(QObject* parent)
    : QObject(parent) {
}

FirmwareDownloader::~FirmwareDownloader() = default;

void FirmwareDownloader::startDownload(const QString& destinationPath) {
    this->destinationPath = destinationPath;
    startDownloadImpl();
}

} // namespace fwup
