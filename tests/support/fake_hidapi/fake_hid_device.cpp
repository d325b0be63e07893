#include "tests/support/fake_hidapi/fake_hid_device.h"

namespace cuu::test {

FakeHidDevice::FakeHidDevice(quint16 vendorId, quint16 productId, const QString& path,
                             const QString& serialNumber)
    : vendorId_(vendorId)
    , productId_(productId)
    , serialNumber_(serialNumber)
    , path_(path) {
}

FakeHidDevice::~FakeHidDevice() = default;

quint16 FakeHidDevice::vendorId() const {
    return vendorId_;
}

quint16 FakeHidDevice::productId() const {
    return productId_;
}

QString FakeHidDevice::serialNumber() const {
    return serialNumber_;
}

QString FakeHidDevice::path() const {
    const std::lock_guard lock(mutex_);
    return path_;
}

void FakeHidDevice::setPath(const QString& path) {
    const std::lock_guard lock(mutex_);
    Q_ASSERT_X(!plugged_, "FakeHidDevice::setPath", "a plugged device keeps its path");
    path_ = path;
}

void FakeHidDevice::pushReport(const QByteArray& report) {
    const std::lock_guard lock(mutex_);
    inputReports_.append(report);
}

int FakeHidDevice::pendingReportCount() const {
    const std::lock_guard lock(mutex_);
    return static_cast<int>(inputReports_.size());
}

void FakeHidDevice::clearPendingReports() {
    const std::lock_guard lock(mutex_);
    inputReports_.clear();
}

QList<QByteArray> FakeHidDevice::takePendingReports() {
    const std::lock_guard lock(mutex_);
    QList<QByteArray> reports;
    reports.swap(inputReports_);
    return reports;
}

QList<QByteArray> FakeHidDevice::writtenReports() const {
    const std::lock_guard lock(mutex_);
    return writtenReports_;
}

QList<QByteArray> FakeHidDevice::takeWrittenReports() {
    const std::lock_guard lock(mutex_);
    QList<QByteArray> reports;
    reports.swap(writtenReports_);
    return reports;
}

void FakeHidDevice::setOpenFailures(int count) {
    const std::lock_guard lock(mutex_);
    openFailures_ = count;
}

void FakeHidDevice::setWriteFailures(int count) {
    const std::lock_guard lock(mutex_);
    writeFailures_ = count;
}

void FakeHidDevice::setWriteStalls(int count) {
    const std::lock_guard lock(mutex_);
    writeStalls_ = count;
}

void FakeHidDevice::setReadFailures(int count) {
    const std::lock_guard lock(mutex_);
    readFailures_ = count;
}

void FakeHidDevice::setReadStalls(int count) {
    const std::lock_guard lock(mutex_);
    readStalls_ = count;
}

int FakeHidDevice::openAttemptCount() const {
    const std::lock_guard lock(mutex_);
    return openAttempts_;
}

int FakeHidDevice::openCount() const {
    const std::lock_guard lock(mutex_);
    return opens_;
}

int FakeHidDevice::openHandleCount() const {
    const std::lock_guard lock(mutex_);
    return openHandles_;
}

int FakeHidDevice::writeCallCount() const {
    const std::lock_guard lock(mutex_);
    return writeCalls_;
}

int FakeHidDevice::readCallCount() const {
    const std::lock_guard lock(mutex_);
    return readCalls_;
}

bool FakeHidDevice::isPlugged() const {
    const std::lock_guard lock(mutex_);
    return plugged_;
}

void FakeHidDevice::onReport(const QByteArray& report) {
    const std::lock_guard lock(mutex_);
    writtenReports_.append(report);
}

void FakeHidDevice::onOpened() {
}

void FakeHidDevice::onClosed() {
}

bool FakeHidDevice::takeFault(int& count) {
    if (count == kAlways) {
        return true;
    }
    if (count > 0) {
        --count;
        return true;
    }
    return false;
}

} // namespace cuu::test
