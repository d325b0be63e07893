// The components the shipped configuration never constructs, against the simulated detector with a
// one-module pod: the device file putter and the legacy MBU updaters.
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/communication/detector_locator.h"
#include "fwup/communication/hid_detector_locator.h"
#include "fwup/firmware/legacy_system_update.h"
#include "fwup/firmware/mbu_and_tamarind_system_update.h"
#include "fwup/identification/mbu_and_tamarind_system_identity.h"
#include "fwup/installation/legacy_muppet_mbu_detector_updater.h"
#include "fwup/installation/muppet_device_file_putter.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/legacy_test_support.h"
#include "tests/support/simulated_detector/payload_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

using namespace installation_test;
using fwup::DetectorType;
using fwup::LegacyMuppetMbuDetectorUpdater;
using fwup::MuppetDeviceFilePutter;
using fwup::UpdaterStatus;
using fwup::Version;
using legacy_test::OneModuleIdentifier;
using PodMode = SimulatedDetector::PodMode;

namespace {

constexpr std::uint16_t CONTROL_POD_IMAGE = 11000;
constexpr unsigned long CHUNK = 1024;
constexpr std::uint8_t PARAMETER = 2;
constexpr std::uint8_t UNAUTHORISED = 4;
constexpr std::uint8_t UNHANDLED = 9;
// A short GET schedule: 5 ... 1280 ms, then 2560 ms for the last GET.
constexpr qint64 SHORT_RETRY_BASE_MS = 5;
// Long enough that a busy machine's late answer brings no GET, where a test counts them.
constexpr qint64 QUIET_RETRY_BASE_MS = 200;

// The offsets of the file-put SETs the pod received, in order, with -1 after an empty one.
QList<qint64> setOffsetsAndEnds(const SimulatedComponent& component) {
    QList<qint64> offsets;
    for (const auto& entry : component.traffic()) {
        if (entry.commandId == command_id::FILE_PUT_LPD && entry.mode == SET) {
            cuu::test::PayloadReader reader(entry.payload);
            reader.u16();
            const quint32 offset = reader.u32();
            offsets.append(offset);
            if (reader.u16() == 0) {
                offsets.append(-1);
            }
        }
    }
    return offsets;
}

// Chunk offsets of an undisturbed put, each followed by its size marker as setOffsetsAndEnds gives them.
QList<qint64> inOrder(qint64 size, qint64 chunk) {
    QList<qint64> offsets;
    for (qint64 offset = 0; offset < size; offset += chunk) {
        offsets.append(offset);
    }
    offsets << size << -1;
    return offsets;
}

// Points the open descriptor of path at another file opened for writing only: the size and seeks
// stay plausible, but every later read fails.
bool spoilOpenFile(const QString& path, const QString& writeOnly) {
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& name : fds.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (QFile::symLinkTarget(fds.filePath(name)) != QFileInfo(path).canonicalFilePath()) {
            continue;
        }
        const int replacement = ::open(QFile::encodeName(writeOnly).constData(), O_WRONLY);
        if (replacement < 0) {
            return false;
        }
        const bool swapped = ::dup2(replacement, name.toInt()) >= 0;
        ::close(replacement);
        return swapped;
    }
    return false;
}

// --- Legacy updaters ---

constexpr DetectorType LEGACY_TYPE = DetectorType::LODESTAR_MODEL_1;
constexpr DetectorType OTHER_TYPE = DetectorType::LODESTAR_MODEL_2;
constexpr Version INSTALLED{1, 77, 0};
constexpr Version NEWER{1, 78, 0};
constexpr Version OLDER{1, 76, 3};
constexpr Version NONE{};
constexpr int IMAGE_SIZE = 2500;

// Software up to 1.76 reads record version 1, later software version 2.
const fwup::VersionRangeTable SETTINGS_TABLE = {
    {{{1, 0, 0}, {1, 76, 255}}, 1},
    {{{1, 77, 0}, {1, 255, 255}}, 2},
};

// The devices' waits, shortened: each reset and relocation takes a few tens of milliseconds.
fwup::MuppetMbuDetectorUpdater::Timing shortTiming() {
    fwup::MuppetMbuDetectorUpdater::Timing timing;
    timing.relocationRetryIntervalMs = 20;
    timing.filePutter.productTypeFirstTimeoutMs = 150;
    timing.filePutter.offsetFirstTimeoutMs = 150;
    timing.filePutter.resetTimeoutMs = 150;
    timing.filePutter.loginStepTimeoutMs = 150;
    timing.filePutter.applicationStartWaitMs = 50;
    timing.settingsStorer.productTypeFirstTimeoutMs = 150;
    timing.settingsStorer.resetTimeoutMs = 150;
    timing.settingsStorer.loginStepTimeoutMs = 150;
    timing.settingsStorer.store.firstTimeoutMs = 150;
    timing.settingsStorer.store.pollIntervalMs = 10;
    return timing;
}

std::unique_ptr<LegacyMuppetMbuDetectorUpdater> makeUpdater(bool allowSpeculativeContinuation) {
    return std::make_unique<LegacyMuppetMbuDetectorUpdater>(
        LEGACY_TYPE, legacy_test::MODULE_BOOTLOADER, legacy_test::MODULE_APPLICATION, SETTINGS_TABLE,
        std::chrono::milliseconds(150), allowSpeculativeContinuation, shortTiming());
}

QMap<fwup::UpgradeableComponent, Version> versionsFor(int module, Version version) {
    return {{module == 1 ? fwup::UpgradeableComponent::LEGACY_MBU_MODULE_1
                         : fwup::UpgradeableComponent::LEGACY_MBU_MODULE_2,
             version}};
}

// What an updater emitted, in order, as "progress false 0", "progress true 40", "finished 2"; and
// whether anything came before startUpdate returned.
struct UpdaterRecord {
    QStringList events;
    bool returned = false;
    bool early = false;
    void attach(fwup::DetectorUpdater& updater) {
        QObject::connect(&updater, &fwup::DetectorUpdater::updateProgress, &updater,
                         [this](bool determinate, int percent) {
                             events.append(
                                 QStringLiteral("progress %1 %2")
                                     .arg(determinate ? QStringLiteral("true") : QStringLiteral("false"))
                                     .arg(percent));
                         });
        QObject::connect(&updater, &fwup::DetectorUpdater::finished, &updater, [this](UpdaterStatus status) {
            early = early || !returned;
            events.append(QStringLiteral("finished %1").arg(int(status)));
        });
    }
    int finishedCount() const { return int(events.filter(QStringLiteral("finished")).size()); }
};

enum class Twist {
    None,
    ImpostorAnswersFirst, // an identifier registered first reports another serial once updated
    UnrecognisedAfterwards,
    ImageRefused,
    NoLinkToLocation, // the transfer fails inside startUpdate
    StoreFails,
    EmptyImage,
};

} // namespace

class TestLegacyUpdaters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerLinkStack(); }
    void init();
    void cleanup();
    void cleanupTestCase() { unregisterLinkStack(); }

    // --- Device file putter ---
    void putsWholeFile_data();
    void putsWholeFile();
    void followsTheDevice_data();
    void followsTheDevice();
    void getScheduleThenGivesUp();
    void refusesWhatItCannotPut();
    void unreadableFileEndsPut();

    // --- Legacy updaters ---
    void refusesUpdate_data();
    void refusesUpdate();
    void endings_data();
    void endings();

private:
    SimulatedComponent& pod() { return detector_->pod(); }
    QString writeFile(qsizetype size);
    bool put(MuppetDeviceFilePutter& putter, const QString& path);

    // Registers the locators of both pod modes and the identifiers, first one first.
    void registerFinding(const QList<QSharedPointer<OneModuleIdentifier>>& identifiers);
    std::unique_ptr<fwup::LegacySystemIdentity> identifyPod(int module, bool speculative);

    std::unique_ptr<SimulatedDetector> detector_;
    QTemporaryDir dir_;
    int files_ = 0;
};

void TestLegacyUpdaters::init() {
    // The device file putter talks to the pod's bootloader; the legacy updaters find the pod running.
    const QLatin1String function(QTest::currentTestFunction());
    const bool updater = function == QLatin1String("refusesUpdate") || function == QLatin1String("endings");
    detector_ = plugDetector(updater ? PodMode::Application : PodMode::Bootloader);
    detector_->setTamarindPresent(false);
}

void TestLegacyUpdaters::cleanup() {
    fwup::global_detector_locator_registry().clear();
    fwup::global_detector_identifier_registry().clear();
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

QString TestLegacyUpdaters::writeFile(qsizetype size) {
    const QString path = dir_.filePath(QStringLiteral("image%1.mbu").arg(++files_));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents(size)) != size) {
        qFatal("cannot write the test image");
    }
    return path;
}

bool TestLegacyUpdaters::put(MuppetDeviceFilePutter& putter, const QString& path) {
    const auto connection = fwup::MuppetConnection::establishConnection(detector_->location());
    if (!connection) {
        qFatal("no connection to the simulated pod");
    }
    return putter.filePutToDevice(*connection, path);
}

// --- Device file putter ---

void TestLegacyUpdaters::putsWholeFile_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qulonglong>("chunkSize");
    QTest::addColumn<qint64>("chunk");
    QTest::newRow("empty file") << qint64(0) << qulonglong(CHUNK) << qint64(CHUNK);
    QTest::newRow("1 byte") << qint64(1) << qulonglong(CHUNK) << qint64(CHUNK);
    QTest::newRow("exactly one chunk") << qint64(CHUNK) << qulonglong(CHUNK) << qint64(CHUNK);
    QTest::newRow("three chunks and a bit") << qint64(3 * CHUNK + 17) << qulonglong(CHUNK) << qint64(CHUNK);
    // As large as a frame of the link carries.
    QTest::newRow("large chunks") << qint64(40000) << qulonglong(16000) << qint64(16000);
    // Only the low 16 bits count.
    QTest::newRow("chunk size above 16 bits") << qint64(250) << qulonglong(0x10000 + 100) << qint64(100);
}

void TestLegacyUpdaters::putsWholeFile() {
    QFETCH(qint64, size);
    QFETCH(qulonglong, chunkSize);
    QFETCH(qint64, chunk);
    pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    const QString path = writeFile(size);
    MuppetDeviceFilePutter putter(CONTROL_POD_IMAGE, chunkSize);
    putter.setRetryBaseMs(QUIET_RETRY_BASE_MS);
    QSignalSpy progress(&putter, &MuppetDeviceFilePutter::filePutProgress);
    QSignalSpy finished(&putter, &MuppetDeviceFilePutter::finished);

    QVERIFY(put(putter, path));

    QVERIFY(putter.hasCompletedSuccessfully());
    QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(size));
    QVERIFY(pod().isFileComplete(CONTROL_POD_IMAGE));
    QCOMPARE(setOffsetsAndEnds(pod()), inOrder(size, chunk));
    QCOMPARE(pod().requestCount(command_id::FILE_PUT_LPD, GET), 0);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().value<MuppetDeviceFilePutter::StateId>(),
             MuppetDeviceFilePutter::COMPLETE);
    // One report per answered data chunk, ending at 100.
    QCOMPARE(progress.size(), int((size + chunk - 1) / chunk));
    if (size > 0) {
        QCOMPARE(progress.last().first().toInt(), 100);
    }
}

void TestLegacyUpdaters::followsTheDevice_data() {
    QTest::addColumn<SimulatedFault>("fault");
    QTest::addColumn<int>("skip");
    QTest::addColumn<int>("times");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QList<qint64>>("offsets");
    QTest::addColumn<int>("gets");
    QTest::addColumn<bool>("complete");
    const SimulatedFault onSet = SimulatedFault::silence().forMode(SET);
    // A 3072-byte file; `skip` SETs go through before the fault meets `times` of them.
    QTest::newRow("silent chunk, resumed after a GET")
        << onSet << 1 << 1 << true << QList<qint64>{0, 1024, 1024, 2048, 3072, -1} << 1 << true;
    QTest::newRow("chunk held short, sent again from there")
        << SimulatedFault::shortAcknowledgement(100).forMode(SET) << 1 << 1 << true
        << QList<qint64>{0, 1024, 1948, 2972, 3072, -1} << 0 << true;
    // The device claims the whole file too early: the end goes out, the device names what it holds,
    // the rest follows, and its answer at the end completes the put without a second empty SET.
    QTest::newRow("end of file named early")
        << SimulatedFault::acknowledgementBeyond(1024).forMode(SET) << 1 << 1 << true
        << QList<qint64>{0, 1024, 3072, -1, 2048} << 0 << true;
    QTest::newRow("ERR PARAMETER asks for the offset at once")
        << SimulatedFault::error(PARAMETER).forMode(SET) << 1 << 1 << true
        << QList<qint64>{0, 1024, 1024, 2048, 3072, -1} << 1 << true;
    QTest::newRow("ERR UNHANDLED waits for the schedule")
        << SimulatedFault::error(UNHANDLED).forMode(SET) << 1 << 1 << true
        << QList<qint64>{0, 1024, 1024, 2048, 3072, -1} << 1 << true;
    QTest::newRow("ERR UNAUTHORISED waits for the schedule")
        << SimulatedFault::error(UNAUTHORISED).forMode(SET) << 2 << 1 << true
        << QList<qint64>{0, 1024, 2048, 2048, 3072, -1} << 1 << true;
    // The device's answer to the GET names the file's end, which counts as confirmed.
    QTest::newRow("silent end of file")
        << onSet << 3 << 1 << true << QList<qint64>{0, 1024, 2048, 3072, -1} << 1 << true;
    // The pod refuses every put and every GET without an operator login.
    QTest::newRow("not logged in") << SimulatedFault::silence() << 0 << 0 << false << QList<qint64>{0} << 7
                                   << false;
}

void TestLegacyUpdaters::followsTheDevice() {
    QFETCH(SimulatedFault, fault);
    QFETCH(int, skip);
    QFETCH(int, times);
    QFETCH(bool, loggedIn);
    QFETCH(QList<qint64>, offsets);
    QFETCH(int, gets);
    QFETCH(bool, complete);
    if (loggedIn) {
        pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    }
    if (times != 0) {
        // A fault that passes the first `skip` requests of its mode untouched.
        const SimulatedFault pass = SimulatedFault::acknowledgementBeyond(0).forMode(SET);
        if (skip > 0) {
            pod().addFault(command_id::FILE_PUT_LPD, pass, skip);
        }
        pod().addFault(command_id::FILE_PUT_LPD, fault, times);
    }
    const QString path = writeFile(3 * CHUNK);
    MuppetDeviceFilePutter putter(CONTROL_POD_IMAGE, CHUNK);
    // Where the device answers, a GET comes only from the fault; where it never does, the schedule runs
    // out quickly.
    putter.setRetryBaseMs(complete ? QUIET_RETRY_BASE_MS : SHORT_RETRY_BASE_MS);
    QSignalSpy finished(&putter, &MuppetDeviceFilePutter::finished);

    QCOMPARE(put(putter, path), complete);

    QCOMPARE(setOffsetsAndEnds(pod()), offsets);
    QCOMPARE(pod().requestCount(command_id::FILE_PUT_LPD, GET), gets);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().value<MuppetDeviceFilePutter::StateId>(),
             complete ? MuppetDeviceFilePutter::COMPLETE : MuppetDeviceFilePutter::ERROR);
    if (complete) {
        QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(3 * CHUNK));
        return;
    }
    // The same putter starts afresh once the device behaves.
    pod().clearFaults();
    pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    pod().clearTraffic();
    putter.setRetryBaseMs(QUIET_RETRY_BASE_MS);
    QVERIFY(put(putter, path));
    QCOMPARE(setOffsetsAndEnds(pod()), inOrder(3 * CHUNK, CHUNK));
    QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(3 * CHUNK));
}

void TestLegacyUpdaters::getScheduleThenGivesUp() {
    pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::silence(), SimulatedComponent::kAlways);
    const QString path = writeFile(100);
    MuppetDeviceFilePutter putter(CONTROL_POD_IMAGE, CHUNK);
    putter.setRetryBaseMs(SHORT_RETRY_BASE_MS);
    legacy_test::GetScheduleRecorder recorder;

    QVERIFY(!put(putter, path));

    QCOMPARE(putter.state(), MuppetDeviceFilePutter::ERROR);
    recorder.verify(SHORT_RETRY_BASE_MS);
    QCOMPARE(pod().requestCount(command_id::FILE_PUT_LPD, GET), 7);
}

void TestLegacyUpdaters::refusesWhatItCannotPut() {
    // Chunks without data would never move the device's offset.
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, MuppetDeviceFilePutter(CONTROL_POD_IMAGE, 0));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, MuppetDeviceFilePutter(CONTROL_POD_IMAGE, 0x10000));
    // Offsets travel in 32 bits, so the device could never confirm the end of a longer file.
    const QString path = dir_.filePath(QStringLiteral("huge.mbu"));
    QFile huge(path);
    if (!huge.open(QIODevice::WriteOnly) || !huge.resize(qint64(1) << 32 | 1)) {
        QSKIP("the temporary file system cannot hold a sparse 4 GiB file");
    }
    MuppetDeviceFilePutter putter(CONTROL_POD_IMAGE, CHUNK);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^File too large to put:")));
    QVERIFY(!put(putter, path));
    QVERIFY(pod().traffic().isEmpty());
    QCOMPARE(putter.state(), MuppetDeviceFilePutter::IDLE);
}

void TestLegacyUpdaters::unreadableFileEndsPut() {
    pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    constexpr qsizetype size = 64 * 1024;
    const QString path = writeFile(size);
    const QString replacement = writeFile(size);
    MuppetDeviceFilePutter putter(CONTROL_POD_IMAGE, CHUNK);
    putter.setRetryBaseMs(QUIET_RETRY_BASE_MS);
    QSignalSpy finished(&putter, &MuppetDeviceFilePutter::finished);
    bool spoiled = false;
    // The file goes bad once the device has answered; chunks the file already buffered still go out.
    connect(&putter, &MuppetDeviceFilePutter::filePutProgress, this, [&] {
        if (!spoiled) {
            spoiled = spoilOpenFile(path, replacement);
        }
    });
    // Should the putter keep asking instead, its GETs soon run out.
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, this, [&] {
        putter.setRetryBaseMs(1);
        detector_->unplug();
    });
    guard.start(5000);

    QVERIFY(!put(putter, path));

    QVERIFY(spoiled);
    QCOMPARE(putter.state(), MuppetDeviceFilePutter::ERROR);
    QCOMPARE(finished.size(), 1);
    const QList<qint64> offsets = setOffsetsAndEnds(pod());
    QVERIFY(offsets.size() >= 2 && offsets.last() < size);
    QVERIFY(contents(size).startsWith(pod().file(CONTROL_POD_IMAGE)));
    // At once: every answer would only bring another bad read and the GET schedule would never end.
    QCOMPARE(pod().requestCount(command_id::FILE_PUT_LPD, GET), 0);

    // The same at the first chunk of the next transfer.
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^Failed to read chunk from firmware file:")));
    putter.start();
    putter.poll();
    QCOMPARE(putter.state(), MuppetDeviceFilePutter::ERROR);
    QCOMPARE(finished.size(), 2);
}

// --- Legacy updaters ---

void TestLegacyUpdaters::registerFinding(const QList<QSharedPointer<OneModuleIdentifier>>& identifiers) {
    auto& locators = fwup::global_detector_locator_registry();
    locators.append(QSharedPointer<fwup::HidDetectorLocator>::create(
        SimulatedDetector::kVendorId, SimulatedDetector::kApplicationProductId));
    locators.append(QSharedPointer<fwup::HidDetectorLocator>::create(
        SimulatedDetector::kVendorId, SimulatedDetector::kBootloaderProductId));
    for (const auto& identifier : identifiers) {
        fwup::global_detector_identifier_registry().append(identifier);
    }
}

std::unique_ptr<fwup::LegacySystemIdentity> TestLegacyUpdaters::identifyPod(int module, bool speculative) {
    OneModuleIdentifier identifier;
    identifier.types = {{INSTALLED, LEGACY_TYPE}};
    const auto identity = identifier.identifyDetector(detector_->location());
    const auto* seen = dynamic_cast<const fwup::LegacySystemIdentity*>(identity.get());
    if (seen == nullptr || !seen->firstModule()) {
        return nullptr;
    }
    const auto& pod = seen->firstModule();
    return std::make_unique<fwup::LegacySystemIdentity>(
        module == 1 ? pod : std::nullopt, module == 2 ? pod : std::nullopt, LEGACY_TYPE, speculative);
}

void TestLegacyUpdaters::refusesUpdate_data() {
    // module: where the identity has the pod, 1 or 2; 0 for an identity of another kind.
    QTest::addColumn<int>("module");
    QTest::addColumn<DetectorType>("type");
    QTest::addColumn<bool>("legacyUpdate");
    QTest::addColumn<Version>("first");
    QTest::addColumn<Version>("second");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("warning");
    const QString either = QStringLiteral("Either both Software versions are invalid or present which is not "
                                          "acceptable");
    const QString image = QStringLiteral("image");
    QTest::newRow("another detector type") << 1 << OTHER_TYPE << true << NEWER << NONE << image << QString();
    QTest::newRow("another kind of identity")
        << 0 << LEGACY_TYPE << true << NEWER << NONE << image << QString();
    QTest::newRow("another kind of update")
        << 1 << LEGACY_TYPE << false << NEWER << NONE << image << QString();
    QTest::newRow("both modules") << 1 << LEGACY_TYPE << true << NEWER << NEWER << image << either;
    QTest::newRow("no module") << 1 << LEGACY_TYPE << true << NONE << NONE << image << either;
    QTest::newRow("second module absent") << 1 << LEGACY_TYPE << true << NONE << NEWER << image << either;
    QTest::newRow("first module absent") << 2 << LEGACY_TYPE << true << NEWER << NONE << image << either;
    // Progress 0 goes out before the missing image is noticed.
    QTest::newRow("image missing") << 1 << LEGACY_TYPE << true << NEWER << NONE << QStringLiteral("gone")
                                   << QStringLiteral("Caught request to perform update with non-existant "
                                                     "firmware: .*gone.mbu\"");
}

void TestLegacyUpdaters::refusesUpdate() {
    QFETCH(int, module);
    QFETCH(DetectorType, type);
    QFETCH(bool, legacyUpdate);
    QFETCH(Version, first);
    QFETCH(Version, second);
    QFETCH(QString, image);
    QFETCH(QString, warning);
    fwup::MbuComponentIdentity seen;
    seen.serialNumber = detector_->usbSerialNumber();
    seen.softwareVersion = INSTALLED;
    std::unique_ptr<fwup::ISystemIdentity> identity;
    if (module == 0) {
        identity = std::make_unique<fwup::MbuAndTamarindSystemIdentity>(std::nullopt, seen, type);
    } else {
        identity = std::make_unique<fwup::LegacySystemIdentity>(
            module == 1 ? std::optional(seen) : std::nullopt,
            module == 2 ? std::optional(seen) : std::nullopt, type, false);
    }
    const QString path =
        image == QLatin1String("gone") ? dir_.filePath(QStringLiteral("gone.mbu")) : writeFile(IMAGE_SIZE);
    QMap<fwup::UpgradeableComponent, Version> versions = versionsFor(1, first);
    versions.insert(fwup::UpgradeableComponent::LEGACY_MBU_MODULE_2, second);
    std::unique_ptr<fwup::ISystemUpdate> update;
    if (legacyUpdate) {
        update = std::make_unique<fwup::LegacySystemUpdate>(path, versions);
    } else {
        update = std::make_unique<fwup::MbuAndTamarindSystemUpdate>(NEWER, NONE);
    }
    const auto updater = makeUpdater(true);
    UpdaterRecord record;
    record.attach(*updater);
    if (!warning.isEmpty()) {
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^") + warning + QStringLiteral("$")));
    }

    QVERIFY(!updater->startUpdate(*identity, detector_->location(), *update));
    QCoreApplication::processEvents();

    QCOMPARE(record.events, image == QLatin1String("gone") ? QStringList{QStringLiteral("progress false 0")}
                                                           : QStringList{});
    QVERIFY(pod().traffic().isEmpty());
}

void TestLegacyUpdaters::endings_data() {
    QTest::addColumn<int>("module");
    QTest::addColumn<Version>("target");
    QTest::addColumn<DetectorType>("newType");
    QTest::addColumn<bool>("speculative");
    QTest::addColumn<bool>("continuation");
    QTest::addColumn<Twist>("twist");
    QTest::addColumn<UpdaterStatus>("status");
    QTest::addColumn<QString>("message");
    const auto complete = UpdaterStatus::COMPLETE;
    const auto failed = UpdaterStatus::FAILED;
    const QString none;
    const QString lookingFor = QStringLiteral("Looking for LODESTAR_MODEL_1 but found LODESTAR_MODEL_2");
    QTest::newRow("same type") << 1 << NEWER << LEGACY_TYPE << false << true << Twist::None << complete
                               << none;
    QTest::newRow("same type, second module")
        << 2 << NEWER << LEGACY_TYPE << false << true << Twist::None << complete << none;
    QTest::newRow("new type after a speculative update")
        << 1 << NEWER << OTHER_TYPE << true << true << Twist::None << UpdaterStatus::INCOMPLETE
        << QStringLiteral("Looks like the previous update was a speculative update, entering");
    QTest::newRow("new type, identity not speculative")
        << 1 << NEWER << OTHER_TYPE << false << true << Twist::None << failed << lookingFor;
    QTest::newRow("new type, continuation not allowed")
        << 1 << NEWER << OTHER_TYPE << true << false << Twist::None << failed << lookingFor;
    // The first identifier that recognises the system decides, though the second would match.
    QTest::newRow("another system answers first")
        << 1 << NEWER << LEGACY_TYPE << false << true << Twist::ImpostorAnswersFirst << failed
        << QStringLiteral("After the update we found a system that isn't the same physical system.");
    // Decided: with nothing identified, the update cannot be confirmed.
    QTest::newRow("nothing recognised afterwards")
        << 1 << NEWER << LEGACY_TYPE << false << true << Twist::UnrecognisedAfterwards << failed
        << QStringLiteral("After the update no detector could be identified at .*");
    QTest::newRow("image refused by the pod")
        << 1 << NEWER << LEGACY_TYPE << false << true << Twist::ImageRefused << failed << none;
    QTest::newRow("no link to the location")
        << 1 << NEWER << LEGACY_TYPE << false << true << Twist::NoLinkToLocation << failed << none;
    // Going back to software that reads record version 1 has the pod store its record first.
    QTest::newRow("settings stored first")
        << 1 << OLDER << LEGACY_TYPE << false << true << Twist::None << complete << none;
    QTest::newRow("settings store fails, image put all the same")
        << 1 << OLDER << LEGACY_TYPE << false << true << Twist::StoreFails << complete << none;
    // Refused before the settings step too, though going back to 1.76 would store the record.
    QTest::newRow("empty image") << 1 << OLDER << LEGACY_TYPE << false << true << Twist::EmptyImage << failed
                                 << QStringLiteral("Empty or missing firmware image .*image\\d+\\.mbu\"");
}

void TestLegacyUpdaters::endings() {
    QFETCH(int, module);
    QFETCH(Version, target);
    QFETCH(DetectorType, newType);
    QFETCH(bool, speculative);
    QFETCH(bool, continuation);
    QFETCH(Twist, twist);
    QFETCH(UpdaterStatus, status);
    QFETCH(QString, message);
    pod().setSoftwareVersion(INSTALLED);
    // The pod runs what it was given once its application starts again.
    pod().setRestartHook([target](SimulatedComponent& component) {
        if (component.personality() == SimulatedComponent::Personality::ControlPodApplication &&
            component.isFileComplete(CONTROL_POD_IMAGE)) {
            component.setSoftwareVersion(target);
        }
    });
    auto identifier = QSharedPointer<OneModuleIdentifier>::create();
    identifier->types = {{INSTALLED, LEGACY_TYPE}, {target, newType}};
    identifier->updatedVersion = target;
    QList<QSharedPointer<OneModuleIdentifier>> identifiers{identifier};
    if (twist == Twist::ImpostorAnswersFirst) {
        auto impostor = QSharedPointer<OneModuleIdentifier>::create(*identifier);
        impostor->serialOnceUpdated = QStringLiteral("another pod");
        identifiers.prepend(impostor);
    } else if (twist == Twist::UnrecognisedAfterwards) {
        // Enough to find the pod after its last reset, and no more.
        identifier->recognitionsOnceUpdated = 1;
    } else if (twist == Twist::ImageRefused) {
        pod().setAcceptedFileIds({});
    } else if (twist == Twist::StoreFails) {
        pod().setSettingsRecordStatusScript({3});
    }
    registerFinding(identifiers);
    const auto identity = identifyPod(module, speculative);
    QVERIFY(identity);
    const fwup::LegacySystemUpdate update(writeFile(twist == Twist::EmptyImage ? 0 : IMAGE_SIZE),
                                          versionsFor(module, target));
    const QString location =
        twist == Twist::NoLinkToLocation ? QStringLiteral("NOWHERE::1") : detector_->location();
    pod().clearTraffic();
    const auto updater = makeUpdater(continuation);
    UpdaterRecord record;
    record.attach(*updater);
    if (!message.isEmpty()) {
        QTest::ignoreMessage(status == UpdaterStatus::INCOMPLETE ||
                                     message.startsWith(QLatin1String("Looking"))
                                 ? QtDebugMsg
                                 : QtWarningMsg,
                             QRegularExpression(QStringLiteral("^") + message + QStringLiteral("$")));
    }

    QVERIFY(updater->startUpdate(*identity, location, update));
    record.returned = true;
    QTRY_COMPARE_WITH_TIMEOUT(record.finishedCount(), 1, 30000);

    QVERIFY(!record.early);
    QCOMPARE(record.events.first(), QStringLiteral("progress false 0"));
    QCOMPARE(
        record.events.mid(record.events.size() - 2),
        (QStringList{QStringLiteral("progress false 100"), QStringLiteral("finished %1").arg(int(status))}));
    // Between them only the transfer's own progress, as the putter reports it.
    QList<int> transfer;
    for (const QString& event : record.events.mid(1, record.events.size() - 3)) {
        QVERIFY2(event.startsWith(QLatin1String("progress true ")), qPrintable(event));
        transfer.append(event.section(QLatin1Char(' '), 2).toInt());
    }
    QVERIFY(std::is_sorted(transfer.cbegin(), transfer.cend()));
    const bool imagePut =
        twist != Twist::ImageRefused && twist != Twist::NoLinkToLocation && twist != Twist::EmptyImage;
    if (twist == Twist::EmptyImage) {
        QVERIFY(pod().traffic().isEmpty());
    }
    QCOMPARE(pod().isFileComplete(CONTROL_POD_IMAGE), imagePut);
    if (imagePut) {
        QCOMPARE(pod().file(CONTROL_POD_IMAGE), contents(IMAGE_SIZE));
        QCOMPARE(transfer.last(), 100);
        QCOMPARE(detector_->podMode(), PodMode::Application);
    }
    const bool storeNeeded = target == OLDER && imagePut;
    QCOMPARE(pod().requestCount(command_id::STORE_USER_SETTINGS_RECORD, SET) > 0, storeNeeded);
    QCOMPARE(pod().storedSettingsVersion(),
             storeNeeded && twist != Twist::StoreFails ? std::optional<Version>(target) : std::nullopt);
}

QTEST_MAIN(TestLegacyUpdaters)
#include "tst_legacy_updaters.moc"
