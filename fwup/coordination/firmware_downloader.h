#pragma once

// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QObject>
#include <QString>

#include "muppet/version.h"

namespace fwup {

// Fetches one firmware file from a remote source into a local file. Handed out by a remote firmware
// locator; the caller owns it, connects to both signals and then calls startDownload.
class FirmwareDownloader : public QObject {
    Q_OBJECT

public:
    ~FirmwareDownloader() override;

    virtual Version detectorVersion() const = 0;
    virtual Version gprVersion() const = 0;
    virtual Version podVersion() const = 0;
    // Bytes the download transfers, as shown to the user.
    virtual int downloadSize() const = 0;

    // Downloads into the file at destinationPath, replacing what it holds.
    void startDownload(const QString& destinationPath);

signals:
    void downloadProgress(int percent);
    // Exactly once per start; true when the whole image is in the destination file, which is closed.
    void finished(bool success);

protected:
    explicit FirmwareDownloader(QObject* parent = nullptr);

    virtual void startDownloadImpl() = 0;

    QString destinationPath;
};

} // namespace fwup
