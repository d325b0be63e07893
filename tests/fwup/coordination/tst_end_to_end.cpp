// The whole program without its window. Each case starts as main does up to its event loop: a fresh
// data directory, the catalog in it, the detector-support list (the Lodestar registrar fills the
// registries), the import of the shipped firmware from a firmware folder. The simulated detector sits
// behind the hidapi stand-in, and the state machine is polled every 100 ms as the window polls it;
// the test plays the user: it plugs the detector, presses INSTALL and TRY AGAIN.
//
// The registrar's identifier and updater wait as long as real devices need. Each case makes those
// two entries again, of the same classes with the same arguments but short waits; the real waits run
// in the updater's and the identification's own timing tests and in bench_update.
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/bundled_firmware_import.h"
#include "fwup/coordination/application_configuration.h"
#include "fwup/coordination/detector_support.h"
#include "fwup/coordination/firmware_update_state_machine.h"
#include "fwup/coordination/lodestar_registrar.h"
#include "fwup/firmware/filesystem_firmware_catalog.h"
#include "tests/fwup/installation/updater_test_support.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/firmware_metadata.h"
#include "tests/support/registries/registry_reset.h"

using namespace updater_test;
using fwup::UpgradeableComponent;
using PodMode = SimulatedDetector::PodMode;
using State = fwup::FirmwareUpdateStateMachine::State;
using Versions = QMap<UpgradeableComponent, Version>;

namespace {

constexpr int POLL_MS = 100;
// An identification, or a whole update with short waits, on a busy machine under the sanitizers.
constexpr int IDENTIFY_MS = 20000;
constexpr int UPDATE_MS = 60000;
constexpr std::uint8_t POD_HARDWARE = 3;      // the simulated pod's revision
constexpr std::uint8_t TAMARIND_HARDWARE = 2; // and its sub-system's

QByteArray toByteArray(const cvbtest::Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

cvbtest::SoftwareVersion kitVersion(Version version) {
    return {version.major, version.minor, version.patch};
}

// One firmware file of the shipped set, with the images it carries.
struct Shipped {
    QString path; // under the firmware folder
    int model = 1;
    Version pod;
    Version tamarind;
    QByteArray podImage;
    QByteArray cpuAppImage;
    QByteArray cpuNetImage;

    Versions versions() const {
        return {{UpgradeableComponent::CONTROL_POD, pod}, {UpgradeableComponent::TAMARIND, tamarind}};
    }
};

// Images of distinct sizes and contents per file, so that a swapped or stale image shows.
Shipped makeShipped(const QString& path, int model, Version pod, Version tamarind, std::uint32_t seed) {
    const auto sized = [seed](int size, std::uint32_t salt) {
        return toByteArray(
            cvbtest::patternBytes(static_cast<std::size_t>(size + static_cast<int>(seed) * 7), salt + seed));
    };
    return {path, model, pod, tamarind, sized(5000, 100), sized(2300, 200), sized(1700, 300)};
}

bool writeShipped(const QString& folder, const Shipped& firmware) {
    using namespace cvbtest;
    const auto bytes = [](const QByteArray& array) {
        return Bytes(array.cbegin(), array.cend());
    };
    MbuHeaderLayout pod;
    pod.version = kitVersion(firmware.pod);
    pod.hardwareFlags = 1u << POD_HARDWARE;
    pod.requiredBtIcdRevision = 3;
    CpuAppHeaderLayout app;
    app.version = kitVersion(firmware.tamarind);
    app.hardwareFlags = 1u << TAMARIND_HARDWARE;
    app.btIcdRevision = 3;
    app.pairingId = pairingId(static_cast<std::uint32_t>(qHash(firmware.path)));
    CpuNetHeaderLayout net;
    net.pairingId = app.pairingId;
    const bool model2 = firmware.model == 2;
    const ContainerLayout layout{
        {firmwareBlock(model2 ? "LDSTCP02" : "LDSTCP01", mbuHeader(pod), bytes(firmware.podImage),
                       model2 ? LodestarModel2ProductionSecret : LodestarModel1ProductionSecret),
         firmwareBlock("LDSTJNA1", cpuAppHeader(app), bytes(firmware.cpuAppImage),
                       LodestarJuniperCpuAppProductionSecret),
         firmwareBlock("LDSTJNN1", cpuNetHeader(net), bytes(firmware.cpuNetImage),
                       LodestarJuniperCpuNetProductionSecret)},
        {}};
    const QString path = folder + QLatin1Char('/') + firmware.path;
    return QDir().mkpath(QFileInfo(path).absolutePath()) && writeContainer(path, layout);
}

// Every file under a directory, by relative path, with its bytes.
QMap<QString, QByteArray> filesUnder(const QString& directory) {
    QMap<QString, QByteArray> files;
    QDirIterator it(directory, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        files.insert(QDir(directory).relativeFilePath(file.fileName()),
                     file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>"));
    }
    return files;
}

QJsonArray readRecord(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).array() : QJsonArray();
}

// Empty when the record is whole and still holds every serial number it held before with its user
// verification code. Identifications during an update may add the sub-system, or name a pod first
// seen in its bootloader, and so change the record.
QString recordDamage(const QString& path, const QJsonArray& before) {
    QFile file(path);
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return QStringLiteral("not a JSON array: %1").arg(error.errorString());
    }
    QMap<QString, QString> codes;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject entry = value.toObject();
        const QString serial = entry.value(QStringLiteral("serialNumber")).toString();
        if (serial.isEmpty() || codes.contains(serial) || !entry.contains(QStringLiteral("detectorType"))) {
            return QStringLiteral("bad or repeated entry for \"%1\"").arg(serial);
        }
        codes.insert(serial, entry.value(QStringLiteral("userVerificationCode")).toString());
    }
    for (const QJsonValue& value : before) {
        const QJsonObject entry = value.toObject();
        const QString serial = entry.value(QStringLiteral("serialNumber")).toString();
        if (codes.value(serial) != entry.value(QStringLiteral("userVerificationCode")).toString()) {
            return QStringLiteral("lost or changed \"%1\"").arg(serial);
        }
    }
    return {};
}

// When a fault row acts on the detector. Each is run once.
struct Scenario {
    SimulatedDetector* detector = nullptr;
    // Before the detector is plugged in.
    std::function<void()> beforePlug;
    // When the user presses INSTALL.
    std::function<void()> atInstall;
    // While the pod restarts for the n-th time during the update, before it is back on the bus.
    QMap<int, std::function<void()>> duringPodRestart;
    // Once the pod has been found and identified again after its n-th restart: when the relocation's
    // identification turns to the sub-system behind it. The updater's next request to the pod is
    // then its own.
    QMap<int, std::function<void()>> podFoundAgain;
};
using Arrange = std::function<void(Scenario&)>;

} // namespace

Q_DECLARE_METATYPE(Arrange)
Q_DECLARE_METATYPE(PodMode)
Q_DECLARE_METATYPE(fwup::Version)

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void updatesEachModelToItsNewestFirmware_data();
    void updatesEachModelToItsNewestFirmware();
    void repairsAPodLeftInItsBootloader();
    void tryAgainAfterAFailedUpdate();
    void faultAtEachStep_data();
    void faultAtEachStep();
    void detectorNewerThanSupported_data();
    void detectorNewerThanSupported();

private:
    // The user's part.
    std::unique_ptr<SimulatedDetector> makeDetector(PodMode mode, int model) const;
    // Waits until the machine offers firmware for the detector.
    bool awaitOffer();
    // Presses INSTALL and waits for the end of the installation.
    bool installLatest();
    const char* state() const { return fwup::FirmwareUpdateStateMachine::stateName(machine_->state()); }
    // The window closes: the machine goes, and with it the extracted images.
    void shutDown() { machine_.reset(); }

    // The machine ended in SUCCEEDED and the detector runs the firmware, byte for byte.
    void verifyInstalled(const SimulatedDetector& detector, const Shipped& firmware) const;
    // Temporary image files, now.
    QStringList imageFiles() const { return filesUnder(imagesDir_->path()).keys(); }
    QString recordPath() const {
        return QDir(dataDir_->path()).absoluteFilePath(QStringLiteral("summit_index.json"));
    }
    QString catalogPath() const { return dataDir_->path() + QStringLiteral("/catalog"); }
    const Shipped& newest(int model) const;
    QList<State> statesEntered() const;

    QString scratch_;
    std::unique_ptr<QTemporaryDir> firmwareDir_;
    // The program's temporary directory (TMPDIR): what is in it is the program's.
    std::unique_ptr<QTemporaryDir> imagesDir_;
    QList<Shipped> shipped_;
    fwup::VersionRangeTable settingsTable_;

    std::unique_ptr<QTemporaryDir> dataDir_;
    std::unique_ptr<fwup::FilesystemFirmwareCatalog> catalog_;
    std::unique_ptr<fwup::FirmwareUpdateStateMachine> machine_;
    QTimer pollTimer_;
    QList<QPair<State, QString>> entered_;
};

void TestEndToEnd::initTestCase() {
    // The message handler drops debug messages; so does this.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    scratch_ = QDir::tempPath() + QStringLiteral("/tst_end_to_end-XXXXXX");
    firmwareDir_ = std::make_unique<QTemporaryDir>(scratch_);
    imagesDir_ = std::make_unique<QTemporaryDir>(scratch_);
    QVERIFY(firmwareDir_->isValid() && imagesDir_->isValid());
    qputenv("TMPDIR", QFile::encodeName(imagesDir_->path()));

    shipped_ = {
        makeShipped(QStringLiteral("lodestar-1.78.0.cvb"), 1, {1, 78, 0}, {2, 4, 0}, 1),
        makeShipped(QStringLiteral("model 1/lodestar-1.81.0.cvb"), 1, {1, 81, 0}, {2, 6, 0}, 2),
        makeShipped(QStringLiteral("model 2/lodestar-m2-1.80.5.cvb"), 2, {1, 80, 5}, {2, 6, 1}, 3),
        makeShipped(QStringLiteral("model 2/older/lodestar-m2-1.79.3.cvb"), 2, {1, 79, 3}, {2, 5, 0}, 4),
    };
    for (const Shipped& firmware : std::as_const(shipped_)) {
        QVERIFY(writeShipped(firmwareDir_->path(), firmware));
    }
    QFile notes(firmwareDir_->filePath(QStringLiteral("release notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("Not a firmware file.\n") > 0);

    // The table the registrar hands its updater.
    const QTemporaryDir scratchData(scratch_);
    settingsTable_ =
        fwup::LodestarRegistrar(QDir(scratchData.path()), true).getListOfSwVerRangeToUserSettingsVer();
    regtest::clear_all_registries();
    pollTimer_.setInterval(POLL_MS);
}

void TestEndToEnd::init() {
    FakeHidBus::instance().reset();
    dataDir_ = std::make_unique<QTemporaryDir>(scratch_);
    QVERIFY(dataDir_->isValid());
    const QDir dataDirectory(dataDir_->path());

    // main, up to its event loop.
    catalog_ = std::make_unique<fwup::FilesystemFirmwareCatalog>(QDir(catalogPath()));
    const fwup::ApplicationConfiguration config{dataDirectory, QUrl(), true};
    int families = 0;
    fwup::for_each_supported_detector([&](const fwup::DetectorSupport& support) {
        ++families;
        support(config);
    });
    QCOMPARE(families, 1);
    QCOMPARE(regtest::registry_sizes(), (QList<qsizetype>{2, 1, 1, 2, 2, 2, 2, 1, 1, 0, 0, 0}));

    auto& identifiers = fwup::global_detector_identifier_registry();
    auto& updaters = fwup::global_detector_updater_registry();
    QVERIFY(identifiers.first().dynamicCast<fwup::LodestarDetectorIdentifier>());
    QVERIFY(updaters.first().dynamicCast<fwup::LodestarDetectorUpdater>());
    identifiers.first() = QSharedPointer<fwup::LodestarDetectorIdentifier>::create(
        dataDirectory.absoluteFilePath(QStringLiteral("summit_index.json")),
        identification_test::shortTiming());
    updaters.first() = QSharedPointer<fwup::LodestarDetectorUpdater>::create(
        settingsTable_, shortUpdateTiming(), identification_test::shortTiming());

    importBundledFirmware(QStringLiteral(":/firmware"), *catalog_);
    importBundledFirmware(firmwareDir_->path(), *catalog_);

    machine_ = std::make_unique<fwup::FirmwareUpdateStateMachine>(*catalog_);
    entered_.clear();
    connect(machine_.get(), &fwup::FirmwareUpdateStateMachine::stateEntered, this,
            [this](unsigned int state, const QString& reason) {
                entered_.append({State(state), reason});
            });
    // The window's constructor.
    machine_->initiateUpdateProcess();
    pollTimer_.callOnTimeout(machine_.get(), &fwup::FirmwareUpdateStateMachine::poll);
    pollTimer_.start();
}

void TestEndToEnd::cleanup() {
    pollTimer_.stop();
    machine_.reset();
    catalog_.reset();
    regtest::clear_all_registries();
    FakeHidBus::instance().reset();
    dataDir_.reset();
}

std::unique_ptr<SimulatedDetector> TestEndToEnd::makeDetector(PodMode mode, int model) const {
    auto detector = std::make_unique<SimulatedDetector>(mode);
    detector->setPasswordSource(&cuu::test::generated_operator_password);
    detector->pod().setModel(static_cast<std::uint8_t>(model));
    // The images the detector is given carry the newest firmware's versions.
    detector->pod().setImageVersion(newest(model).pod);
    detector->tamarind().setImageVersion(newest(model).tamarind);
    return detector;
}

bool TestEndToEnd::awaitOffer() {
    return QTest::qWaitFor([this] { return machine_->state() == State::AWAIT_FIRMWARE_SELECTION; },
                           IDENTIFY_MS);
}

bool TestEndToEnd::installLatest() {
    return machine_->selectLatestFirmwareToUpgrade() &&
           QTest::qWaitFor(
               [this] { return machine_->state() == State::SUCCEEDED || machine_->state() == State::FAILED; },
               UPDATE_MS);
}

const Shipped& TestEndToEnd::newest(int model) const {
    const Shipped* best = nullptr;
    for (const Shipped& firmware : shipped_) {
        if (firmware.model == model && (!best || best->pod < firmware.pod)) {
            best = &firmware;
        }
    }
    return *best;
}

QList<State> TestEndToEnd::statesEntered() const {
    QList<State> states;
    for (const auto& entry : entered_) {
        states.append(entry.first);
    }
    return states;
}

void TestEndToEnd::verifyInstalled(const SimulatedDetector& detector, const Shipped& firmware) const {
    QCOMPARE(machine_->state(), State::SUCCEEDED);
    QCOMPARE(detector.podMode(), PodMode::Application);
    QCOMPARE(detector.pod().file(POD_IMAGE), firmware.podImage);
    QCOMPARE(detector.tamarind().file(CPUAPP_IMAGE), firmware.cpuAppImage);
    QCOMPARE(detector.tamarind().file(CPUNET_IMAGE), firmware.cpuNetImage);
    QCOMPARE(detector.pod().softwareVersion(), firmware.pod);
    QCOMPARE(detector.tamarind().softwareVersion(), firmware.tamarind);
    QVERIFY(!detector.pod().upgradeIndicated());
    QVERIFY(!detector.tamarind().upgradeIndicated());
    QCOMPARE(machine_->installPercent(), 100);
}

// --- Whole updates ---

void TestEndToEnd::updatesEachModelToItsNewestFirmware_data() {
    QTest::addColumn<int>("model");
    QTest::newRow("model 1") << 1;
    QTest::newRow("model 2") << 2;
}

void TestEndToEnd::updatesEachModelToItsNewestFirmware() {
    QFETCH(int, model);
    const auto detector = makeDetector(PodMode::Application, model);
    detector->plug();
    QVERIFY2(awaitOffer(), state());
    QCOMPARE(int(machine_->identity()->detectorType()), 21 + model);
    QVERIFY(machine_->isDectectorSupported(*machine_->identity()));
    // Both of the model's files are offered, the other model's are not; the newest is the latest.
    QCOMPARE(machine_->getFirmwareList().size(), std::size_t(2));
    QCOMPARE(machine_->getLatestFirmwareVersion().versions, newest(model).versions());
    // The pod and its sub-system.
    const QJsonArray record = readRecord(recordPath());
    QCOMPARE(record.size(), 2);

    QVERIFY2(installLatest(), state());
    verifyInstalled(*detector, newest(model));
    QCOMPARE(statesEntered(),
             (QList<State>{State::SEARCHING_FOR_DETECTOR, State::AWAIT_FIRMWARE_SELECTION,
                           State::EXTRACTING_FIRMWARE, State::INSTALLING_FIRMWARE, State::SUCCEEDED}));
    QCOMPARE(readRecord(recordPath()), record);

    // The images live as long as the machine holds the selection.
    QCOMPARE(imageFiles().size(), 3);
    shutDown();
    QCOMPARE(imageFiles(), QStringList());
}

// An earlier update stopped half-way: the pod waits in its bootloader with part of its image.
void TestEndToEnd::repairsAPodLeftInItsBootloader() {
    const auto detector = makeDetector(PodMode::Bootloader, 1);
    detector->pod().setFile(POD_IMAGE, newest(1).podImage.left(3000));
    detector->plug();
    QVERIFY2(awaitOffer(), state());
    QCOMPARE(machine_->identity()->detectorType(), fwup::DetectorType::LODESTAR_MODEL_1);
    QVERIFY2(installLatest(), state());
    verifyInstalled(*detector, newest(1));
    shutDown();
    QCOMPARE(imageFiles(), QStringList());
}

// The control-pod transfer fails and leaves the pod in its bootloader. TRY AGAIN finds it there, knows
// its model from the detector record, and repairs it.
void TestEndToEnd::tryAgainAfterAFailedUpdate() {
    const auto detector = makeDetector(PodMode::Application, 2);
    detector->pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::error(4), SimulatedComponent::kAlways);
    detector->plug();
    QVERIFY2(awaitOffer(), state());
    QVERIFY2(installLatest(), state());
    QCOMPARE(machine_->state(), State::FAILED);
    QCOMPARE(entered_.last().second, QStringLiteral("Error while updating"));
    QCOMPARE(detector->podMode(), PodMode::Bootloader);

    detector->pod().clearFaults();
    entered_.clear();
    machine_->initiateUpdateProcess();
    QVERIFY2(awaitOffer(), state());
    QCOMPARE(machine_->identity()->detectorType(), fwup::DetectorType::LODESTAR_MODEL_2);
    QVERIFY2(installLatest(), state());
    verifyInstalled(*detector, newest(2));
    QCOMPARE(statesEntered(),
             (QList<State>{State::SEARCHING_FOR_DETECTOR, State::AWAIT_FIRMWARE_SELECTION,
                           State::EXTRACTING_FIRMWARE, State::INSTALLING_FIRMWARE, State::SUCCEEDED}));
    shutDown();
    QCOMPARE(imageFiles(), QStringList());
}

// --- A fault at each step ---

void TestEndToEnd::faultAtEachStep_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<Arrange>("arrange");
    QTest::addColumn<QString>("reason"); // empty: the update goes on to SUCCEEDED

    const QString updating = QStringLiteral("Error while updating");
    const auto error = SimulatedFault::error(4);
    const auto always = SimulatedComponent::kAlways;
    const auto failing = [error, always](bool tamarind, std::uint16_t command) {
        return [error, always, tamarind, command](Scenario& s) {
            SimulatedDetector* d = s.detector;
            return [=] {
                (tamarind ? d->tamarind() : d->pod()).addFault(command, error, always);
            };
        };
    };
    const auto beforePlug = [](auto make) {
        return Arrange([make](Scenario& s) { s.beforePlug = make(s); });
    };
    const auto duringPodRestart = [](int restart, auto make) {
        return Arrange([restart, make](Scenario& s) { s.duringPodRestart.insert(restart, make(s)); });
    };
    const auto podFoundAgain = [](int restart, auto make) {
        return Arrange([restart, make](Scenario& s) { s.podFoundAgain.insert(restart, make(s)); });
    };
    const auto staysAway = [](Scenario& s) {
        SimulatedDetector* d = s.detector;
        return [d] {
            d->setPodStaysAwayAfterReset(1);
        };
    };
    const auto invalid = [](Scenario& s) {
        SimulatedDetector* d = s.detector;
        return [d] {
            d->pod().setValidity(true, 0x1, 0x3);
        };
    };
    const auto podLogin = failing(false, command_id::USER_LOGIN_STATUS);
    const auto podValidity = failing(false, command_id::UPGRADEABLE_COMPONENT_VALIDITY);

    // The pod restarts on the application path to its bootloader (1) and back (2) for the transfer.
    QTest::newRow("application: pod gone when the update starts")
        << PodMode::Application << Arrange([](Scenario& s) {
               SimulatedDetector* d = s.detector;
               s.atInstall = [d] {
                   d->unplug();
               };
           })
        << updating;
    QTest::newRow("application: upgrade screen refused, goes on")
        << PodMode::Application << beforePlug([](Scenario& s) {
               SimulatedDetector* d = s.detector;
               return [d] {
                   d->pod().setUpgradeAllowed(false);
               };
           })
        << QString();
    QTest::newRow("application: sub-system transfer fails")
        << PodMode::Application << beforePlug(failing(true, command_id::FILE_PUT_LPD)) << updating;
    QTest::newRow("application: sub-system not back after its restart")
        << PodMode::Application << beforePlug([](Scenario& s) {
               SimulatedDetector* d = s.detector;
               return [d] {
                   d->setTamarindStaysAwayAfterReset(1);
               };
           })
        << updating;
    QTest::newRow("application: settings not stored, goes on")
        << PodMode::Application << beforePlug([error, always](Scenario& s) {
               SimulatedDetector* d = s.detector;
               return [=] {
                   // Software whose settings record the new software reads in another version.
                   d->pod().setSoftwareVersion({1, 76, 9});
                   d->pod().addFault(command_id::STORE_USER_SETTINGS_RECORD, error, always);
               };
           })
        << QString();
    QTest::newRow("application: control-pod transfer fails")
        << PodMode::Application << beforePlug(failing(false, command_id::FILE_PUT_LPD)) << updating;
    QTest::newRow("application: pod not back after the transfer")
        << PodMode::Application << duringPodRestart(2, staysAway) << updating;
    QTest::newRow("application: login after the transfer fails")
        << PodMode::Application << podFoundAgain(2, podLogin) << updating;
    QTest::newRow("application: validity not read")
        << PodMode::Application << podFoundAgain(2, podValidity) << updating;
    QTest::newRow("application: components invalid after the update")
        << PodMode::Application << podFoundAgain(2, invalid) << updating;
    QTest::newRow("application: no temporary directory for the images")
        << PodMode::Application << Arrange([this](Scenario& s) {
               // A file where the directory should be: no image file can be made, root or not.
               s.atInstall = [this] {
                   const QString notADirectory = dataDir_->filePath(QStringLiteral("not a directory"));
                   QFile file(notADirectory);
                   QVERIFY(file.open(QIODevice::WriteOnly));
                   qputenv("TMPDIR", QFile::encodeName(notADirectory));
               };
           })
        << QStringLiteral("Invalid Firmware File");

    // The pod restarts on the bootloader path to its application after the transfer (1), and once
    // more after the sub-system's update (2).
    QTest::newRow("bootloader: control-pod transfer fails")
        << PodMode::Bootloader << beforePlug(failing(false, command_id::FILE_PUT_LPD)) << updating;
    QTest::newRow("bootloader: pod not back after the transfer")
        << PodMode::Bootloader << duringPodRestart(1, staysAway) << updating;
    QTest::newRow("bootloader: login after the transfer fails")
        << PodMode::Bootloader << podFoundAgain(1, podLogin) << updating;
    QTest::newRow("bootloader: sub-system transfer fails")
        << PodMode::Bootloader << beforePlug(failing(true, command_id::FILE_PUT_LPD)) << updating;
    QTest::newRow("bootloader: restart refused")
        << PodMode::Bootloader << duringPodRestart(1, failing(false, command_id::SOFTWARE_RESET)) << updating;
    QTest::newRow("bootloader: pod not back after its restart")
        << PodMode::Bootloader << duringPodRestart(2, staysAway) << updating;
    QTest::newRow("bootloader: login after the restart fails")
        << PodMode::Bootloader << podFoundAgain(2, podLogin) << updating;
    QTest::newRow("bootloader: validity not read")
        << PodMode::Bootloader << podFoundAgain(2, podValidity) << updating;
    QTest::newRow("bootloader: components invalid after the update")
        << PodMode::Bootloader << podFoundAgain(2, invalid) << updating;
}

void TestEndToEnd::faultAtEachStep() {
    QFETCH(PodMode, mode);
    QFETCH(Arrange, arrange);
    QFETCH(QString, reason);
    const QByteArray temporaryDirectory = qgetenv("TMPDIR");
    const auto restoreTemporaryDirectory = qScopeGuard([&] { qputenv("TMPDIR", temporaryDirectory); });

    const auto detector = makeDetector(mode, 1);
    Scenario scenario;
    scenario.detector = detector.get();
    arrange(scenario);
    if (scenario.beforePlug) {
        scenario.beforePlug();
    }
    detector->plug();
    QVERIFY2(awaitOffer(), state());
    const QMap<QString, QByteArray> catalog = filesUnder(catalogPath());
    const QJsonArray record = readRecord(recordPath());
    QVERIFY(!record.isEmpty());

    int podRestarts = 0;
    int foundAgainAfter = 0;
    detector->pod().setRestartHook([&](SimulatedComponent&) {
        ++podRestarts;
        if (const auto act = scenario.duringPodRestart.take(podRestarts)) {
            act();
        }
        if (scenario.podFoundAgain.contains(podRestarts)) {
            foundAgainAfter = podRestarts;
        }
    });
    detector->tamarind().setRequestHook([&](const cuu::test::TrafficEntry&) {
        if (foundAgainAfter != 0) {
            scenario.podFoundAgain.take(std::exchange(foundAgainAfter, 0))();
        }
    });
    const auto hooksDone = qScopeGuard([&] {
        detector->pod().setRestartHook({});
        detector->tamarind().setRequestHook({});
    });
    if (scenario.atInstall) {
        scenario.atInstall();
    }
    QVERIFY2(installLatest(), state());
    qputenv("TMPDIR", temporaryDirectory);
    QVERIFY2(scenario.duringPodRestart.isEmpty() && scenario.podFoundAgain.isEmpty(),
             "the fault was not met");

    if (reason.isEmpty()) {
        verifyInstalled(*detector, newest(1));
    } else {
        QVERIFY(!statesEntered().contains(State::SUCCEEDED));
        QCOMPARE(entered_.last(), qMakePair(State::FAILED, reason));
    }
    shutDown();
    QCOMPARE(imageFiles(), QStringList());
    QCOMPARE(filesUnder(catalogPath()), catalog);
    const QString damage = recordDamage(recordPath(), record);
    QVERIFY2(damage.isEmpty(), qPrintable(damage));
}

// --- Versions beyond the supported ---

void TestEndToEnd::detectorNewerThanSupported_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<Version>("installed");
    QTest::addColumn<bool>("supported");
    QTest::newRow("model 1 at the highest supported version") << 1 << Version{1, 79, 0} << true;
    QTest::newRow("model 1 one patch beyond") << 1 << Version{1, 79, 1} << false;
    QTest::newRow("model 2 a minor version beyond") << 2 << Version{1, 80, 0} << false;
}

void TestEndToEnd::detectorNewerThanSupported() {
    QFETCH(int, model);
    QFETCH(Version, installed);
    QFETCH(bool, supported);
    const auto detector = makeDetector(PodMode::Application, model);
    detector->pod().setSoftwareVersion(installed);
    detector->plug();
    QVERIFY2(awaitOffer(), state());
    QCOMPARE(machine_->identity()->componentVersions().value(UpgradeableComponent::CONTROL_POD), installed);
    QCOMPARE(machine_->isDectectorSupported(*machine_->identity()), supported);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
