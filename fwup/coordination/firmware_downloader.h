#pragma once

#include <QObject>
#include <QString>

// After the Qt headers: moc reads <compare> wrongly unless a Qt header came first.
#include "muppet/version.h"

namespace fwup {

// Fetches one firmware offered by a remote firmware locator into a local file.
class FirmwareDownloader : public QObject {
    Q_OBJECT

public:
    ~FirmwareDownloader() override;

    // Versions of the firmware this downloader fetches.
    virtual Version detectorVersion() const = 0;
    virtual Version gprVersion() const = 0;
    virtual Version podVersion() const = 0;
    // Bytes the download transfers.
    virtual int downloadSize() const = 0;

    // Connect to both signals first: `finished` follows exactly once per start.
    void startDownload(const QString& destinationPath);
    QString destinationPath() const { return destinationPath_; }

signals:
    void downloadProgress(int percent);
    // True when the whole image is in the destination file, which is then closed.
    void finished(bool success);

protected:
    explicit FirmwareDownloader(QObject* parent = nullptr);

    // Writes to destinationPath().
    virtual void startDownloadImpl() = 0;

private:
    QString destinationPath_;
};

} // namespace fwup
