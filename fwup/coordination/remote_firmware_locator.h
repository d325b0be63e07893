#pragma once

#include <QList>
#include <QObject>
#include <QSharedPointer>

#include <memory>

namespace fwup {

class FirmwareDownloader;
class ISystemIdentity;

// Asks a remote source for the newest firmware of a detector.
class RemoteFirmwareLocator : public QObject {
    Q_OBJECT

public:
    ~RemoteFirmwareLocator() override;

    // True when this locator handles the detector; `searchFinished` then follows once, whatever the
    // search found. False starts nothing.
    virtual bool startSearchForLatestVersion(const ISystemIdentity& identity) = 0;
    // After `searchFinished`: a new downloader for the caller to own, or empty when there is
    // nothing to fetch.
    virtual std::unique_ptr<FirmwareDownloader> latestVersionDownloader() = 0;

signals:
    void searchFinished();

protected:
    explicit RemoteFirmwareLocator(QObject* parent = nullptr);
};

// Empty in the shipped configuration; the first locator that accepts is used. Take a copy before
// walking it.
QList<QSharedPointer<RemoteFirmwareLocator>>& global_remote_firmware_locator_registry();

} // namespace fwup
