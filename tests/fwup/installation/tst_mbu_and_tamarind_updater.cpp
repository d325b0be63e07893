// The Lodestar updater installing firmware that the program's own extractor took from a container,
// on the simulated detector through the real link stack: both paths end to end, a fault at each step
// of each path, and updates one after the other. Timings are short; the real ones run in
// tst_mbu_and_tamarind_updater_timing.
#include <QTest>

#include "fwup/firmware/tamarind_system_update.h"
#include "fwup/identification/legacy_system_identity.h"
#include "tests/fwup/installation/updater_test_support.h"

using namespace updater_test;
using PodMode = SimulatedDetector::PodMode;

namespace {

// How long a finished update is watched for a second finished: longer than any agent's wait.
constexpr int LINGER_MS = 600;

// Where a fault row puts its faults: at once on the detector, after the relocators' n-th
// identification of the system (1 is the update's first relocation), or at a progress value.
struct Scenario {
    SimulatedDetector* detector = nullptr;
    QMap<int, std::function<void()>> afterIdentification;
    std::optional<std::pair<int, std::function<void()>>> atProgress;
};
using Arrange = std::function<void(Scenario&)>;

} // namespace

Q_DECLARE_METATYPE(Arrange)
Q_DECLARE_METATYPE(PodMode)
Q_DECLARE_METATYPE(fwup::UpdaterStatus)

class TestMbuAndTamarindUpdater : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase() { unregisterUpdateStack(); }

    void applicationPath_data();
    void applicationPath();
    void bootloaderPath_data();
    void bootloaderPath();
    void faultAtEachStep_data();
    void faultAtEachStep();
    void twoUpdatesInARow_data();
    void twoUpdatesInARow();
    void refusesOtherKinds();

private:
    std::unique_ptr<fwup::LodestarDetectorUpdater> makeUpdater() const {
        return std::make_unique<fwup::LodestarDetectorUpdater>(LODESTAR_SETTINGS_TABLE, shortUpdateTiming(),
                                                               shortIdentificationTiming());
    }

    QSharedPointer<ObservedIdentifier> identifier_;
    QList<QSharedPointer<fwup::ConnectionMechanismFactory>> factories_;
    std::unique_ptr<SimulatedDetector> detector_;
};

void TestMbuAndTamarindUpdater::initTestCase() {
    identifier_ = registerUpdateStack(shortIdentificationTiming());
    factories_ = fwup::muppet_connection_mechanism_factory_registry();
}

void TestMbuAndTamarindUpdater::init() {
    identifier_->resetCount();
    identifier_->afterIdentification = {};
}

void TestMbuAndTamarindUpdater::cleanup() {
    identifier_->afterIdentification = {};
    fwup::muppet_connection_mechanism_factory_registry() = factories_;
    detector_.reset();
}

// --- Both paths end to end ---

void TestMbuAndTamarindUpdater::applicationPath_data() {
    QTest::addColumn<bool>("storesSettings");
    QTest::newRow("newer pod software") << false;
    QTest::newRow("older pod software: settings stored for it first") << true;
}

void TestMbuAndTamarindUpdater::applicationPath() {
    QFETCH(bool, storesSettings);
    FirmwareImages images;
    if (storesSettings) {
        images.podVersion = {1, 76, 9};
    }
    const auto firmware = extractFirmware(images);
    QVERIFY(firmware);
    detector_ = plugDetector(PodMode::Application);
    installOnRestart(*detector_, *firmware);
    const auto identity = identify(*detector_);
    QVERIFY(identity);
    detector_->clearRecords();

    const auto updater = makeUpdater();
    UpdateRecord record(*updater);
    QVERIFY(updater->startUpdate(*identity, detector_->location(), *firmware->update));
    QVERIFY(record.progress.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, PATIENCE_MS);
    QCOMPARE(record.ends.first(), UpdaterStatus::COMPLETE);

    QStringList podShape{"GET 114", "SET 114 on"};
    if (storesSettings) {
        podShape << "SET 105";
    }
    podShape << "SET 19"
             << "SET 78 11000"
             << "SET 5"
             << "GET 114"
             << "SET 114 on"
             << "SET 114 off"
             << "SET 83";
    QCOMPARE(installShape(detector_->pod()), podShape);
    QCOMPARE(installShape(detector_->tamarind()),
             (QStringList{"GET 114", "SET 114 on", "SET 78 11081", "SET 78 11082", "SET 5", "SET 114 off"}));
    QCOMPARE(detector_->pod().file(POD_IMAGE), firmware->podImage);
    QCOMPARE(detector_->tamarind().file(CPUAPP_IMAGE), firmware->cpuAppImage);
    QCOMPARE(detector_->tamarind().file(CPUNET_IMAGE), firmware->cpuNetImage);
    QCOMPARE(detector_->pod().storedSettingsVersion().has_value(), storesSettings);
    QCOMPARE(detector_->podMode(), PodMode::Application);
    QCOMPARE(detector_->pod().softwareVersion(), firmware->podVersion);
    QVERIFY(!detector_->pod().upgradeIndicated());
    QVERIFY(!detector_->pod().isOperatorLoggedIn());

    QCOMPARE(record.progress.first(), qMakePair(false, 0));
    QCOMPARE(record.progress.last(), qMakePair(false, 100));
    QVERIFY2(record.isMonotonic(), qPrintable(percentText(record.percents())));
    // The Tamarind images fill the bar up to their share of the bytes, the control-pod image the rest.
    const int tamarindShare =
        (firmware->cpuAppImage.size() + firmware->cpuNetImage.size()) * 100 /
        (firmware->cpuAppImage.size() + firmware->cpuNetImage.size() + firmware->podImage.size());
    QVERIFY(record.progress.contains(qMakePair(true, tamarindShare)));
    QVERIFY(record.progress.contains(qMakePair(true, 100)));

    QTest::qWait(LINGER_MS);
    QCOMPARE(record.ends.size(), 1);
}

void TestMbuAndTamarindUpdater::bootloaderPath_data() {
    QTest::addColumn<int>("heldBytes");
    QTest::addColumn<QStringList>("transferShape");
    QTest::newRow("pod in its bootloader") << 0 << QStringList{"GET 78", "SET 78 11000", "SET 5"};
    QTest::newRow("pod in its bootloader holding part of the file")
        << 2500 << QStringList{"GET 78", "SET 19", "SET 78 11000", "SET 5"};
}

void TestMbuAndTamarindUpdater::bootloaderPath() {
    QFETCH(int, heldBytes);
    QFETCH(QStringList, transferShape);
    const auto firmware = extractFirmware();
    QVERIFY(firmware);
    detector_ = plugDetector(PodMode::Bootloader);
    if (heldBytes > 0) {
        detector_->pod().setFile(POD_IMAGE, firmware->podImage.left(heldBytes));
    }
    installOnRestart(*detector_, *firmware);
    const auto identity = identify(*detector_);
    QVERIFY(identity);
    detector_->clearRecords();

    const auto updater = makeUpdater();
    UpdateRecord record(*updater);
    QVERIFY(updater->startUpdate(*identity, detector_->location(), *firmware->update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, PATIENCE_MS);
    QCOMPARE(record.ends.first(), UpdaterStatus::COMPLETE);

    const QStringList afterTransfer{"GET 114",    "SET 114 on",  "SET 5", "GET 114",
                                    "SET 114 on", "SET 114 off", "SET 83"};
    QCOMPARE(installShape(detector_->pod()), transferShape + afterTransfer);
    QCOMPARE(installShape(detector_->tamarind()),
             (QStringList{"GET 114", "SET 114 on", "SET 78 11081", "SET 78 11082", "SET 5", "SET 114 off"}));
    QCOMPARE(detector_->pod().file(POD_IMAGE), firmware->podImage);
    QCOMPARE(detector_->tamarind().file(CPUAPP_IMAGE), firmware->cpuAppImage);
    QCOMPARE(detector_->tamarind().file(CPUNET_IMAGE), firmware->cpuNetImage);
    QVERIFY(!detector_->pod().storedSettingsVersion());
    QCOMPARE(detector_->podMode(), PodMode::Application);
    QVERIFY(!detector_->pod().upgradeIndicated());

    // The transfer on 0..45, the Tamarind update on 45..90, the closing stretch 90..100 in ones.
    QVERIFY(record.progress.first().first);
    QCOMPARE(record.progress.last(), qMakePair(false, 100));
    QVERIFY2(record.isMonotonic(), qPrintable(percentText(record.percents())));
    QVERIFY(record.progress.contains(qMakePair(true, 45)));
    const QList<int> percents = record.percents();
    QCOMPARE(percents.mid(percents.size() - 12),
             (QList<int>{90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 100}));

    QTest::qWait(LINGER_MS);
    QCOMPARE(record.ends.size(), 1);
}

// --- A fault at each step ---

void TestMbuAndTamarindUpdater::faultAtEachStep_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<Arrange>("arrange");
    QTest::addColumn<UpdaterStatus>("status");
    QTest::addColumn<PodMode>("podEndsIn");
    QTest::addColumn<QString>("warning");

    const auto error = SimulatedFault::error(4);
    // Both paths: the third identification comes after the last relocation before the login, the
    // indication, the validity read and the check.
    const auto lastSteps = [](std::function<void(SimulatedDetector&)> fault) {
        return Arrange([fault](Scenario& scenario) {
            SimulatedDetector* detector = scenario.detector;
            scenario.afterIdentification.insert(3, [detector, fault] { fault(*detector); });
        });
    };
    const auto invalidAfterUpdate = [](SimulatedDetector& detector) {
        detector.pod().setValidity(true, 0x1, 0x3);
    };
    const auto logoutFailsFirst = [error](SimulatedDetector& detector) {
        detector.pod().addFault(command_id::INDICATE_FIRMWARE_UPGRADE, SimulatedFault::silence().forMode(SET),
                                SimulatedComponent::kAlways);
        detector.pod().addFault(command_id::USER_LOGOUT, error, SimulatedComponent::kAlways);
    };
    const QString noLogout = QStringLiteral("could not log out after the update");

    QTest::newRow("application: pod not found")
        << PodMode::Application << Arrange([](Scenario& s) { s.detector->unplug(); }) << UpdaterStatus::FAILED
        << PodMode::Application << QString();
    QTest::newRow("application: upgrade not allowed, goes on")
        << PodMode::Application << Arrange([](Scenario& s) { s.detector->pod().setUpgradeAllowed(false); })
        << UpdaterStatus::COMPLETE << PodMode::Application
        << QStringLiteral("could not indicate upgrade, continuing anyway");
    QTest::newRow("application: Tamarind transfer fails")
        << PodMode::Application << Arrange([error](Scenario& s) {
               s.detector->tamarind().addFault(command_id::FILE_PUT_LPD, error, SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Application << QString();
    QTest::newRow("application: settings not stored, goes on")
        << PodMode::Application << Arrange([error](Scenario& s) {
               s.detector->pod().addFault(command_id::STORE_USER_SETTINGS_RECORD, error,
                                          SimulatedComponent::kAlways);
           })
        << UpdaterStatus::COMPLETE << PodMode::Application << QString();
    QTest::newRow("application: control-pod transfer fails")
        << PodMode::Application << Arrange([error](Scenario& s) {
               s.detector->pod().addFault(command_id::FILE_PUT_LPD, error, SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Bootloader << QString();
    QTest::newRow("application: login after the transfer fails")
        << PodMode::Application << lastSteps([error](SimulatedDetector& d) {
               d.pod().addFault(command_id::USER_LOGIN_STATUS, error, SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Application << QString();
    QTest::newRow("application: validity not read")
        << PodMode::Application << lastSteps([error](SimulatedDetector& d) {
               d.pod().addFault(command_id::UPGRADEABLE_COMPONENT_VALIDITY, error,
                                SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Application << QString();
    QTest::newRow("application: invalid, pod sent to its bootloader")
        << PodMode::Application << lastSteps(invalidAfterUpdate) << UpdaterStatus::FAILED
        << PodMode::Bootloader << QString();
    QTest::newRow("application: invalid, reset refused")
        << PodMode::Application << lastSteps([=](SimulatedDetector& d) {
               invalidAfterUpdate(d);
               d.pod().addFault(command_id::SOFTWARE_RESET_TO_BOOTLOADER, error, SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Application
        << QStringLiteral("could not reset to bootloader after validity check");
    QTest::newRow("application: logout fails before the indication is cleared")
        << PodMode::Application << lastSteps(logoutFailsFirst) << UpdaterStatus::COMPLETE
        << PodMode::Application << noLogout;

    QTest::newRow("bootloader: control-pod transfer fails")
        << PodMode::Bootloader << Arrange([error](Scenario& s) {
               s.detector->pod().addFault(command_id::FILE_PUT_LPD, error, SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Bootloader << QString();
    QTest::newRow("bootloader: login after the transfer fails")
        << PodMode::Bootloader << Arrange([error](Scenario& s) {
               SimulatedDetector* d = s.detector;
               s.afterIdentification.insert(2, [d, error] {
                   d->pod().addFault(command_id::USER_LOGIN_STATUS, error, SimulatedComponent::kAlways);
               });
           })
        << UpdaterStatus::FAILED << PodMode::Application << QString();
    QTest::newRow("bootloader: upgrade not allowed, goes on")
        << PodMode::Bootloader << Arrange([](Scenario& s) { s.detector->pod().setUpgradeAllowed(false); })
        << UpdaterStatus::COMPLETE << PodMode::Application
        << QStringLiteral("could not indicate upgrade, continuing anyway");
    QTest::newRow("bootloader: Tamarind transfer fails")
        << PodMode::Bootloader << Arrange([error](Scenario& s) {
               s.detector->tamarind().addFault(command_id::FILE_PUT_LPD, error, SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Application << QString();
    QTest::newRow("bootloader: restart refused") << PodMode::Bootloader << Arrange([error](Scenario& s) {
        SimulatedDetector* d = s.detector;
        s.afterIdentification.insert(2, [d, error] {
            d->pod().addFault(command_id::SOFTWARE_RESET, error, SimulatedComponent::kAlways);
        });
    }) << UpdaterStatus::FAILED << PodMode::Application
                                                 << QString();
    QTest::newRow("bootloader: pod not found after its restart")
        << PodMode::Bootloader << Arrange([](Scenario& s) {
               SimulatedDetector* d = s.detector;
               s.afterIdentification.insert(2, [d] { d->setPodStaysAwayAfterReset(1); });
           })
        << UpdaterStatus::FAILED << PodMode::Application << QString();
    QTest::newRow("bootloader: login after the restart fails")
        << PodMode::Bootloader << lastSteps([error](SimulatedDetector& d) {
               d.pod().addFault(command_id::USER_LOGIN_STATUS, error, SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Application << QString();
    QTest::newRow("bootloader: validity not read")
        << PodMode::Bootloader << lastSteps([error](SimulatedDetector& d) {
               d.pod().addFault(command_id::UPGRADEABLE_COMPONENT_VALIDITY, error,
                                SimulatedComponent::kAlways);
           })
        << UpdaterStatus::FAILED << PodMode::Application << QString();
    QTest::newRow("bootloader: invalid, pod sent to its bootloader")
        << PodMode::Bootloader << lastSteps(invalidAfterUpdate) << UpdaterStatus::FAILED
        << PodMode::Bootloader << QString();
    QTest::newRow("bootloader: valid, no connection for the last step")
        << PodMode::Bootloader << Arrange([](Scenario& s) {
               s.atProgress = {95, [] {
                                   fwup::muppet_connection_mechanism_factory_registry().clear();
                               }};
           })
        << UpdaterStatus::COMPLETE << PodMode::Application
        << QStringLiteral("could not establish connection to remove indicate upgrade screen");
    QTest::newRow("bootloader: logout fails before the indication is cleared")
        << PodMode::Bootloader << lastSteps(logoutFailsFirst) << UpdaterStatus::COMPLETE
        << PodMode::Application << noLogout;
}

void TestMbuAndTamarindUpdater::faultAtEachStep() {
    QFETCH(PodMode, mode);
    QFETCH(Arrange, arrange);
    QFETCH(UpdaterStatus, status);
    QFETCH(PodMode, podEndsIn);
    QFETCH(QString, warning);
    // Settings are stored on the application path, so that the step has work to fail at.
    FirmwareImages images;
    images.podVersion = {1, 76, 9};
    const auto firmware = extractFirmware(images);
    QVERIFY(firmware);
    detector_ = plugDetector(mode);
    installOnRestart(*detector_, *firmware);
    const auto identity = identify(*detector_);
    QVERIFY(identity);
    const QString location = detector_->location();
    identifier_->resetCount();

    Scenario scenario;
    scenario.detector = detector_.get();
    arrange(scenario);
    identifier_->afterIdentification = [&scenario](int count) {
        if (const auto fault = scenario.afterIdentification.value(count)) {
            fault();
        }
    };
    if (!warning.isEmpty()) {
        QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    }

    const auto updater = makeUpdater();
    UpdateRecord record(*updater);
    if (scenario.atProgress) {
        QObject::connect(updater.get(), &fwup::DetectorUpdater::updateProgress, updater.get(),
                         [&scenario](bool, int percent) {
                             if (scenario.atProgress && percent == scenario.atProgress->first) {
                                 scenario.atProgress->second();
                             }
                         });
    }
    QVERIFY(updater->startUpdate(*identity, location, *firmware->update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, PATIENCE_MS);
    QCOMPARE(record.ends.first(), status);
    QCOMPARE(record.progress.last(), qMakePair(false, 100));
    QVERIFY2(record.isMonotonic(), qPrintable(percentText(record.percents())));
    QCOMPARE(detector_->podMode(), podEndsIn);
    if (status == UpdaterStatus::COMPLETE) {
        QCOMPARE(detector_->pod().file(POD_IMAGE), firmware->podImage);
        QCOMPARE(detector_->tamarind().file(CPUAPP_IMAGE), firmware->cpuAppImage);
    }

    QTest::qWait(LINGER_MS);
    QCOMPARE(record.ends.size(), 1);
}

// --- One update after another ---

void TestMbuAndTamarindUpdater::twoUpdatesInARow_data() {
    QTest::addColumn<PodMode>("first");
    QTest::addColumn<PodMode>("second");
    QTest::addColumn<bool>("lateLogoutAnswer");
    QTest::newRow("application path twice") << PodMode::Application << PodMode::Application << false;
    QTest::newRow("bootloader path twice") << PodMode::Bootloader << PodMode::Bootloader << false;
    // The first update's logout gives up only after that update has ended, while the second
    // update waits for the pod to come back.
    QTest::newRow("a late logout outcome, then the bootloader path")
        << PodMode::Application << PodMode::Bootloader << true;
}

void TestMbuAndTamarindUpdater::twoUpdatesInARow() {
    QFETCH(PodMode, first);
    QFETCH(PodMode, second);
    QFETCH(bool, lateLogoutAnswer);
    FirmwareImages images;
    const auto firstFirmware = extractFirmware(images);
    images.seed = 2;
    images.podVersion = {1, 81, 0};
    images.tamarindVersion = {2, 6, 1};
    const auto secondFirmware = extractFirmware(images);
    QVERIFY(firstFirmware && secondFirmware);
    detector_ = plugDetector(first);
    installOnRestart(*detector_, *firstFirmware);
    const auto identity = identify(*detector_);
    QVERIFY(identity);
    if (lateLogoutAnswer) {
        SimulatedDetector* detector = detector_.get();
        identifier_->resetCount();
        identifier_->afterIdentification = [detector](int count) {
            if (count == 3) {
                detector->pod().addFault(command_id::USER_LOGOUT, SimulatedFault::silence(),
                                         SimulatedComponent::kAlways);
            }
        };
    }

    fwup::MbuAndTamarindUpdateTiming timing = shortUpdateTiming();
    timing.relocationRetries = 200;
    const auto updater = std::make_unique<fwup::LodestarDetectorUpdater>(LODESTAR_SETTINGS_TABLE, timing,
                                                                         shortIdentificationTiming());
    UpdateRecord record(*updater);
    QVERIFY(updater->startUpdate(*identity, detector_->location(), *firstFirmware->update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, PATIENCE_MS);
    QCOMPARE(record.ends.first(), UpdaterStatus::COMPLETE);
    const qsizetype firstReports = record.progress.size();

    // At once, as a state machine that restarts the update on the same system would.
    identifier_->afterIdentification = {};
    detector_->pod().clearFaults();
    installOnRestart(*detector_, *secondFirmware);
    if (second == PodMode::Bootloader) {
        // Away for longer than the first update's logout keeps trying.
        detector_->setResetTiming(0, lateLogoutAnswer ? 2500 : 0);
        detector_->restartPod(PodMode::Bootloader);
        detector_->setResetTiming(0, 0);
    }
    detector_->clearRecords();
    QVERIFY(updater->startUpdate(*identity, detector_->location(), *secondFirmware->update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 2, PATIENCE_MS);
    QCOMPARE(record.ends.last(), UpdaterStatus::COMPLETE);

    // Both progress flags start clear, so the second bar runs from its start again.
    const QList<int> secondPercents = record.percents().mid(firstReports);
    QVERIFY2(std::is_sorted(secondPercents.cbegin(), secondPercents.cend()),
             qPrintable(percentText(secondPercents)));
    QVERIFY(secondPercents.first() < 45);
    QCOMPARE(record.progress.last(), qMakePair(false, 100));
    // Only the application path opens with an indeterminate 0.
    QCOMPARE(record.progress.at(firstReports) == qMakePair(false, 0), second == PodMode::Application);
    QCOMPARE(detector_->pod().file(POD_IMAGE), secondFirmware->podImage);
    QCOMPARE(detector_->tamarind().file(CPUAPP_IMAGE), secondFirmware->cpuAppImage);
    QCOMPARE(detector_->tamarind().file(CPUNET_IMAGE), secondFirmware->cpuNetImage);

    QTest::qWait(LINGER_MS);
    QCOMPARE(record.ends.size(), 2);
}

// An identity of another kind is not this updater's; an update of another kind fails once begun.
void TestMbuAndTamarindUpdater::refusesOtherKinds() {
    const auto firmware = extractFirmware();
    QVERIFY(firmware);
    detector_ = plugDetector(PodMode::Application);
    const auto identity = identify(*detector_);
    QVERIFY(identity);
    const auto updater = makeUpdater();
    UpdateRecord record(*updater);

    const fwup::LegacySystemIdentity legacy(std::nullopt, std::nullopt, fwup::DetectorType::NONE, false);
    QTest::ignoreMessage(QtCriticalMsg, "Unexpected identity");
    QVERIFY(!updater->startUpdate(legacy, detector_->location(), *firmware->update));

    const fwup::TamarindSystemUpdate tamarindOnly(fwup::DetectorType::LODESTAR_MODEL_1,
                                                  fwup::TamarindComponentUpdate(Version{2, 5, 0}));
    QTest::ignoreMessage(QtCriticalMsg, "Unexpected system update");
    QVERIFY(updater->startUpdate(*identity, detector_->location(), tamarindOnly));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, PATIENCE_MS);
    QCOMPARE(record.ends.first(), UpdaterStatus::FAILED);
    QCOMPARE(record.progress, (QList<QPair<bool, int>>{{false, 100}}));
    QCOMPARE(detector_->pod().requestCount(command_id::INDICATE_FIRMWARE_UPGRADE), 0);
}

QTEST_GUILESS_MAIN(TestMbuAndTamarindUpdater)
#include "tst_mbu_and_tamarind_updater.moc"
