#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <mutex>

namespace cuu::test {

class FakeHidBus;

// The device side of one simulated USB HID device behind the hidapi stand-in. Plug it into
// FakeHidBus::instance() to make it visible to hid_enumerate and openable with hid_open_path.
//
// Derive from it to simulate a real device: override onReport() to see each output report the host
// writes, and call pushReport() to queue input reports for the host's hid_read. Everything may run on
// one thread: onReport() is called synchronously inside hid_write, outside any lock of the stand-in,
// so it may push replies straight away.
class FakeHidDevice {
public:
    // Fault counts: the next n calls of that kind fail; kAlways makes every call fail until reset to 0.
    static constexpr int kAlways = -1;

    FakeHidDevice(quint16 vendorId, quint16 productId, const QString& path, const QString& serialNumber = {});
    virtual ~FakeHidDevice();

    FakeHidDevice(const FakeHidDevice&) = delete;
    FakeHidDevice& operator=(const FakeHidDevice&) = delete;

    quint16 vendorId() const;
    quint16 productId() const;
    QString serialNumber() const;
    QString path() const;
    // Only while unplugged; FakeHidBus::replug does it for you.
    void setPath(const QString& path);

    // Queues one input report for the host. With report id 0 it holds just the data bytes, as
    // hid_read hands them out; hid_read truncates a report longer than the host's buffer.
    void pushReport(const QByteArray& report);
    int pendingReportCount() const;
    void clearPendingReports();
    // Takes the queued input reports out, to hand them to the host later with pushReport.
    QList<QByteArray> takePendingReports();

    // Every output report written so far, exactly as handed to hid_write (report-id byte first).
    QList<QByteArray> writtenReports() const;
    QList<QByteArray> takeWrittenReports();

    // Knobs. Failing opens make hid_open_path/hid_open return null; failing writes make hid_write return
    // -1 and stalled writes make it return 0 (nothing is delivered either way); failing reads make
    // hid_read return -1; stalled reads make it return 0, as if nothing had arrived yet (queued reports
    // wait).
    void setOpenFailures(int count);
    void setWriteFailures(int count);
    void setWriteStalls(int count);
    void setReadFailures(int count);
    void setReadStalls(int count);

    // Counters: open attempts (successful or not) and successful opens of this device, handles of it
    // that are open now, and hid_write / hid_read calls on it.
    int openAttemptCount() const;
    int openCount() const;
    int openHandleCount() const;
    int writeCallCount() const;
    int readCallCount() const;
    bool isPlugged() const;

protected:
    // Called for each report the host writes successfully. The default records it for writtenReports().
    virtual void onReport(const QByteArray& report);
    // Called when a host handle to the device is opened or closed.
    virtual void onOpened();
    virtual void onClosed();

private:
    friend class FakeHidBus;
    friend struct FakeHidHost;

    static bool takeFault(int& count);

    mutable std::mutex mutex_;
    const quint16 vendorId_;
    const quint16 productId_;
    const QString serialNumber_;
    QString path_;
    QList<QByteArray> inputReports_;
    QList<QByteArray> writtenReports_;
    int openFailures_ = 0;
    int writeFailures_ = 0;
    int writeStalls_ = 0;
    int readFailures_ = 0;
    int readStalls_ = 0;
    int openAttempts_ = 0;
    int opens_ = 0;
    int openHandles_ = 0;
    int writeCalls_ = 0;
    int readCalls_ = 0;
    // Bumped on every unplug, so that handles opened before it go stale.
    quint64 generation_ = 0;
    // The 1 ms frames the last write and the last read of a report took, under full-speed pacing.
    qint64 lastWriteFrame_ = -1;
    qint64 lastReadFrame_ = -1;
    bool plugged_ = false;
};

} // namespace cuu::test
