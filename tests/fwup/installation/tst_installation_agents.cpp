// The installation agents against the simulated detector, through the program's own link stack: the
// pod on its USB link and the Tamarind gateway behind the pod's tunnel.
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/communication/hid_detector_locator.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/installation/file_put_offset_getter.h"
#include "fwup/installation/file_putter.h"
#include "fwup/installation/firmware_upgrade_indicator.h"
#include "fwup/installation/indirect_connection_component_relocator.h"
#include "fwup/installation/mbu_and_tamarind_update_timing.h"
#include "fwup/installation/software_reset_to_application_requester.h"
#include "fwup/installation/software_reset_to_bootloader_requester.h"
#include "tests/fwup/installation/installation_test_support.h"

#include <optional>

using namespace installation_test;
using PodMode = SimulatedDetector::PodMode;

namespace {

constexpr std::uint16_t CONTROL_POD_IMAGE = 11000;
constexpr std::uint16_t TAMARIND_CPU_APP = 11081;
constexpr std::uint16_t PACKET = fwup::FilePutter::DEFAULT_PACKET_SIZE;
constexpr std::uint8_t FAILED = 8;
constexpr std::uint8_t UNAUTHORISED = 4;
// Waits short for a test, yet long enough that an answer on a busy machine brings no resend: the
// tests count what the device sees.
constexpr std::uint64_t WAIT_MS = 150;
constexpr int RETRY_MS = 100;

int countEvents(const SimulatedDetector& detector, const QString& prefix) {
    const QStringList events = detector.linkEvents();
    return int(std::count_if(events.cbegin(), events.cend(),
                             [&](const QString& e) { return e.startsWith(prefix); }));
}

QStringList locate(quint16 productId) {
    return fwup::HidDetectorLocator(SimulatedDetector::kVendorId, productId).getConnectedDetectors();
}

struct Put {
    Ends ends;
    QList<int> progress;
    fwup::FilePutter::ProgressHandler onProgress() {
        return [this](fwup::ProgressPercentage percent) {
            progress.append(percent.value());
        };
    }
};

struct Relocation {
    std::optional<std::pair<cvsw::muppet::ProductTypeId, QString>> found;
    int total = 0;
    fwup::IComponentRelocator::FoundHandler onFound() {
        return [this](cvsw::muppet::ProductTypeId type, const QString& location) {
            found = std::make_pair(type, location);
            ++total;
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++total;
        };
    }
};

enum class Target { Bootloader, Application };

} // namespace

Q_DECLARE_METATYPE(Target)

class TestInstallationAgents : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerLinkStack(); }
    void init();
    void cleanup();
    void cleanupTestCase() { unregisterLinkStack(); }

    void putsFileByteExact_data();
    void putsFileByteExact();
    void putUnderFaults_data();
    void putUnderFaults();
    void countsStartAfreshOnEachPut_data();
    void countsStartAfreshOnEachPut();
    void secondPutWhileBusyFails();
    void offsetGetter();

    void resetToBootloaderAndBack_data();
    void resetToBootloaderAndBack();
    void resetOutcomes_data();
    void resetOutcomes();

    void relocatesTamarindAfterReset_data();
    void relocatesTamarindAfterReset();
    void relocatorBusyCancelAndReuse();

    void indicatorRuns_data();
    void indicatorRuns();
    void indicatorRestartDuringRetryWait();

    void ownersDefaults();

private:
    SimulatedComponent& pod() { return detector_->pod(); }
    QString tamarindLocation() const { return TUNNEL_PREFIX + detector_->location(); }
    QString writeFile(int size);
    // Reads the product type and logs the operator in, as the updater does after a restart.
    std::optional<cvsw::muppet::ProductTypeId> readTypeAndLogIn(Link& link);
    void resetTamarind();

    std::unique_ptr<SimulatedDetector> detector_;
    QTemporaryDir dir_;
    int files_ = 0;
};

void TestInstallationAgents::init() {
    detector_ = plugDetector(PodMode::Application);
    pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    detector_->tamarind().setLoggedInUsers(OPERATOR_LOGGED_IN);
}

void TestInstallationAgents::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

QString TestInstallationAgents::writeFile(int size) {
    const QString path = dir_.filePath(QStringLiteral("image%1.bin").arg(++files_));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents(size)) != size) {
        qFatal("cannot write the test image");
    }
    return path;
}

// --- File putter and offset getter ---

void TestInstallationAgents::putsFileByteExact_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("throughTunnel");
    QTest::newRow("0 bytes") << 0 << false;
    QTest::newRow("1 byte") << 1 << false;
    QTest::newRow("three packets exactly") << 3 * PACKET << false;
    QTest::newRow("10 KiB") << 10240 << false;
    QTest::newRow("10 KiB and a byte") << 10241 << false;
    QTest::newRow("0 bytes through the tunnel") << 0 << true;
    QTest::newRow("10 KiB through the tunnel") << 10240 << true;
}

void TestInstallationAgents::putsFileByteExact() {
    QFETCH(int, size);
    QFETCH(bool, throughTunnel);
    if (!throughTunnel) {
        detector_->setPodMode(PodMode::Bootloader);
    }
    SimulatedComponent& device = throughTunnel ? detector_->tamarind() : pod();
    const std::uint16_t fileId = throughTunnel ? TAMARIND_CPU_APP : CONTROL_POD_IMAGE;
    const QString path = writeFile(size);
    Link link(throughTunnel ? tamarindLocation() : detector_->location());
    fwup::FilePutter putter(link.centre, PACKET, 3, WAIT_MS, WAIT_MS);
    Put put;

    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, fileId);
    QTRY_COMPARE(put.ends.total(), 1);

    QCOMPARE(put.ends.done, 1);
    QCOMPARE(device.file(fileId), contents(size));
    QVERIFY(device.isFileComplete(fileId));
    // Every packet, then the empty one at the end; no offset query.
    const int packets = (size + PACKET - 1) / PACKET;
    QCOMPARE(device.requestCount(command_id::FILE_PUT_LPD, SET), packets + 1);
    QCOMPARE(device.requestCount(command_id::FILE_PUT_LPD, GET), 0);
    // An empty file reports no progress; any other ends with 100 for its last packet and the empty one.
    QCOMPARE(put.progress.size(), size == 0 ? 0 : packets + 1);
    QVERIFY(std::is_sorted(put.progress.cbegin(), put.progress.cend()));
    QVERIFY(size == 0 || put.progress.mid(put.progress.size() - 2) == (QList<int>{100, 100}));
}

void TestInstallationAgents::putUnderFaults_data() {
    QTest::addColumn<SimulatedFault>("fault");
    QTest::addColumn<int>("times");
    // Then one packet answered as usual, and the fault this many times more.
    QTest::addColumn<int>("again");
    QTest::addColumn<int>("held");
    QTest::addColumn<QList<quint32>>("offsets");
    QTest::addColumn<int>("offsetChecks");
    QTest::addColumn<bool>("complete");
    const SimulatedFault silence = SimulatedFault::silence().forMode(SET);
    const SimulatedFault error = SimulatedFault::error(FAILED).forMode(SET);
    const SimulatedFault shortAck = SimulatedFault::shortAcknowledgement(100).forMode(SET);
    // Keeps only the first 24 bytes of a packet: the file is far from its end after three.
    const SimulatedFault veryShortAck = SimulatedFault::shortAcknowledgement(1000).forMode(SET);
    // A 3000-byte file, two sends per packet.
    QTest::newRow("silence, resent by the exchange")
        << silence << 1 << 0 << 0 << QList<quint32>{0, 0, 1024, 2048, 3000} << 0 << true;
    QTest::newRow("silence through both sends")
        << silence << 2 << 0 << 0 << QList<quint32>{0, 0, 0, 1024, 2048, 3000} << 1 << true;
    QTest::newRow("four failed packets in a row")
        << error << 4 << 0 << 0 << QList<quint32>{0, 0, 0, 0, 0, 1024, 2048, 3000} << 4 << true;
    QTest::newRow("five failed packets in a row")
        << error << 5 << 0 << 0 << QList<quint32>(5, 0) << 4 << false;
    QTest::newRow("five silent packets in a row")
        << silence << 10 << 0 << 0 << QList<quint32>(10, 0) << 4 << false;
    // The answer to the offset check leaves the count alone; only an answered packet sets it back.
    QTest::newRow("four failed, one answered, a fifth failed")
        << error << 4 << 1 << 0 << QList<quint32>{0, 0, 0, 0, 0, 1024, 1024, 2048, 3000} << 5 << true;
    QTest::newRow("failed offset check")
        << SimulatedFault::error(FAILED) << 2 << 0 << 0 << QList<quint32>{0} << 1 << false;
    // The device keeps all but the last 100 bytes of the packet; the resend starts where it says.
    QTest::newRow("short acknowledgement")
        << shortAck << 1 << 0 << 0 << QList<quint32>{0, 924, 1948, 2972, 3000} << 0 << true;
    QTest::newRow("three short in a row")
        << shortAck << 3 << 0 << 0 << QList<quint32>{0, 924, 1848, 2772, 3000} << 0 << true;
    QTest::newRow("four short in a row")
        << shortAck << 4 << 0 << 0 << QList<quint32>{0, 924, 1848, 2772} << 0 << false;
    // The acknowledged packet sets the count back: the fourth short answer is the first of a new row.
    QTest::newRow("three short, one acknowledged, a fourth short")
        << veryShortAck << 3 << 1 << 0 << QList<quint32>{0, 24, 48, 72, 1096, 1120, 2144, 3000} << 0 << true;
    QTest::newRow("acknowledgement beyond the data") << SimulatedFault::acknowledgementBeyond(10).forMode(SET)
                                                     << 1 << 0 << 0 << QList<quint32>{0} << 0 << false;
    // Decided: a device that claims more than the file holds ends the put, which could not end otherwise.
    QTest::newRow("offset beyond the end of the file")
        << error << 1 << 0 << 5000 << QList<quint32>{0} << 1 << false;
}

void TestInstallationAgents::putUnderFaults() {
    QFETCH(SimulatedFault, fault);
    QFETCH(int, times);
    QFETCH(int, again);
    QFETCH(int, held);
    QFETCH(QList<quint32>, offsets);
    QFETCH(int, offsetChecks);
    QFETCH(bool, complete);
    detector_->setPodMode(PodMode::Bootloader);
    pod().setFile(CONTROL_POD_IMAGE, contents(held));
    pod().addFault(command_id::FILE_PUT_LPD, fault, times);
    if (again > 0) {
        pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::none().forMode(SET));
        pod().addFault(command_id::FILE_PUT_LPD, fault, again);
    }
    const QString path = writeFile(3000);
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, PACKET, 2, WAIT_MS, WAIT_MS);
    Put put;

    putter.start(put.ends.onDone(), put.onProgress(), put.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE_WITH_TIMEOUT(put.ends.total(), 1, 10000);

    QCOMPARE(put.ends.done, complete ? 1 : 0);
    QCOMPARE(setOffsets(pod()), offsets);
    QCOMPARE(pod().requestCount(command_id::FILE_PUT_LPD, GET), offsetChecks);
    QVERIFY(!putter.isBusy());
    if (complete) {
        QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(3000));
    }
}

void TestInstallationAgents::countsStartAfreshOnEachPut_data() {
    QTest::addColumn<SimulatedFault>("fault");
    QTest::addColumn<int>("failingRun");
    QTest::newRow("short answers") << SimulatedFault::shortAcknowledgement(100) << 4;
    QTest::newRow("exchange failures") << SimulatedFault::error(FAILED) << 5;
}

// A put that follows a failed one must not inherit its counts: one more fault would end it.
void TestInstallationAgents::countsStartAfreshOnEachPut() {
    QFETCH(SimulatedFault, fault);
    QFETCH(int, failingRun);
    detector_->setPodMode(PodMode::Bootloader);
    const QString path = writeFile(1500);
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, PACKET, 1, WAIT_MS, WAIT_MS);
    Put first;
    Put second;

    pod().addFault(command_id::FILE_PUT_LPD, fault.forMode(SET), failingRun);
    putter.start(first.ends.onDone(), first.onProgress(), first.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE(first.ends.failed, 1);
    pod().addFault(command_id::FILE_PUT_LPD, fault.forMode(SET), 1);
    putter.start(second.ends.onDone(), second.onProgress(), second.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QTRY_COMPARE(second.ends.done, 1);
    QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(1500));
}

void TestInstallationAgents::secondPutWhileBusyFails() {
    detector_->setPodMode(PodMode::Bootloader);
    const QString path = writeFile(10240);
    Link link(detector_->location());
    fwup::FilePutter putter(link.centre, PACKET, 3, WAIT_MS, WAIT_MS);
    Put running;
    Put second;
    Put missing;

    // A file that does not open fails at once.
    putter.start(missing.ends.onDone(), missing.onProgress(), missing.ends.onFailure(),
                 dir_.filePath(QStringLiteral("absent.bin")), CONTROL_POD_IMAGE);
    QCOMPARE(missing.ends.failed, 1);

    putter.start(running.ends.onDone(), running.onProgress(), running.ends.onFailure(), path,
                 CONTROL_POD_IMAGE);
    putter.start(second.ends.onDone(), second.onProgress(), second.ends.onFailure(), path, CONTROL_POD_IMAGE);
    QCOMPARE(second.ends.failed, 1);
    QTRY_COMPARE(running.ends.done, 1);
    QCOMPARE(second.ends.total(), 1);
    QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(10240));
}

void TestInstallationAgents::offsetGetter() {
    detector_->setPodMode(PodMode::Bootloader);
    pod().setFile(CONTROL_POD_IMAGE, contents(4321));
    Link link(detector_->location());
    fwup::FilePutOffsetGetter getter(link.centre, 3, WAIT_MS, WAIT_MS);
    QList<unsigned> offsets;
    int failures = 0;
    const auto onOffset = [&](const unsigned int& offset) {
        offsets.append(offset);
    };
    const auto onFailure = [&] {
        ++failures;
    };

    getter.start(onOffset, onFailure, CONTROL_POD_IMAGE);
    QTRY_COMPARE(offsets, QList<unsigned>{4321});
    QCOMPARE(pod().traffic().first().payload, QByteArray::fromHex("2af8"));
    pod().clearFiles();
    getter.start(onOffset, onFailure, CONTROL_POD_IMAGE);
    QTRY_COMPARE(offsets, (QList<unsigned>{4321, 0}));

    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::error(UNAUTHORISED));
    getter.start(onOffset, onFailure, CONTROL_POD_IMAGE);
    QTRY_COMPARE(failures, 1);

    // Cancelling ends a running query in its failure handler; an idle getter ignores it.
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::silence());
    getter.start(onOffset, onFailure, CONTROL_POD_IMAGE);
    getter.start(onOffset, onFailure, CONTROL_POD_IMAGE); // busy: fails at once
    QCOMPARE(failures, 2);
    getter.cancel();
    QCOMPARE(failures, 3);
    getter.cancel();
    QCOMPARE(failures, 3);
    QCOMPARE(offsets.size(), 2);
}

// --- Reset requesters ---

std::optional<cvsw::muppet::ProductTypeId> TestInstallationAgents::readTypeAndLogIn(Link& link) {
    fwup::ProductTypeGetter getter(link.centre, 3, WAIT_MS, WAIT_MS);
    std::optional<cvsw::muppet::ProductTypeId> type;
    Ends read;
    getter.start([&](const cvsw::muppet::ProductTypeId& value) { type = value; }, read.onFailure());
    if (!QTest::qWaitFor([&] { return type || read.failed; }) || !type) {
        return std::nullopt;
    }
    fwup::OperatorUserLoginAgent login(*link.centre);
    login.setStepAttempts(3);
    login.setStepTimeoutMs(WAIT_MS);
    Ends loggedIn;
    if (*type == 145) {
        login.start(*type, loggedIn.onDone(), loggedIn.onFailure());
    } else {
        login.start(*type, pod().model(), loggedIn.onDone(), loggedIn.onFailure());
    }
    if (!QTest::qWaitFor([&] { return loggedIn.total() == 1; }) || loggedIn.done != 1) {
        return std::nullopt;
    }
    return type;
}

void TestInstallationAgents::resetToBootloaderAndBack_data() {
    QTest::addColumn<int>("leaveDelayMs");
    QTest::addColumn<int>("returnDelayMs");
    QTest::newRow("gone before answering") << 0 << 0;
    QTest::newRow("answers, then leaves and comes back later") << 20 << 100;
}

void TestInstallationAgents::resetToBootloaderAndBack() {
    QFETCH(int, leaveDelayMs);
    QFETCH(int, returnDelayMs);
    detector_->setResetTiming(leaveDelayMs, returnDelayMs);
    pod().setLoggedInUsers(0);
    QStringList seen{detector_->location()};
    auto link = std::make_unique<Link>(seen.last());
    QCOMPARE(readTypeAndLogIn(*link), std::optional<cvsw::muppet::ProductTypeId>(144));

    for (const Target target : {Target::Bootloader, Target::Application}) {
        const bool toBootloader = target == Target::Bootloader;
        fwup::SoftwareResetToBootloaderRequester bootloader(link->centre, 0, WAIT_MS, WAIT_MS);
        fwup::SoftwareResetToApplicationRequester application(link->centre, 0, WAIT_MS, WAIT_MS);
        Ends ends;
        if (toBootloader) {
            bootloader.start(ends.onDone(), ends.onFailure());
        } else {
            application.start(ends.onDone(), ends.onFailure());
        }
        QTRY_COMPARE(ends.done, 1);
        // Enumeration finds the pod at a new path in the other mode, and nothing at the old one.
        const quint16 now =
            toBootloader ? SimulatedDetector::kBootloaderProductId : SimulatedDetector::kApplicationProductId;
        const quint16 before =
            toBootloader ? SimulatedDetector::kApplicationProductId : SimulatedDetector::kBootloaderProductId;
        QTRY_COMPARE(locate(now).size(), 1);
        QVERIFY(locate(before).isEmpty());
        QVERIFY(!seen.contains(locate(now).first()));
        seen.append(locate(now).first());
        link = std::make_unique<Link>(seen.last());
        QCOMPARE(readTypeAndLogIn(*link),
                 std::optional<cvsw::muppet::ProductTypeId>(toBootloader ? 145 : 144));
    }
    QCOMPARE(detector_->podRestartCount(), 2);
}

void TestInstallationAgents::resetOutcomes_data() {
    QTest::addColumn<Target>("target");
    QTest::addColumn<std::optional<SimulatedFault>>("fault");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<bool>("done");
    const auto none = std::optional<SimulatedFault>();
    for (const Target target : {Target::Bootloader, Target::Application}) {
        const char* name = target == Target::Bootloader ? "to bootloader" : "to application";
        QTest::addRow("%s: answered", name) << target << none << true << true;
        // A device that restarts at once never answers.
        QTest::addRow("%s: silence", name)
            << target << std::make_optional(SimulatedFault::silence()) << true << true;
        QTest::addRow("%s: error", name)
            << target << std::make_optional(SimulatedFault::error(FAILED)) << true << false;
        QTest::addRow("%s: not logged in", name) << target << none << false << false;
    }
}

void TestInstallationAgents::resetOutcomes() {
    QFETCH(Target, target);
    QFETCH(std::optional<SimulatedFault>, fault);
    QFETCH(bool, loggedIn);
    QFETCH(bool, done);
    // Answers, and would leave only long after the test.
    detector_->setResetTiming(60000, 0);
    pod().setLoggedInUsers(loggedIn ? OPERATOR_LOGGED_IN : 0);
    const bool toBootloader = target == Target::Bootloader;
    const std::uint16_t commandId =
        toBootloader ? command_id::SOFTWARE_RESET_TO_BOOTLOADER : command_id::SOFTWARE_RESET;
    if (fault) {
        pod().addFault(commandId, *fault);
    }
    Link link(detector_->location());
    fwup::SoftwareResetToBootloaderRequester bootloader(link.centre, 0, WAIT_MS, WAIT_MS);
    fwup::SoftwareResetToApplicationRequester application(link.centre, 0, WAIT_MS, WAIT_MS);
    Ends ends;
    Ends second;

    if (toBootloader) {
        bootloader.start(ends.onDone(), ends.onFailure());
        bootloader.start(second.onDone(), second.onFailure());
    } else {
        application.start(ends.onDone(), ends.onFailure());
        application.start(second.onDone(), second.onFailure());
    }
    // The second start fails at once and leaves the first alone.
    QCOMPARE(second.failed, 1);
    QTRY_COMPARE(ends.total(), 1);
    QCOMPARE(ends.done, done ? 1 : 0);
    // One send, never repeated, without payload.
    QCOMPARE(pod().requestLog(), QStringList{QStringLiteral("SET %1").arg(commandId)});
    QCOMPARE(pod().traffic().first().payload, QByteArray());
}

// --- Indirect relocator ---

void TestInstallationAgents::resetTamarind() {
    Link link(tamarindLocation());
    fwup::SoftwareResetToApplicationRequester requester(link.centre, 0, WAIT_MS, WAIT_MS);
    Ends ends;
    requester.start(ends.onDone(), ends.onFailure());
    QTRY_COMPARE(ends.done, 1);
    QCOMPARE(detector_->tamarind().restartCount(), 1);
    detector_->clearRecords();
}

void TestInstallationAgents::relocatesTamarindAfterReset_data() {
    QTest::addColumn<int>("rebootMs");
    QTest::addColumn<bool>("staysAway");
    QTest::addColumn<std::uint32_t>("attempts");
    QTest::newRow("back at once") << 0 << false << 30u;
    QTest::newRow("silent for a while") << 350 << false << 30u;
    QTest::newRow("gone for good") << 0 << true << 3u;
}

void TestInstallationAgents::relocatesTamarindAfterReset() {
    QFETCH(int, rebootMs);
    QFETCH(bool, staysAway);
    QFETCH(std::uint32_t, attempts);
    detector_->setTamarindRebootTime(rebootMs);
    detector_->setTamarindStaysAwayAfterReset(staysAway ? 1 : 0);
    resetTamarind();
    fwup::IndirectConnectionComponentRelocator relocator(attempts, WAIT_MS, WAIT_MS);
    Relocation relocation;

    relocator.relocate(tamarindLocation(), detector_->usbSerialNumber(), relocation.onFound(),
                       relocation.onFailure());
    QVERIFY(relocator.isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(relocation.total, 1, 10000);

    QVERIFY(!relocator.isBusy());
    // While the gateway is away the pod drops what the tunnel carries.
    const int dropped = countEvents(*detector_, QStringLiteral("tunnel data ignored"));
    if (staysAway) {
        QVERIFY(!relocation.found);
        QCOMPARE(dropped, 3);
    } else {
        QCOMPARE(relocation.found,
                 std::make_optional(std::make_pair(cvsw::muppet::ProductTypeId(161), tamarindLocation())));
        QCOMPARE(dropped > 0, rebootMs > 0);
        QCOMPARE(detector_->tamarind().requestLog(), QStringList{"GET 20"});
    }
}

void TestInstallationAgents::relocatorBusyCancelAndReuse() {
    detector_->setTamarindStaysAwayAfterReset();
    resetTamarind();
    fwup::IndirectConnectionComponentRelocator relocator(30, WAIT_MS, WAIT_MS);
    Relocation cancelled;
    Relocation refused;

    relocator.relocate(tamarindLocation(), {}, cancelled.onFound(), cancelled.onFailure());
    relocator.relocate(tamarindLocation(), {}, refused.onFound(), refused.onFailure());
    QCOMPARE(refused.total, 1);
    QTRY_VERIFY(countEvents(*detector_, QStringLiteral("tunnel data ignored")) >= 1);
    relocator.cancel();
    QVERIFY(!relocator.isBusy());

    // Found; its handler relocates again on the same relocator, which connects afresh.
    detector_->bringTamarindBack();
    detector_->clearRecords();
    Relocation second;
    int firstFound = 0;
    relocator.relocate(
        tamarindLocation(), {},
        [&](cvsw::muppet::ProductTypeId, const QString& location) {
            ++firstFound;
            relocator.relocate(location, {}, second.onFound(), second.onFailure());
        },
        [] {});
    QTRY_COMPARE(second.total, 1);
    QVERIFY(second.found);
    QCOMPARE(firstFound, 1);
    QCOMPARE(countEvents(*detector_, QStringLiteral("tunnel set-up 42")), 2);
    // Longer than the cancelled read would have waited for its next send.
    QTest::qWait(3 * WAIT_MS);
    QCOMPARE(cancelled.total, 0);
    QCOMPARE(refused.total, 1);
}

// --- Upgrade indicator ---

void TestInstallationAgents::indicatorRuns_data() {
    QTest::addColumn<bool>("indicate");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<int>("ignoredSets");
    QTest::addColumn<std::optional<std::uint8_t>>("silentMode");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("retries");
    QTest::addColumn<QString>("warning");
    const QString get = QStringLiteral("GET 114");
    const QString set = QStringLiteral("SET 114");
    const std::optional<std::uint8_t> answers;
    const int always = SimulatedComponent::kAlways;

    QTest::newRow("show") << true << true << 0 << answers << QStringList{get, set} << true << 0 << QString();
    // Clearing never asks whether an upgrade is allowed.
    QTest::newRow("clear") << false << false << 0 << answers << QStringList{set} << true << 0 << QString();
    QTest::newRow("show, not allowed") << true << false << 0 << answers << QStringList{get} << false << 0
                                       << QStringLiteral("^firmware cannot currently be upgraded$");
    QTest::newRow("show, right at the second SET")
        << true << true << 1 << answers << QStringList{get, set, set} << true << 1 << QString();
    QTest::newRow("show, wrong state three times")
        << true << true << always << answers << QStringList{get, set, set, set} << false << 3 << QString();
    QTest::newRow("clear, wrong state three times")
        << false << true << always << answers << QStringList{set, set, set} << false << 3 << QString();
    // The exchange has made its own attempts; the indicator adds none.
    QTest::newRow("query unanswered")
        << true << true << 0 << std::make_optional(GET) << QStringList{get, get} << false << 0
        << QStringLiteral("^could not check if upgrade is allowed: .*TIMEOUT");
    QTest::newRow("SET unanswered") << true << true << 0 << std::make_optional(SET)
                                    << QStringList{get, set, set} << false << 0
                                    << QStringLiteral("^could not indicate firmware upgrade: .*TIMEOUT");
}

void TestInstallationAgents::indicatorRuns() {
    QFETCH(bool, indicate);
    QFETCH(bool, allowed);
    QFETCH(int, ignoredSets);
    QFETCH(std::optional<std::uint8_t>, silentMode);
    QFETCH(QStringList, requests);
    QFETCH(bool, success);
    QFETCH(int, retries);
    QFETCH(QString, warning);
    Link link(detector_->location());
    fwup::FirmwareUpgradeIndicator indicator(link.centre, 2, WAIT_MS, WAIT_MS);
    indicator.setRetryIntervalMs(RETRY_MS);
    if (!indicate) {
        // Start from a shown screen, so that a stuck device keeps showing it.
        Ends shown;
        indicator.start(true, shown.onDone(), shown.onFailure());
        QTRY_COMPARE(shown.done, 1);
        pod().clearTraffic();
    }
    pod().setUpgradeAllowed(allowed);
    pod().ignoreIndicationSets(ignoredSets);
    if (silentMode) {
        pod().addFault(command_id::INDICATE_FIRMWARE_UPGRADE, SimulatedFault::silence().forMode(*silentMode),
                       -1);
    }
    if (!warning.isEmpty()) {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    }
    Ends ends;

    indicator.start(indicate, ends.onDone(), ends.onFailure());
    QTRY_COMPARE(ends.total(), 1);

    QCOMPARE(ends.done, success ? 1 : 0);
    QCOMPARE(pod().requestLog(), requests);
    for (const auto& entry : pod().traffic()) {
        QCOMPARE(entry.payload, entry.mode == SET ? QByteArray(1, indicate ? '\1' : '\0') : QByteArray());
    }
    QCOMPARE(indicator.retryCount(), retries);
    QVERIFY(!indicator.isWaitingToRetry());
    QCOMPARE(pod().upgradeIndicated(), success ? indicate : !indicate);
}

// A new run replaces one that waits to retry: the old run's retry never fires and its handlers are
// never called.
void TestInstallationAgents::indicatorRestartDuringRetryWait() {
    Link link(detector_->location());
    fwup::FirmwareUpgradeIndicator indicator(link.centre, 2, WAIT_MS, WAIT_MS);
    indicator.setRetryIntervalMs(RETRY_MS);
    pod().ignoreIndicationSets(1);
    Ends first;
    indicator.start(true, first.onDone(), first.onFailure());
    QTRY_VERIFY(indicator.isWaitingToRetry());

    // The new run waits to retry as well; only its own retry may fire.
    pod().ignoreIndicationSets(1);
    Ends second;
    indicator.start(true, second.onDone(), second.onFailure());
    QTRY_COMPARE(second.done, 1);
    QCOMPARE(indicator.retryCount(), 1);
    QTest::qWait(3 * RETRY_MS);

    QCOMPARE(first.total(), 0);
    QCOMPARE(second.total(), 1);
    QCOMPARE(pod().requestLog(), (QStringList{"GET 114", "SET 114", "GET 114", "SET 114", "SET 114"}));
}

// --- The owners' own waits ---

// What the tests above replace, at the values the shipped updater makes its agents with, so that a
// changed default shows. The indirect relocator's resend wait is its own default, shown at work.
void TestInstallationAgents::ownersDefaults() {
    const fwup::MbuAndTamarindUpdateTiming timing;
    // The bootloader file putter's product-type, offset and put exchanges.
    QCOMPARE(timing.filePut.productTypeAttempts, std::uint32_t{10});
    QCOMPARE(timing.filePut.productTypeFirstTimeoutMs, std::uint64_t{250});
    QCOMPARE(timing.filePut.productTypeResendTimeoutMs, std::uint64_t{1000});
    QCOMPARE(timing.filePut.offsetAttempts, std::uint32_t{10});
    QCOMPARE(timing.filePut.offsetFirstTimeoutMs, std::uint64_t{1000});
    QCOMPARE(timing.filePut.offsetResendTimeoutMs, std::uint64_t{1000});
    QCOMPARE(timing.filePut.putAttempts, std::uint32_t{3});
    QCOMPARE(timing.putTimeout.count(), std::chrono::milliseconds::rep{10000});
    QCOMPARE(timing.filePut.putResendTimeoutMs, std::uint64_t{250});
    // The Tamarind file putter's wait for every reply.
    QCOMPARE(timing.tamarind.replyTimeoutMs, std::uint64_t{1000});
    // The indirect relocator: 30 attempts, 2000 ms after the first send.
    QCOMPARE(timing.tamarindRelocationAttempts, std::uint32_t{30});
    QCOMPARE(timing.tamarindRelocationFirstTimeoutMs, std::uint64_t{2000});

    // ... and 1000 ms after each later one: two sends into silence, 10 ms and then a second apart.
    detector_->tamarind().addFault(command_id::PRODUCT_TYPE, SimulatedFault::silence(),
                                   SimulatedComponent::kAlways);
    fwup::IndirectConnectionComponentRelocator relocator(2, 10);
    Relocation relocation;
    QElapsedTimer clock;
    qint64 failedAfterMs = -1;
    clock.start();
    relocator.relocate(tamarindLocation(), {}, relocation.onFound(), [&] {
        failedAfterMs = clock.elapsed();
        relocation.onFailure()();
    });
    QTRY_COMPARE_WITH_TIMEOUT(relocation.total, 1, 10000);
    QVERIFY(!relocation.found);
    QCOMPARE(detector_->tamarind().requestCount(command_id::PRODUCT_TYPE), 2);
    // Qt's coarse timers may fire up to 5 % early. Well under the 2010 ms that a resend wait of
    // 2000 ms would take, even on a busy machine.
    QVERIFY2(failedAfterMs >= 1010 * 0.95 && failedAfterMs < 1800,
             qPrintable(QString::number(failedAfterMs)));
}

QTEST_GUILESS_MAIN(TestInstallationAgents)
#include "tst_installation_agents.moc"
