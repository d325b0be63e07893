#include "muppet/mcobs1_codec.h"
#include "muppet/usb_hid_endpoint.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/fake_hidapi/fake_hid_device.h"
#include "tests/support/framing/codec_harness.h"

#include <QTest>

#include <memory>

using cuu::test::bufferOf;
using cuu::test::bytesOf;
using cuu::test::CodecHarness;
using cuu::test::FakeHidBus;
using cuu::test::FakeHidDevice;
using cuu::test::ReceivedFrame;
using cuu::test::RecordingNotifier;
using cuu::test::Report;
using cvsw::muppet::BasicStdVectorBuffer;

using HidEndpoint = cvsw::muppet::UsbHidEndpoint<64, 0>;

namespace {

const QString kPath = QStringLiteral("/dev/hidraw3");
const QString kOtherPath = QStringLiteral("/dev/hidraw7");
constexpr std::uint32_t kThreshold = 50;

QByteArray ramp(int size, int from = 0) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((from + i + 1) & 0xFF);
    }
    return bytes;
}

// A report as hidapi receives it: report id 0, then the data zero-padded to 64 bytes.
QByteArray report(const QByteArray& data) {
    return QByteArray(1, '\0') + data + QByteArray(64 - data.size(), '\0');
}

} // namespace

class TestUsbHidEndpoint : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openSetsNonBlockingAndReportsResult_data();
    void openSetsNonBlockingAndReportsResult();
    void writeSendsOneReportPerCall();
    void stalledWriteKeepsBytes();
    void failedWriteClosesAndReopensByPath_data();
    void failedWriteClosesAndReopensByPath();
    void failedReadClosesAndReopens();
    void readAppendsReports();
    void reopenNeverOpensByIds();
    void noReopenWithoutThreshold();
    void writeWhileClosedKeepsBytesWithoutClearOnClose();
    void destructionClosesDevice();
    void framesCrossTheLink();

private:
    std::shared_ptr<FakeHidDevice> device_;
};

void TestUsbHidEndpoint::init() {
    device_ = std::make_shared<FakeHidDevice>(0x2E7A, 0x1321, kPath, QStringLiteral("SN1"));
    FakeHidBus::instance().plug(device_);
}

void TestUsbHidEndpoint::cleanup() {
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
    device_.reset();
}

void TestUsbHidEndpoint::openSetsNonBlockingAndReportsResult_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("openFailures");
    QTest::addColumn<bool>("opened");

    QTest::newRow("device present") << kPath << 0 << true;
    QTest::newRow("no device at the path") << kOtherPath << 0 << false;
    QTest::newRow("open fails") << kPath << 1 << false;
}

void TestUsbHidEndpoint::openSetsNonBlockingAndReportsResult() {
    QFETCH(QString, path);
    QFETCH(int, openFailures);
    QFETCH(bool, opened);

    device_->setOpenFailures(openFailures);
    HidEndpoint endpoint(true, kThreshold);
    QCOMPARE(endpoint.open(path), opened);
    QCOMPARE(endpoint.isOpen(), opened);
    QCOMPARE(device_->openHandleCount(), opened ? 1 : 0);
    QCOMPARE(FakeHidBus::instance().openPathLog(), QStringList{path});

    // Opening again closes the first handle.
    if (opened) {
        QVERIFY(endpoint.open(path));
        QCOMPARE(device_->openHandleCount(), 1);
    }
}

void TestUsbHidEndpoint::writeSendsOneReportPerCall() {
    RecordingNotifier notifier;
    HidEndpoint endpoint(true, kThreshold);
    QVERIFY(endpoint.open(kPath));
    BasicStdVectorBuffer tx = bufferOf(ramp(100));

    endpoint.write(notifier, tx);
    QCOMPARE(tx.size(), std::size_t{36});
    QCOMPARE(bytesOf(tx), ramp(36, 64));
    endpoint.write(notifier, tx);
    QCOMPARE(tx.size(), std::size_t{0});
    // Nothing left: no report.
    endpoint.write(notifier, tx);

    const QList<QByteArray> reports = device_->writtenReports();
    QCOMPARE(reports.size(), 2);
    QCOMPARE(reports.at(0).size(), 65);
    QCOMPARE(reports.at(1).size(), 65);
    QCOMPARE(reports.at(0), report(ramp(64)));
    QCOMPARE(reports.at(1), report(ramp(36, 64)));
    QVERIFY(notifier.reports.isEmpty());
}

void TestUsbHidEndpoint::stalledWriteKeepsBytes() {
    RecordingNotifier notifier;
    HidEndpoint endpoint(true, kThreshold);
    QVERIFY(endpoint.open(kPath));
    BasicStdVectorBuffer tx = bufferOf(ramp(10));

    device_->setWriteStalls(1);
    endpoint.write(notifier, tx);
    QCOMPARE(bytesOf(tx), ramp(10));
    QVERIFY(device_->writtenReports().isEmpty());
    QVERIFY(endpoint.isOpen());

    endpoint.write(notifier, tx);
    QCOMPARE(tx.size(), std::size_t{0});
    QCOMPARE(device_->writtenReports(), QList<QByteArray>{report(ramp(10))});
    QVERIFY(notifier.reports.isEmpty());
}

void TestUsbHidEndpoint::failedWriteClosesAndReopensByPath_data() {
    QTest::addColumn<bool>("deviceReturns");

    QTest::newRow("device still there") << true;
    QTest::newRow("device gone") << false;
}

void TestUsbHidEndpoint::failedWriteClosesAndReopensByPath() {
    QFETCH(bool, deviceReturns);

    RecordingNotifier notifier;
    HidEndpoint endpoint(true, kThreshold);
    QVERIFY(endpoint.open(kPath));
    BasicStdVectorBuffer tx = bufferOf(ramp(100));

    device_->setWriteFailures(1);
    endpoint.write(notifier, tx);
    QCOMPARE(notifier.reports, (QList<Report>{{1, 5, -1}}));
    QVERIFY(!endpoint.isOpen());
    QCOMPARE(device_->openHandleCount(), 0);
    // With clear-on-close the pending bytes are dropped.
    QCOMPARE(tx.size(), std::size_t{0});
    if (!deviceReturns) {
        FakeHidBus::instance().unplug(device_);
    }

    // Calls 1 to 50 while closed only count; writes drop what is pending.
    for (std::uint32_t call = 1; call <= kThreshold; ++call) {
        tx = bufferOf(ramp(5));
        endpoint.write(notifier, tx);
        QCOMPARE(tx.size(), std::size_t{0});
    }
    QCOMPARE(FakeHidBus::instance().openPathLog(), QStringList{kPath});

    // Call 51 tries once, by the path the endpoint was opened with.
    tx = bufferOf(ramp(5));
    endpoint.write(notifier, tx);
    QCOMPARE(FakeHidBus::instance().openPathLog(), (QStringList{kPath, kPath}));
    QCOMPARE(endpoint.isOpen(), deviceReturns);
    if (deviceReturns) {
        QCOMPARE(tx.size(), std::size_t{0});
        QCOMPARE(device_->writtenReports(), QList<QByteArray>{report(ramp(5))});
    }
    QCOMPARE(notifier.reports.size(), 1);

    // A failed attempt starts the count again.
    if (!deviceReturns) {
        for (std::uint32_t call = 1; call <= kThreshold; ++call) {
            endpoint.write(notifier, tx);
        }
        QCOMPARE(FakeHidBus::instance().openPathLog().size(), 2);
        FakeHidBus::instance().plug(device_);
        endpoint.write(notifier, tx);
        QCOMPARE(FakeHidBus::instance().openPathLog().size(), 3);
        QVERIFY(endpoint.isOpen());
    }
}

void TestUsbHidEndpoint::failedReadClosesAndReopens() {
    RecordingNotifier notifier;
    HidEndpoint endpoint(true, kThreshold);
    QVERIFY(endpoint.open(kPath));
    BasicStdVectorBuffer rx;

    device_->setReadFailures(1);
    device_->pushReport(ramp(64));
    endpoint.read(notifier, rx);
    QCOMPARE(notifier.reports, (QList<Report>{{1, 5, -1}}));
    QVERIFY(!endpoint.isOpen());
    QCOMPARE(rx.size(), std::size_t{0});

    for (std::uint32_t call = 1; call <= kThreshold; ++call) {
        endpoint.read(notifier, rx);
    }
    QVERIFY(!endpoint.isOpen());
    endpoint.read(notifier, rx);
    QVERIFY(endpoint.isOpen());
    QCOMPARE(bytesOf(rx), ramp(64));
}

void TestUsbHidEndpoint::readAppendsReports() {
    RecordingNotifier notifier;
    HidEndpoint endpoint(true, kThreshold);
    QVERIFY(endpoint.open(kPath));
    BasicStdVectorBuffer rx = bufferOf("ab");

    endpoint.read(notifier, rx);
    QCOMPARE(bytesOf(rx), QByteArray("ab"));

    device_->pushReport(ramp(64));
    device_->pushReport(ramp(20, 100));
    endpoint.read(notifier, rx);
    QCOMPARE(bytesOf(rx), "ab" + ramp(64));
    endpoint.read(notifier, rx);
    QCOMPARE(bytesOf(rx), "ab" + ramp(64) + ramp(20, 100));
    QVERIFY(notifier.reports.isEmpty());
}

void TestUsbHidEndpoint::reopenNeverOpensByIds() {
    RecordingNotifier notifier;
    HidEndpoint endpoint(true, kThreshold);
    QVERIFY(endpoint.open(kPath));

    // The detector resets and comes back at another path, and a second detector of the same kind
    // sits on the bus: the endpoint must not pick up either by vendor and product id.
    const auto second = std::make_shared<FakeHidDevice>(0x2E7A, 0x1321, QStringLiteral("/dev/hidraw9"));
    FakeHidBus::instance().plug(second);
    FakeHidBus::instance().replug(device_, kOtherPath);

    BasicStdVectorBuffer tx = bufferOf(ramp(3));
    endpoint.write(notifier, tx);
    QCOMPARE(notifier.reports, (QList<Report>{{1, 5, -1}}));
    for (std::uint32_t call = 0; call < 3 * (kThreshold + 1); ++call) {
        endpoint.write(notifier, tx);
    }
    QVERIFY(!endpoint.isOpen());
    QCOMPARE(FakeHidBus::instance().openPathLog(), QStringList(4, kPath));
    QVERIFY(FakeHidBus::instance().openIdLog().isEmpty());
    QCOMPARE(second->openAttemptCount(), 0);
}

void TestUsbHidEndpoint::noReopenWithoutThreshold() {
    RecordingNotifier notifier;
    HidEndpoint endpoint(true, 0);
    QVERIFY(endpoint.open(kPath));
    BasicStdVectorBuffer rx;
    device_->setReadFailures(1);
    for (int call = 0; call < 200; ++call) {
        endpoint.read(notifier, rx);
    }
    QVERIFY(!endpoint.isOpen());
    QCOMPARE(device_->openAttemptCount(), 1);
}

void TestUsbHidEndpoint::writeWhileClosedKeepsBytesWithoutClearOnClose() {
    RecordingNotifier notifier;
    HidEndpoint endpoint(false, kThreshold);
    QVERIFY(endpoint.open(kPath));
    BasicStdVectorBuffer tx = bufferOf(ramp(10));

    device_->setWriteFailures(1);
    endpoint.write(notifier, tx);
    QVERIFY(!endpoint.isOpen());
    QCOMPARE(bytesOf(tx), ramp(10));
    endpoint.write(notifier, tx);
    QCOMPARE(bytesOf(tx), ramp(10));
}

void TestUsbHidEndpoint::destructionClosesDevice() {
    {
        HidEndpoint endpoint(true, kThreshold);
        QVERIFY(endpoint.open(kPath));
        QCOMPARE(FakeHidBus::instance().openHandleCount(), 1);
    }
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
}

void TestUsbHidEndpoint::framesCrossTheLink() {
    // A file-put sized frame leaves in 64-byte reports and is read back through the decoder, padding
    // included.
    RecordingNotifier notifier;
    HidEndpoint endpoint(true, kThreshold);
    QVERIFY(endpoint.open(kPath));

    cvsw::muppet::Mcobs1Codec sender;
    const QByteArray payload = ramp(1024);
    BasicStdVectorBuffer tx;
    sender.encode(notifier, 0xFF, bufferOf(payload), tx);
    const std::size_t wireSize = tx.size();
    while (tx.size() > 0) {
        endpoint.write(notifier, tx);
    }
    const QList<QByteArray> reports = device_->takeWrittenReports();
    QCOMPARE(std::size_t(reports.size()), (wireSize + 63) / 64);

    // Loop the reports back as input.
    for (const QByteArray& sent : reports) {
        device_->pushReport(sent.mid(1));
    }
    cvsw::muppet::Mcobs1Codec receiver;
    CodecHarness harness(receiver);
    BasicStdVectorBuffer rx;
    for (qsizetype i = 0; i < reports.size(); ++i) {
        endpoint.read(notifier, rx);
        harness.decode(bytesOf(rx));
        rx.clear();
    }
    QCOMPARE(harness.portal.frames, (QList<ReceivedFrame>{{0xFF, payload}}));
    QVERIFY(notifier.reports.isEmpty());
}

QTEST_GUILESS_MAIN(TestUsbHidEndpoint)
#include "tst_usb_hid_endpoint.moc"
