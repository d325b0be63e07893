// The file putter and the offset getter against the simulated detector, through the program's own
// link stack: the pod's bootloader on its USB link, and the Tamarind gateway behind the pod's tunnel.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/installation/file_put_offset_getter.h"
#include "fwup/installation/file_putter.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/support/simulated_detector/payload_reader.h"

#include <optional>

using namespace installation_test;

namespace {

constexpr std::uint16_t CONTROL_POD_IMAGE = 11000;
constexpr std::uint16_t TAMARIND_CPU_APP = 11081;
constexpr std::uint8_t FAILED = 8;
constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;

// Waits short for a test, yet long enough that an answer on a busy machine brings no resend: the
// tests count what the device sees.
constexpr std::uint32_t ATTEMPTS = 3;
constexpr std::uint64_t WAIT_MS = 150;

QByteArray contents(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 37 + i / 251) & 0xFF);
    }
    return bytes;
}

// The offsets of the data packets the device received, in order.
QList<quint32> setOffsets(const SimulatedComponent& component) {
    QList<quint32> offsets;
    for (const auto& entry : component.traffic()) {
        if (entry.commandId == command_id::FILE_PUT_LPD && entry.mode == SET) {
            cuu::test::PayloadReader reader(entry.payload);
            reader.u16();
            offsets.append(reader.u32());
        }
    }
    return offsets;
}

int packetsFor(int size) {
    return (size + fwup::FilePutter::DEFAULT_PACKET_SIZE - 1) / fwup::FilePutter::DEFAULT_PACKET_SIZE;
}

// What one put reported.
struct Put {
    Ends ends;
    QList<int> progress;
    std::function<void(fwup::ProgressPercentage)> onProgress() {
        return [this](fwup::ProgressPercentage percent) {
            progress.append(percent.value());
        };
    }
};

} // namespace

class TestFilePutter : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void putsFileByteExact_data();
    void putsFileByteExact();
    void resendsAfterSilence_data();
    void resendsAfterSilence();
    void checksOffsetAfterEachExchangeFailure_data();
    void checksOffsetAfterEachExchangeFailure();
    void failedOffsetCheckEndsPut();
    void resendsShortAcknowledgementFromDeviceOffset_data();
    void resendsShortAcknowledgementFromDeviceOffset();
    void acknowledgementBeyondSentDataEndsPut();
    void offsetBeyondEndOfFileEndsPut();
    void countsStartAfreshOnEachPut_data();
    void countsStartAfreshOnEachPut();
    void refusals();
    void offsetGetter_data();
    void offsetGetter();
    void offsetGetterCancel();

private:
    QString writeFile(int size);
    SimulatedComponent& pod() { return detector_->pod(); }

    std::unique_ptr<SimulatedDetector> detector_;
    std::unique_ptr<QTemporaryDir> dir_;
    int files_ = 0;
};

void TestFilePutter::initTestCase() {
    registerLinkStack();
}

void TestFilePutter::init() {
    detector_ = plugDetector(SimulatedDetector::PodMode::Bootloader);
    pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestFilePutter::cleanup() {
    detector_.reset();
    dir_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestFilePutter::cleanupTestCase() {
    unregisterLinkStack();
}

QString TestFilePutter::writeFile(int size) {
    const QString path = dir_->filePath(QStringLiteral("image%1.bin").arg(++files_));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents(size)) != size) {
        qFatal("cannot write the test image");
    }
    return path;
}

void TestFilePutter::putsFileByteExact_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("throughTunnel");
    QTest::newRow("0 bytes") << 0 << false;
    QTest::newRow("1 byte") << 1 << false;
    QTest::newRow("three packets exactly") << 3072 << false;
    QTest::newRow("10 KiB") << 10240 << false;
    QTest::newRow("10 KiB and a byte") << 10241 << false;
    QTest::newRow("0 bytes through the tunnel") << 0 << true;
    QTest::newRow("10 KiB through the tunnel") << 10240 << true;
}

void TestFilePutter::putsFileByteExact() {
    QFETCH(int, size);
    QFETCH(bool, throughTunnel);
    if (throughTunnel) {
        detector_->setPodMode(SimulatedDetector::PodMode::Application);
        detector_->tamarind().setLoggedInUsers(OPERATOR_LOGGED_IN);
    }
    SimulatedComponent& device = throughTunnel ? detector_->tamarind() : pod();
    const std::uint16_t fileId = throughTunnel ? TAMARIND_CPU_APP : CONTROL_POD_IMAGE;
    const QString path = writeFile(size);
    Link link(throughTunnel ? TUNNEL_PREFIX + detector_->location() : detector_->location());
    QVERIFY(link.connection);
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, ATTEMPTS, WAIT_MS, WAIT_MS);
    Put put;

    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, fileId);
    QTRY_COMPARE(put.ends.total(), 1);

    QCOMPARE(put.ends.done, 1);
    QVERIFY(!putter.isBusy());
    QCOMPARE(device.file(fileId), contents(size));
    QVERIFY(device.isFileComplete(fileId));
    // Every packet, then the empty one at the end; no offset query.
    QCOMPARE(device.requestCount(command_id::FILE_PUT_LPD, SET), packetsFor(size) + 1);
    QCOMPARE(device.requestCount(command_id::FILE_PUT_LPD, GET), 0);
    QCOMPARE(setOffsets(device).last(), quint32(size));
    if (size == 0) {
        QVERIFY(put.progress.isEmpty());
    } else {
        QCOMPARE(put.progress.size(), packetsFor(size) + 1);
        QVERIFY(std::is_sorted(put.progress.cbegin(), put.progress.cend()));
        QCOMPARE(put.progress.last(), 100);
        QCOMPARE(put.progress.at(put.progress.size() - 2), 100);
    }
}

void TestFilePutter::resendsAfterSilence_data() {
    QTest::addColumn<int>("silentSends");
    QTest::addColumn<int>("offsetChecks");
    // The exchange resends on its own twice; the third silence fails it and the putter asks.
    QTest::newRow("one") << 1 << 0;
    QTest::newRow("two") << 2 << 0;
    QTest::newRow("three") << 3 << 1;
}

void TestFilePutter::resendsAfterSilence() {
    QFETCH(int, silentSends);
    QFETCH(int, offsetChecks);
    const QString path = writeFile(3000);
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::silence().forMode(SET), silentSends);
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, ATTEMPTS, WAIT_MS, WAIT_MS);
    Put put;

    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE_WITH_TIMEOUT(put.ends.total(), 1, 10000);

    QCOMPARE(put.ends.done, 1);
    QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(3000));
    QCOMPARE(pod().requestCount(command_id::FILE_PUT_LPD, GET), offsetChecks);
    QList<quint32> expected(silentSends, 0);
    expected << 0 << 1024 << 2048 << 3000;
    QCOMPARE(setOffsets(pod()), expected);
}

void TestFilePutter::checksOffsetAfterEachExchangeFailure_data() {
    QTest::addColumn<int>("failures");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("complete");
    QTest::newRow("one error") << 1 << false << true;
    QTest::newRow("four errors") << 4 << false << true;
    QTest::newRow("five errors") << 5 << false << false;
    QTest::newRow("four silent packets") << 4 << true << true;
    QTest::newRow("five silent packets") << 5 << true << false;
}

void TestFilePutter::checksOffsetAfterEachExchangeFailure() {
    QFETCH(int, failures);
    QFETCH(bool, silent);
    QFETCH(bool, complete);
    const QString path = writeFile(1500);
    const SimulatedFault fault = silent ? SimulatedFault::silence() : SimulatedFault::error(FAILED);
    pod().addFault(command_id::FILE_PUT_LPD, fault.forMode(SET), failures);
    Link link(detector_->location());
    // One send per packet, so that each silence is one exchange failure.
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, 1, WAIT_MS, WAIT_MS);
    Put put;

    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE_WITH_TIMEOUT(put.ends.total(), 1, 10000);

    QCOMPARE(put.ends.done, complete ? 1 : 0);
    const int checks = std::min(failures, 4);
    QStringList expected;
    for (int i = 0; i < checks; ++i) {
        expected << QStringLiteral("SET 78") << QStringLiteral("GET 78");
    }
    if (complete) {
        expected << QStringLiteral("SET 78") << QStringLiteral("SET 78") << QStringLiteral("SET 78");
        QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(1500));
    } else {
        expected << QStringLiteral("SET 78");
    }
    QCOMPARE(pod().requestLog(), expected);
}

void TestFilePutter::failedOffsetCheckEndsPut() {
    const QString path = writeFile(1500);
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::error(FAILED).forMode(SET));
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::error(FAILED).forMode(GET));
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, ATTEMPTS, WAIT_MS, WAIT_MS);
    Put put;

    QTest::ignoreMessage(QtDebugMsg, "Failed to recheck file offset in device");
    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE(put.ends.total(), 1);

    QCOMPARE(put.ends.failed, 1);
    QCOMPARE(pod().requestLog(), (QStringList{"SET 78", "GET 78"}));
    QVERIFY(!putter.isBusy());
}

void TestFilePutter::resendsShortAcknowledgementFromDeviceOffset_data() {
    QTest::addColumn<int>("shortAnswers");
    QTest::addColumn<QList<quint32>>("offsets");
    QTest::addColumn<bool>("complete");
    // 2000 bytes; each short answer keeps 100 bytes fewer than the packet carried.
    QTest::newRow("one") << 1 << QList<quint32>{0, 924, 1948, 2000} << true;
    QTest::newRow("three in a row") << 3 << QList<quint32>{0, 924, 1848, 1900, 2000} << true;
    QTest::newRow("four in a row") << 4 << QList<quint32>{0, 924, 1848, 1900} << false;
}

void TestFilePutter::resendsShortAcknowledgementFromDeviceOffset() {
    QFETCH(int, shortAnswers);
    QFETCH(QList<quint32>, offsets);
    QFETCH(bool, complete);
    const QString path = writeFile(2000);
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::shortAcknowledgement(100).forMode(SET),
                   shortAnswers);
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, ATTEMPTS, WAIT_MS, WAIT_MS);
    Put put;

    if (!complete) {
        QTest::ignoreMessage(QtDebugMsg, "Exceeded retransmissions of packet at 1900");
    }
    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE(put.ends.total(), 1);

    QCOMPARE(put.ends.done, complete ? 1 : 0);
    // Each resend starts where the device says it is.
    QCOMPARE(setOffsets(pod()), offsets);
    QCOMPARE(pod().requestCount(command_id::FILE_PUT_LPD, GET), 0);
    if (complete) {
        QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(2000));
    }
}

void TestFilePutter::acknowledgementBeyondSentDataEndsPut() {
    const QString path = writeFile(3000);
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::acknowledgementBeyond(10).forMode(SET), 1);
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, ATTEMPTS, WAIT_MS, WAIT_MS);
    Put put;

    QTest::ignoreMessage(QtDebugMsg, "\"File offset mismatch 1034 instead of 1024\"");
    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE(put.ends.total(), 1);

    QCOMPARE(put.ends.failed, 1);
    QCOMPARE(pod().requestLog(), QStringList{"SET 78"});
}

// Decided: a device that claims more of the file than there is ends the put; the empty packet the
// putter would send there is acknowledged at the same offset for ever.
void TestFilePutter::offsetBeyondEndOfFileEndsPut() {
    const QString path = writeFile(1000);
    pod().setFile(CONTROL_POD_IMAGE, contents(5000));
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::error(FAILED).forMode(SET));
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, ATTEMPTS, WAIT_MS, WAIT_MS);
    Put put;

    QTest::ignoreMessage(QtDebugMsg, "Couldn't start sending next packet at 5000");
    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE(put.ends.total(), 1);

    QCOMPARE(put.ends.failed, 1);
    QCOMPARE(pod().requestLog(), (QStringList{"SET 78", "GET 78"}));
    QVERIFY(put.progress.isEmpty());
}

void TestFilePutter::countsStartAfreshOnEachPut_data() {
    QTest::addColumn<SimulatedFault>("fault");
    QTest::addColumn<int>("failingRun");
    QTest::addColumn<int>("secondRun");
    QTest::newRow("short answers") << SimulatedFault::shortAcknowledgement(100) << 4 << 1;
    QTest::newRow("exchange failures") << SimulatedFault::error(FAILED) << 5 << 1;
}

// A put that follows a failed one must not inherit its counts: here one more fault would end it.
void TestFilePutter::countsStartAfreshOnEachPut() {
    QFETCH(SimulatedFault, fault);
    QFETCH(int, failingRun);
    QFETCH(int, secondRun);
    const QString path = writeFile(1500);
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, 1, WAIT_MS, WAIT_MS);

    Put first;
    pod().addFault(command_id::FILE_PUT_LPD, fault.forMode(SET), failingRun);
    putter.start(first.ends.onDone(), first.onProgress(), first.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE(first.ends.total(), 1);
    QCOMPARE(first.ends.failed, 1);

    Put second;
    pod().addFault(command_id::FILE_PUT_LPD, fault.forMode(SET), secondRun);
    putter.start(second.ends.onDone(), second.onProgress(), second.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE(second.ends.total(), 1);
    QCOMPARE(second.ends.done, 1);
    QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(1500));
}

void TestFilePutter::refusals() {
    const QString path = writeFile(10240);
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, fwup::FilePutter::DEFAULT_PACKET_SIZE, ATTEMPTS, WAIT_MS, WAIT_MS);
    Put running;
    Put second;
    Put missing;
    const std::function<void()> none;

    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             putter.start(none, running.onProgress(), running.ends.onFailure(), path, 1));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             putter.start(running.ends.onDone(), {}, running.ends.onFailure(), path, 1));

    // A file that does not open fails at once, before a word to the device.
    putter.start(missing.ends.onDone(), missing.onProgress(), missing.ends.onFailure(),
                 dir_->filePath(QStringLiteral("absent.bin")), CONTROL_POD_IMAGE);
    QCOMPARE(missing.ends.failed, 1);
    QVERIFY(!putter.isBusy());

    // A second start fails at once and leaves the running put alone.
    putter.start(running.ends.onDone(), running.onProgress(), running.ends.onFailure(), path,
                 CONTROL_POD_IMAGE);
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    putter.start(second.ends.onDone(), second.onProgress(), second.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QCOMPARE(second.ends.failed, 1);
    QTRY_COMPARE(running.ends.total(), 1);
    QCOMPARE(running.ends.done, 1);
    QCOMPARE(second.ends.total(), 1);
    QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(10240));
}

void TestFilePutter::offsetGetter_data() {
    QTest::addColumn<std::optional<QByteArray>>("held");
    QTest::addColumn<std::optional<SimulatedFault>>("fault");
    QTest::addColumn<std::optional<unsigned>>("expected");
    QTest::newRow("nothing held") << std::optional<QByteArray>() << std::optional<SimulatedFault>()
                                  << std::optional<unsigned>(0);
    QTest::newRow("part held") << std::optional<QByteArray>(contents(4321)) << std::optional<SimulatedFault>()
                               << std::optional<unsigned>(4321);
    QTest::newRow("error") << std::optional<QByteArray>()
                           << std::optional<SimulatedFault>(SimulatedFault::error(FAILED))
                           << std::optional<unsigned>();
    QTest::newRow("refused") << std::optional<QByteArray>()
                             << std::optional<SimulatedFault>(SimulatedFault::error(4))
                             << std::optional<unsigned>();
}

void TestFilePutter::offsetGetter() {
    QFETCH(std::optional<QByteArray>, held);
    QFETCH(std::optional<SimulatedFault>, fault);
    QFETCH(std::optional<unsigned>, expected);
    if (held) {
        pod().setFile(CONTROL_POD_IMAGE, *held);
    }
    if (fault) {
        pod().addFault(command_id::FILE_PUT_LPD, *fault);
    }
    Link link(detector_->location());
    fwup::FilePutOffsetGetter getter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    std::optional<unsigned> offset;
    int failures = 0;

    getter.start([&](const unsigned int& value) { offset = value; }, [&] { ++failures; }, CONTROL_POD_IMAGE);
    QTRY_COMPARE(int(offset.has_value()) + failures, 1);

    QCOMPARE(offset, expected);
    QCOMPARE(pod().requestLog(), QStringList{"GET 78"});
    QCOMPARE(pod().traffic().first().payload, QByteArray::fromHex("2af8"));
}

void TestFilePutter::offsetGetterCancel() {
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::silence(), SimulatedComponent::kAlways);
    Link link(detector_->location());
    fwup::FilePutOffsetGetter getter(link.centre, ATTEMPTS, 10000, 10000);
    int offsets = 0;
    int failures = 0;
    int secondFailures = 0;
    const auto onOffset = [&](const unsigned int&) {
        ++offsets;
    };

    getter.cancel(); // idle: nothing happens
    QCOMPARE(failures, 0);

    getter.start(
        onOffset, [&] { ++failures; }, CONTROL_POD_IMAGE);
    getter.start(
        onOffset, [&] { ++secondFailures; }, CONTROL_POD_IMAGE);
    QCOMPARE(secondFailures, 1);
    QCOMPARE(failures, 0);
    QTRY_COMPARE(pod().requestCount(command_id::FILE_PUT_LPD), 1);

    getter.cancel();
    QCOMPARE(failures, 1);
    QCOMPARE(offsets, 0);

    // Started again, it asks afresh.
    pod().clearFaults();
    getter.start(
        onOffset, [&] { ++failures; }, CONTROL_POD_IMAGE);
    QTRY_COMPARE(offsets, 1);
    QCOMPARE(failures, 1);
}

QTEST_GUILESS_MAIN(TestFilePutter)
#include "tst_file_putter.moc"
