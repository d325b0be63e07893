#pragma once

#include <QList>
#include <QObject>
#include <QSharedPointer>

#include <memory>

namespace fwup {

class FirmwareDownloader;
class ISystemIdentity;

// Asks an outside source whether newer firmware exists for an identified detector, and hands out a
// downloader for it when it does.
class RemoteFirmwareLocator : public QObject {
    Q_OBJECT

public:
    ~RemoteFirmwareLocator() override;

    // True when this locator handles the detector; searchFinished follows exactly once. False when the
    // detector is not this locator's: nothing starts and no signal follows.
    virtual bool startSearchForLatestVersion(const ISystemIdentity& identity) = 0;
    // After searchFinished: a new downloader for the newest firmware found, or empty when there is
    // nothing to download.
    virtual std::unique_ptr<FirmwareDownloader> latestVersionDownloader() = 0;

signals:
    // After every accepted search, whether it found an update, found none or failed.
    void searchFinished();

protected:
    explicit RemoteFirmwareLocator(QObject* parent = nullptr);
};

// Empty in the shipped configuration; a family may register locators at start-up.
QList<QSharedPointer<RemoteFirmwareLocator>>& global_remote_firmware_locator_registry();

} // namespace fwup
