#include "muppet/basic_std_vector_buffer.h"
#include "muppet/qt_io_device_endpoint.h"
#include "tests/support/framing/codec_harness.h"

#include <QIODevice>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using cuu::test::bufferOf;
using cuu::test::bytesOf;
using cuu::test::RecordingNotifier;
using cuu::test::Report;
using cvsw::muppet::BasicStdVectorBuffer;
using cvsw::muppet::QtIoDeviceEndpoint;

namespace {

// A stream whose write results and incoming bytes the test decides.
class ScriptedDevice final : public QIODevice {
public:
    ScriptedDevice() { open(QIODevice::ReadWrite | QIODevice::Unbuffered); }

    // What the next writes return: a count (cut to what was offered) or -1.
    qint64 writeResult = -2; // -2: accept everything
    bool readFails = false;
    QByteArray written;

    void arrive(const QByteArray& bytes) {
        incoming_ += bytes;
        emit readyRead();
    }

    qint64 bytesAvailable() const override { return incoming_.size() + QIODevice::bytesAvailable(); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (readFails) {
            return -1;
        }
        const qint64 n = std::min<qint64>(maxSize, incoming_.size());
        std::memcpy(data, incoming_.constData(), static_cast<std::size_t>(n));
        incoming_.remove(0, n);
        return n;
    }

    qint64 writeData(const char* data, qint64 size) override {
        const qint64 accepted = writeResult == -2 ? size : std::min(writeResult, size);
        if (accepted > 0) {
            written.append(data, accepted);
        }
        return accepted;
    }

private:
    QByteArray incoming_;
};

class CountingFailureHandler final : public QtIoDeviceEndpoint::IoFailureHandler {
public:
    void handleIoFailure() override { ++failures; }
    int failures = 0;
};

} // namespace

class TestQtIoDeviceEndpoint : public QObject {
    Q_OBJECT

private slots:
    void writeOutcome_data();
    void writeOutcome();
    void observerWritingAgainSendsEachByteOnce_data();
    void observerWritingAgainSendsEachByteOnce();
    void withoutDeviceWriteDropsOnlyWhenAsked_data();
    void withoutDeviceWriteDropsOnlyWhenAsked();
    void readAppendsAndReportsWholeBuffer();
    void failedReadIsHandledAndCommitsNothing();
    void destroyedDeviceIsForgotten();
    void readyReadIsForwardedFromTheCurrentDeviceOnly();
};

void TestQtIoDeviceEndpoint::writeOutcome_data() {
    QTest::addColumn<bool>("drop");
    QTest::addColumn<qint64>("writeResult");
    QTest::addColumn<QByteArray>("expectedSent");
    QTest::addColumn<QByteArray>("expectedLeft");
    QTest::addColumn<int>("expectedFailures");

    const QByteArray bytes("\x01\x02\x03\x04\x05", 5);
    QTest::newRow("all accepted") << true << qint64{-2} << bytes << QByteArray() << 0;
    QTest::newRow("part accepted") << true << qint64{3} << bytes.left(3) << bytes.mid(3) << 0;
    QTest::newRow("nothing accepted") << true << qint64{0} << QByteArray() << bytes << 0;
    QTest::newRow("failure, dropping") << true << qint64{-1} << QByteArray() << QByteArray() << 1;
    QTest::newRow("failure, keeping") << false << qint64{-1} << QByteArray() << bytes << 1;
}

void TestQtIoDeviceEndpoint::writeOutcome() {
    QFETCH(bool, drop);
    QFETCH(qint64, writeResult);
    QFETCH(QByteArray, expectedSent);
    QFETCH(QByteArray, expectedLeft);
    QFETCH(int, expectedFailures);

    CountingFailureHandler handler;
    QtIoDeviceEndpoint endpoint(&handler, drop);
    ScriptedDevice device;
    device.writeResult = writeResult;
    endpoint.setDevice(&device);
    QSignalSpy written(&endpoint, &QtIoDeviceEndpoint::dataWritten);

    RecordingNotifier notifier;
    BasicStdVectorBuffer tx = bufferOf(QByteArray("\x01\x02\x03\x04\x05", 5));
    endpoint.write(notifier, tx);

    QCOMPARE(bytesOf(tx), expectedLeft);
    QCOMPARE(handler.failures, expectedFailures);
    // A failed write counts nothing: no consume of -1 (which would report and wipe the buffer)
    // and no dataWritten.
    QCOMPARE(notifier.reports, QList<Report>());
    if (expectedSent.isEmpty()) {
        QCOMPARE(written.count(), 0);
    } else {
        QCOMPARE(written.count(), 1);
        QCOMPARE(written.at(0).at(0).toByteArray(), expectedSent);
    }
}

void TestQtIoDeviceEndpoint::observerWritingAgainSendsEachByteOnce_data() {
    QTest::addColumn<qint64>("writeResult");
    QTest::addColumn<QStringList>("reported");

    QTest::newRow("all accepted") << qint64{-2} << QStringList{"0102030405"};
    QTest::newRow("part accepted") << qint64{3} << QStringList{"010203", "0405"};
}

// An observer of dataWritten may service the connection again (it pumps events, a timer fires),
// which writes the same transmit buffer from inside the signal.
void TestQtIoDeviceEndpoint::observerWritingAgainSendsEachByteOnce() {
    QFETCH(qint64, writeResult);
    QFETCH(QStringList, reported);

    CountingFailureHandler handler;
    QtIoDeviceEndpoint endpoint(&handler, true);
    ScriptedDevice device;
    device.writeResult = writeResult;
    endpoint.setDevice(&device);

    RecordingNotifier notifier;
    BasicStdVectorBuffer tx = bufferOf(QByteArray("\x01\x02\x03\x04\x05", 5));
    QStringList seen;
    connect(&endpoint, &QtIoDeviceEndpoint::dataWritten, this, [&](const QByteArray& bytes) {
        seen << QString::fromLatin1(bytes.toHex());
        if (seen.size() == 1) {
            endpoint.write(notifier, tx);
        }
    });
    endpoint.write(notifier, tx);

    QCOMPARE(device.written, QByteArray("\x01\x02\x03\x04\x05", 5));
    QCOMPARE(seen, reported);
    QCOMPARE(bytesOf(tx), QByteArray());
    QCOMPARE(notifier.reports, QList<Report>());
}

void TestQtIoDeviceEndpoint::withoutDeviceWriteDropsOnlyWhenAsked_data() {
    QTest::addColumn<bool>("drop");
    QTest::addColumn<QByteArray>("expectedLeft");
    QTest::newRow("dropping") << true << QByteArray();
    QTest::newRow("keeping") << false << QByteArray("abc");
}

void TestQtIoDeviceEndpoint::withoutDeviceWriteDropsOnlyWhenAsked() {
    QFETCH(bool, drop);
    QFETCH(QByteArray, expectedLeft);

    CountingFailureHandler handler;
    QtIoDeviceEndpoint endpoint(&handler, drop);
    RecordingNotifier notifier;
    BasicStdVectorBuffer tx = bufferOf("abc");
    endpoint.write(notifier, tx);

    QCOMPARE(bytesOf(tx), expectedLeft);
    QCOMPARE(handler.failures, 0);
}

void TestQtIoDeviceEndpoint::readAppendsAndReportsWholeBuffer() {
    CountingFailureHandler handler;
    QtIoDeviceEndpoint endpoint(&handler, true);
    ScriptedDevice device;
    endpoint.setDevice(&device);
    QSignalSpy received(&endpoint, &QtIoDeviceEndpoint::dataReceived);
    RecordingNotifier notifier;
    BasicStdVectorBuffer rx;

    endpoint.read(notifier, rx);
    QCOMPARE(received.count(), 0);

    device.arrive("abc");
    endpoint.read(notifier, rx);
    device.arrive("de");
    endpoint.read(notifier, rx);

    QCOMPARE(bytesOf(rx), QByteArray("abcde"));
    QCOMPARE(received.count(), 2);
    QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("abc"));
    QCOMPARE(received.at(1).at(0).toByteArray(), QByteArray("abcde"));
    QCOMPARE(handler.failures, 0);
}

void TestQtIoDeviceEndpoint::failedReadIsHandledAndCommitsNothing() {
    CountingFailureHandler handler;
    QtIoDeviceEndpoint endpoint(&handler, true);
    ScriptedDevice device;
    endpoint.setDevice(&device);
    QSignalSpy received(&endpoint, &QtIoDeviceEndpoint::dataReceived);
    RecordingNotifier notifier;
    BasicStdVectorBuffer rx = bufferOf("x");

    device.arrive("abc");
    device.readFails = true;
    endpoint.read(notifier, rx);

    QCOMPARE(handler.failures, 1);
    QCOMPARE(bytesOf(rx), QByteArray("x"));
    QCOMPARE(received.count(), 0);
}

void TestQtIoDeviceEndpoint::destroyedDeviceIsForgotten() {
    CountingFailureHandler handler;
    QtIoDeviceEndpoint endpoint(&handler, true);
    auto device = std::make_unique<ScriptedDevice>();
    endpoint.setDevice(device.get());
    device.reset();

    QCOMPARE(endpoint.device(), nullptr);
    RecordingNotifier notifier;
    BasicStdVectorBuffer tx = bufferOf("abc");
    endpoint.write(notifier, tx);
    BasicStdVectorBuffer rx;
    endpoint.read(notifier, rx);
    QCOMPARE(tx.size(), std::size_t{0});
    QCOMPARE(rx.size(), std::size_t{0});
}

void TestQtIoDeviceEndpoint::readyReadIsForwardedFromTheCurrentDeviceOnly() {
    CountingFailureHandler handler;
    QtIoDeviceEndpoint endpoint(&handler, true);
    ScriptedDevice first;
    ScriptedDevice second;
    QSignalSpy readyRead(&endpoint, &QtIoDeviceEndpoint::readyRead);

    endpoint.setDevice(&first);
    first.arrive("a");
    QCOMPARE(readyRead.count(), 1);

    endpoint.setDevice(&second);
    first.arrive("b");
    second.arrive("c");
    QCOMPARE(readyRead.count(), 2);
    QCOMPARE(endpoint.device(), &second);
}

QTEST_GUILESS_MAIN(TestQtIoDeviceEndpoint)
#include "tst_qt_io_device_endpoint.moc"
