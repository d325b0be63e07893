#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/fake_hidapi/fake_hid_device.h"

#include <hidapi.h>

#include <QElapsedTimer>
#include <QTest>

#include <algorithm>

#include <memory>

using cuu::test::FakeHidBus;
using cuu::test::FakeHidDevice;

namespace {

struct Listed {
    quint16 vendorId;
    quint16 productId;
    QString path;
    QString serialNumber;

    friend bool operator==(const Listed&, const Listed&) = default;
};

QList<Listed> enumerate(quint16 vendorId, quint16 productId) {
    QList<Listed> listed;
    hid_device_info* head = hid_enumerate(vendorId, productId);
    for (const hid_device_info* record = head; record != nullptr; record = record->next) {
        listed.append({record->vendor_id, record->product_id, QString::fromUtf8(record->path),
                       QString::fromWCharArray(record->serial_number)});
    }
    hid_free_enumeration(head);
    return listed;
}

// A device that answers every report with the same bytes reversed, as a simulated detector would.
class EchoDevice final : public FakeHidDevice {
public:
    using FakeHidDevice::FakeHidDevice;

    int opened = 0;
    int closed = 0;

protected:
    void onReport(const QByteArray& report) override {
        FakeHidDevice::onReport(report);
        QByteArray reply = report.mid(1);
        std::reverse(reply.begin(), reply.end());
        pushReport(reply);
    }
    void onOpened() override { ++opened; }
    void onClosed() override { ++closed; }
};

} // namespace

class TestFakeHidapi : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void enumerateFilters_data();
    void enumerateFilters();
    void enumerationFailure();
    void openByIds();
    void deviceAnswersReports();
    void readTruncatesToBuffer();
    void replugMakesHandlesStale();
    void faultsCountDown();
    void fullSpeedPacing();
};

void TestFakeHidapi::cleanup() {
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    QCOMPARE(FakeHidBus::instance().outstandingEnumerationCount(), 0);
    FakeHidBus::instance().reset();
}

void TestFakeHidapi::enumerateFilters_data() {
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addColumn<QStringList>("paths");

    QTest::newRow("everything") << 0 << 0 << QStringList{"/a", "/b", "/c"};
    QTest::newRow("vendor") << 0x2E7A << 0 << QStringList{"/a", "/b"};
    QTest::newRow("vendor and product") << 0x2E7A << 0x1321 << QStringList{"/b"};
    QTest::newRow("no match") << 0x2E7A << 0x9999 << QStringList{};
}

void TestFakeHidapi::enumerateFilters() {
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    QFETCH(QStringList, paths);

    FakeHidBus& bus = FakeHidBus::instance();
    bus.plug(std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, "/a", "S1"));
    bus.plug(std::make_shared<FakeHidDevice>(0x2E7A, 0x1321, "/b", "S2"));
    bus.plug(std::make_shared<FakeHidDevice>(0x1234, 0x1321, "/c"));

    QStringList listedPaths;
    for (const Listed& listed : enumerate(static_cast<quint16>(vendorId), static_cast<quint16>(productId))) {
        listedPaths.append(listed.path);
    }
    QCOMPARE(listedPaths, paths);
    QCOMPARE(enumerate(0x2E7A, 0x1321), (QList<Listed>{{0x2E7A, 0x1321, "/b", "S2"}}));
}

void TestFakeHidapi::enumerationFailure() {
    FakeHidBus::instance().plug(std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, "/a"));
    FakeHidBus::instance().setEnumerationFails(true);
    QCOMPARE(hid_enumerate(0, 0), nullptr);
}

void TestFakeHidapi::openByIds() {
    const auto device = std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, "/a", "S1");
    FakeHidBus::instance().plug(device);
    QCOMPARE(hid_open(0x2E7A, 0x1321, nullptr), nullptr);
    QCOMPARE(hid_open(0x2E7A, 0x1320, L"S2"), nullptr);
    hid_device* handle = hid_open(0x2E7A, 0x1320, L"S1");
    QVERIFY(handle != nullptr);
    QCOMPARE(device->openHandleCount(), 1);
    hid_close(handle);
    QCOMPARE(device->openHandleCount(), 0);
    QCOMPARE(FakeHidBus::instance().openIdLog().size(), 3);
}

void TestFakeHidapi::deviceAnswersReports() {
    const auto device = std::make_shared<EchoDevice>(0x2E7A, 0x1320, "/a");
    FakeHidBus::instance().plug(device);
    hid_device* handle = hid_open_path("/a");
    QVERIFY(handle != nullptr);
    QCOMPARE(device->opened, 1);
    QCOMPARE(hid_set_nonblocking(handle, 1), 0);

    unsigned char buffer[64] = {};
    QCOMPARE(hid_read(handle, buffer, sizeof buffer), 0);
    const unsigned char out[4] = {0, 1, 2, 3};
    QCOMPARE(hid_write(handle, out, sizeof out), 4);
    QCOMPARE(hid_read(handle, buffer, sizeof buffer), 3);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer), 3), QByteArray("\x03\x02\x01"));
    QCOMPARE(device->writtenReports(), QList<QByteArray>{QByteArray("\x00\x01\x02\x03", 4)});
    hid_close(handle);
    QCOMPARE(device->closed, 1);
}

void TestFakeHidapi::readTruncatesToBuffer() {
    const auto device = std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, "/a");
    FakeHidBus::instance().plug(device);
    hid_device* handle = hid_open_path("/a");
    device->pushReport("abcdef");
    unsigned char buffer[4] = {};
    QCOMPARE(hid_read(handle, buffer, sizeof buffer), 4);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer), 4), QByteArray("abcd"));
    QCOMPARE(device->pendingReportCount(), 0);
    hid_close(handle);
}

void TestFakeHidapi::replugMakesHandlesStale() {
    const auto device = std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, "/a");
    FakeHidBus::instance().plug(device);
    hid_device* handle = hid_open_path("/a");
    QVERIFY(handle != nullptr);

    FakeHidBus::instance().replug(device, "/b");
    const unsigned char out[2] = {0, 1};
    unsigned char in[2] = {};
    QCOMPARE(hid_write(handle, out, sizeof out), -1);
    QCOMPARE(hid_read(handle, in, sizeof in), -1);
    QCOMPARE(hid_open_path("/a"), nullptr);
    QCOMPARE(enumerate(0, 0), (QList<Listed>{{0x2E7A, 0x1320, "/b", ""}}));
    hid_close(handle);

    handle = hid_open_path("/b");
    QVERIFY(handle != nullptr);
    QCOMPARE(hid_write(handle, out, sizeof out), 2);
    hid_close(handle);
}

void TestFakeHidapi::faultsCountDown() {
    const auto device = std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, "/a");
    FakeHidBus::instance().plug(device);

    device->setOpenFailures(2);
    QCOMPARE(hid_open_path("/a"), nullptr);
    QCOMPARE(hid_open_path("/a"), nullptr);
    hid_device* handle = hid_open_path("/a");
    QVERIFY(handle != nullptr);
    QCOMPARE(device->openAttemptCount(), 3);
    QCOMPARE(device->openCount(), 1);

    const unsigned char out[2] = {0, 1};
    unsigned char in[2] = {};
    device->setWriteStalls(1);
    device->setWriteFailures(FakeHidDevice::kAlways);
    QCOMPARE(hid_write(handle, out, sizeof out), -1);
    QCOMPARE(hid_write(handle, out, sizeof out), -1);
    device->setWriteFailures(0);
    QCOMPARE(hid_write(handle, out, sizeof out), 0);
    QCOMPARE(hid_write(handle, out, sizeof out), 2);

    device->setReadFailures(1);
    QCOMPARE(hid_read(handle, in, sizeof in), -1);
    QCOMPARE(hid_read(handle, in, sizeof in), 0);
    QCOMPARE(device->writeCallCount(), 4);
    QCOMPARE(device->readCallCount(), 2);
    hid_close(handle);
}

QTEST_GUILESS_MAIN(TestFakeHidapi)
#include "tst_fake_hidapi.moc"

// Bounds from measured time only, so a busy machine cannot break them: paced writes take a frame
// each, and a burst of reads gets no more reports than the frames it spans.
void TestFakeHidapi::fullSpeedPacing() {
    QVERIFY(!FakeHidBus::instance().isFullSpeedPacing());
    FakeHidBus::instance().setFullSpeedPacing(true);
    const auto device = std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, "/a");
    FakeHidBus::instance().plug(device);
    hid_device* handle = hid_open_path("/a");
    const unsigned char out[2] = {0, 1};
    unsigned char in[4] = {};
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(hid_write(handle, out, sizeof out), 2);
    }
    QVERIFY2(clock.elapsed() >= 4, qPrintable(QString::number(clock.elapsed())));

    for (int i = 0; i < 50; ++i) {
        device->pushReport(QByteArray(1, char(i)));
    }
    int received = 0;
    clock.restart();
    for (int i = 0; i < 200; ++i) {
        received += hid_read(handle, in, sizeof in) > 0 ? 1 : 0;
    }
    QVERIFY(received >= 1);
    QVERIFY2(received <= clock.elapsed() + 2, qPrintable(QStringLiteral("%1 reports").arg(received)));
    hid_close(handle);
}
