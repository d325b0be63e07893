// The Lodestar updater installing firmware that the program's own extractor took from a container,
// on the simulated detector through the real link stack: both paths end to end, a fault at each step
// of each path, and one update after another. With CUU_REAL_TIMING set, every wait has its real
// length (the slow CTest entry runs the end-to-end rows so).
#include <QTest>

#include "fwup/firmware/tamarind_system_update.h"
#include "fwup/identification/legacy_system_identity.h"
#include "tests/fwup/installation/updater_test_support.h"

using namespace updater_test;
using PodMode = SimulatedDetector::PodMode;

namespace {

// How long a finished update is watched for a second finished: longer than any agent's wait.
constexpr int LINGER_MS = 600;

QList<int> repeated(int percent, qsizetype count) {
    return QList<int>(count, percent);
}

bool realTiming() {
    return qEnvironmentVariableIsSet("CUU_REAL_TIMING");
}

// Where a fault row strikes: on the detector at once, after the relocators' n-th identification of
// the system (1 is the update's first relocation), or when the updater reports a percentage.
struct Scenario {
    SimulatedDetector* detector = nullptr;
    QMap<int, std::function<void()>> afterIdentification;
    int atPercent = -1;
    std::function<void()> atProgress;
};
using Arrange = std::function<void(Scenario&)>;
using Fault = std::function<void(SimulatedDetector&)>;

Arrange atOnce(const Fault& fault) {
    return [fault](Scenario& s) {
        fault(*s.detector);
    };
}
Arrange afterIdentification(int count, const Fault& fault) {
    return [count, fault](Scenario& s) {
        s.afterIdentification.insert(count, [detector = s.detector, fault] { fault(*detector); });
    };
}
Fault podError(std::uint16_t command) {
    return [command](SimulatedDetector& d) {
        d.pod().addFault(command, SimulatedFault::error(4), SimulatedComponent::kAlways);
    };
}

} // namespace

Q_DECLARE_METATYPE(Arrange)
Q_DECLARE_METATYPE(PodMode)
Q_DECLARE_METATYPE(fwup::UpdaterStatus)
Q_DECLARE_METATYPE(fwup::Version)

class TestMbuAndTamarindUpdater : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase() { unregisterUpdateStack(); }

    void updatesEndToEnd_data();
    void updatesEndToEnd();
    void faultAtEachStep_data();
    void faultAtEachStep();
    void twoUpdatesInARow_data();
    void twoUpdatesInARow();
    void refusesOtherKinds();

private:
    fwup::MbuAndTamarindUpdateTiming timing() const {
        return realTiming() ? fwup::MbuAndTamarindUpdateTiming{} : shortUpdateTiming();
    }
    std::unique_ptr<fwup::LodestarDetectorUpdater> makeUpdater() const {
        return std::make_unique<fwup::LodestarDetectorUpdater>(SETTINGS_TABLE, timing(),
                                                               identificationTiming());
    }
    fwup::IdentificationTiming identificationTiming() const {
        return realTiming() ? fwup::IdentificationTiming{} : identification_test::shortTiming();
    }
    // A system plugged in the given mode, and its identity as the state machine hands it over.
    std::unique_ptr<fwup::ISystemIdentity> plug(PodMode mode, const Firmware& firmware) {
        detector_ = plugDetector(mode);
        firmware.runOnRestart(*detector_);
        return fwup::LodestarDetectorIdentifier(std::nullopt, identificationTiming())
            .identifyDetector(detector_->location());
    }

    QSharedPointer<ObservedIdentifier> identifier_;
    QList<QSharedPointer<fwup::ConnectionMechanismFactory>> factories_;
    std::unique_ptr<SimulatedDetector> detector_;
};

void TestMbuAndTamarindUpdater::initTestCase() {
    identifier_ = registerUpdateStack(identificationTiming());
    factories_ = fwup::muppet_connection_mechanism_factory_registry();
}

void TestMbuAndTamarindUpdater::cleanup() {
    identifier_->afterIdentification = {};
    fwup::muppet_connection_mechanism_factory_registry() = factories_;
    detector_.reset();
}

void TestMbuAndTamarindUpdater::updatesEndToEnd_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<int>("heldBytes");
    QTest::addColumn<fwup::Version>("podVersion");
    QTest::addColumn<QStringList>("wireShape");
    QTest::addColumn<QList<int>>("percents");

    const QStringList indication{"pod GET 114", "pod SET 114 on"};
    const QStringList tamarind{"tamarind GET 114",      "tamarind SET 114 on",   "tamarind login",
                               "tamarind SET 78 11081", "tamarind SET 78 11082", "tamarind SET 5",
                               "tamarind login",        "tamarind GET 111"};
    const QStringList transfer{"pod login", "pod SET 19", "pod login", "pod SET 78 11000", "pod SET 5"};
    const QStringList closing{"pod login",   "pod GET 114",     "pod SET 114 on",
                              "pod GET 111", "pod SET 114 off", "pod SET 83"};
    const QStringList fromBootloader = QStringList{"pod SET 78 11000", "pod SET 5", "pod login"} +
                                       indication + tamarind + QStringList{"pod SET 5"} + closing;

    // The pod's image is 3000 bytes, the Tamarind's two 600 + 400: a quarter of the 4000.
    // The Tamarind's own percent v counts v / 4: its images put v 50, 50 (12.5 -> 12), 75, 75 (18.75 -> 18);
    // its restart r = 0..90 shows v = trunc(0.22r + 75): 18 up to r 4, 19 from r 5 (v 76), 20 from
    // r 23 (v 80), 21 from r 41 (v 84), 22 from r 60 (v 88), 23 from r 78 (v 92); found again,
    // r = 90..100: 23 up to r 95 (v 95), 24 from r 96 (v 96, 97); version, login and validity
    // v 97, 98, 98, 99, 99 -> 24, then 100 -> 25.
    // Then the pod's put counts 3000p / 4000 + 25 at p 34, 68, 100, 100 (1024, 2048 and 3000 of 3000
    // bytes): 50 (50.5), 76, 100, 100. The closing indeterminate 100 ends the list.
    const QList<int> application = QList<int>{0, 12, 12} + repeated(18, 7) + repeated(19, 18) +
                                   repeated(20, 18) + repeated(21, 19) + repeated(22, 18) + repeated(23, 19) +
                                   repeated(24, 10) + QList<int>{25, 50, 76, 100, 100, 100};
    // The pod's put counts 45p / 100: 15 (15.3), 30 (30.6), 45, 45. The Tamarind's v then counts
    // 45v / 100 + 45: its images put 67, 67 (67.5), 78, 78 (78.75); its restart, v as above: 78 up to
    // r 4, 79 from r 5 (v 76), 80 from r 14 (v 78), 81 from r 23 (v 80), 82 from r 37 (v 83), 83 from
    // r 46 (v 85), 84 from r 55 (v 87), 85 from r 64 (v 89), 86 from r 78 (v 92), 87 from r 87 (v 94);
    // found again: 87 up to r 95 (v 95: 87.75), 88 from r 96 (v 96, 97); then v 97 -> 88, 98 and 99
    // -> 89, 100 -> 90. The closing stretch 90..100 in ones, and the indeterminate 100.
    const QList<int> bootloader = QList<int>{15, 30, 45, 45, 67, 67} + repeated(78, 7) + repeated(79, 9) +
                                  repeated(80, 9) + repeated(81, 14) + repeated(82, 9) + repeated(83, 9) +
                                  repeated(84, 9) + repeated(85, 14) + repeated(86, 9) + repeated(87, 10) +
                                  repeated(88, 6) + repeated(89, 4) +
                                  QList<int>{90, 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 100};

    QTest::newRow("application path") << PodMode::Application << 0 << Version{1, 80, 0}
                                      << indication + tamarind + transfer + closing << application;
    // The settings are stored after the Tamarind update and before the pod's own transfer.
    QTest::newRow("application path, settings stored for older software")
        << PodMode::Application << 0 << Version{1, 76, 9}
        << indication + tamarind + QStringList{"pod login", "pod SET 105"} + transfer + closing
        << application;
    QTest::newRow("bootloader path") << PodMode::Bootloader << 0 << Version{1, 80, 0}
                                     << QStringList{"pod login", "pod GET 78"} + fromBootloader << bootloader;
    QTest::newRow("bootloader path, part of the file held")
        << PodMode::Bootloader << 2000 << Version{1, 80, 0}
        << QStringList{"pod login", "pod GET 78", "pod SET 19", "pod login"} + fromBootloader << bootloader;
}

void TestMbuAndTamarindUpdater::updatesEndToEnd() {
    QFETCH(PodMode, mode);
    QFETCH(int, heldBytes);
    QFETCH(fwup::Version, podVersion);
    QFETCH(QStringList, wireShape);
    QFETCH(QList<int>, percents);
    const Firmware firmware(podVersion, Version{2, 5, 0}, 600, 400);
    const auto identity = plug(mode, firmware);
    QVERIFY(identity);
    if (heldBytes > 0) {
        detector_->pod().setFile(POD_IMAGE, firmware.image(POD_IMAGE).left(heldBytes));
    }
    detector_->clearRecords();

    const auto updater = makeUpdater();
    UpdateRecord record(*updater);
    const WireRecord wire(*detector_, *identifier_);
    QVERIFY(updater->startUpdate(*identity, detector_->location(), *firmware.update));
    QVERIFY(record.progress.isEmpty());
    const int patience = realTiming() ? 240000 : PATIENCE_MS;
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, patience);
    qInfo() << "update took" << record.clock.elapsed() << "ms";

    QCOMPARE(record.ends.first(), UpdaterStatus::COMPLETE);
    // The Tamarind updater reports before its indication is cleared; with 10 ms steps the pod may
    // restart and close the tunnel before that clearing gets through, so it is left out.
    QCOMPARE(wire.shape({"tamarind SET 114 off"}), wireShape);
    QVERIFY(firmware.isOn(*detector_));
    QCOMPARE(detector_->podMode(), PodMode::Application);
    QCOMPARE(detector_->pod().softwareVersion(), podVersion);
    QCOMPARE(detector_->pod().storedSettingsVersion().has_value(), wireShape.contains("pod SET 105"));
    QVERIFY(!detector_->pod().upgradeIndicated());
    QVERIFY(!detector_->pod().isOperatorLoggedIn());

    QCOMPARE(record.percents(), percents);
    // Only the application path opens with an indeterminate 0; both end with an indeterminate 100.
    QCOMPARE(record.progress.first().first, mode == PodMode::Bootloader);
    QCOMPARE(record.progress.last(), qMakePair(false, 100));
    if (mode == PodMode::Bootloader) {
        // Only the closing stretch reports 91, and it is paced.
        const qsizetype ninetyOne = record.percents().indexOf(91);
        QVERIFY(record.times.at(ninetyOne + 9) - record.times.at(ninetyOne) >= 9 * timing().finishingStepMs);
    }
    QTest::qWait(LINGER_MS);
    QCOMPARE(record.ends.size(), 1);
}

void TestMbuAndTamarindUpdater::faultAtEachStep_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<Arrange>("arrange");
    QTest::addColumn<UpdaterStatus>("status");
    QTest::addColumn<PodMode>("podEndsIn");
    QTest::addColumn<QString>("warning");

    using namespace command_id;
    const PodMode app = PodMode::Application;
    const PodMode boot = PodMode::Bootloader;
    const UpdaterStatus failed = UpdaterStatus::FAILED;
    const UpdaterStatus complete = UpdaterStatus::COMPLETE;
    // On both paths the third identification comes after the last relocation before the closing
    // login, indication, validity read and check.
    const auto lastSteps = [](const Fault& fault) {
        return afterIdentification(3, fault);
    };
    const Fault invalid = [](SimulatedDetector& d) {
        d.pod().setValidity(true, 0x1, 0x3);
    };
    const Fault logoutFailsFirst = [](SimulatedDetector& d) {
        d.pod().addFault(INDICATE_FIRMWARE_UPGRADE, SimulatedFault::silence().forMode(SET),
                         SimulatedComponent::kAlways);
        podError(USER_LOGOUT)(d);
    };
    const Arrange notAllowed = atOnce([](SimulatedDetector& d) { d.pod().setUpgradeAllowed(false); });
    const Arrange tamarindFails = atOnce([](SimulatedDetector& d) {
        d.tamarind().addFault(FILE_PUT_LPD, SimulatedFault::error(4), SimulatedComponent::kAlways);
    });
    const QString goesOn = QStringLiteral("could not indicate upgrade, continuing anyway");
    const QString noLogout = QStringLiteral("could not log out after the update");

    QTest::newRow("app: pod not found")
        << app << atOnce([](SimulatedDetector& d) { d.unplug(); }) << failed << app << QString();
    QTest::newRow("app: upgrade not allowed, goes on") << app << notAllowed << complete << app << goesOn;
    QTest::newRow("app: Tamarind update fails") << app << tamarindFails << failed << app << QString();
    QTest::newRow("app: settings not stored, goes on")
        << app << atOnce(podError(STORE_USER_SETTINGS_RECORD)) << complete << app << QString();
    QTest::newRow("app: transfer fails")
        << app << atOnce(podError(FILE_PUT_LPD)) << failed << boot << QString();
    QTest::newRow("app: login fails")
        << app << lastSteps(podError(USER_LOGIN_STATUS)) << failed << app << QString();
    QTest::newRow("app: validity not read")
        << app << lastSteps(podError(UPGRADEABLE_COMPONENT_VALIDITY)) << failed << app << QString();
    QTest::newRow("app: invalid, pod sent to its bootloader")
        << app << lastSteps(invalid) << failed << boot << QString();
    QTest::newRow("app: invalid, reset refused") << app << lastSteps([=](SimulatedDetector& d) {
        invalid(d);
        podError(SOFTWARE_RESET_TO_BOOTLOADER)(d);
    }) << failed << app << QStringLiteral("could not reset to bootloader after validity check");
    QTest::newRow("app: logout fails before the indicator answers")
        << app << lastSteps(logoutFailsFirst) << complete << app << noLogout;

    QTest::newRow("boot: transfer fails")
        << boot << atOnce(podError(FILE_PUT_LPD)) << failed << boot << QString();
    QTest::newRow("boot: login fails")
        << boot << afterIdentification(2, podError(USER_LOGIN_STATUS)) << failed << app << QString();
    QTest::newRow("boot: upgrade not allowed, goes on") << boot << notAllowed << complete << app << goesOn;
    QTest::newRow("boot: Tamarind update fails") << boot << tamarindFails << failed << app << QString();
    QTest::newRow("boot: restart refused")
        << boot << afterIdentification(2, podError(SOFTWARE_RESET)) << failed << app << QString();
    QTest::newRow("boot: pod not found after its restart")
        << boot << afterIdentification(2, [](SimulatedDetector& d) { d.setPodStaysAwayAfterReset(1); })
        << failed << app << QString();
    QTest::newRow("boot: second login fails")
        << boot << lastSteps(podError(USER_LOGIN_STATUS)) << failed << app << QString();
    QTest::newRow("boot: validity not read")
        << boot << lastSteps(podError(UPGRADEABLE_COMPONENT_VALIDITY)) << failed << app << QString();
    QTest::newRow("boot: invalid, pod sent to its bootloader")
        << boot << lastSteps(invalid) << failed << boot << QString();
    QTest::newRow("boot: valid, no connection for the last step")
        << boot << Arrange([](Scenario& s) {
               s.atPercent = 95;
               s.atProgress = [] {
                   fwup::muppet_connection_mechanism_factory_registry().clear();
               };
           })
        << complete << app
        << QStringLiteral("could not establish connection to remove indicate upgrade screen");
    QTest::newRow("boot: logout fails before the indicator answers")
        << boot << lastSteps(logoutFailsFirst) << complete << app << noLogout;
}

void TestMbuAndTamarindUpdater::faultAtEachStep() {
    QFETCH(PodMode, mode);
    QFETCH(Arrange, arrange);
    QFETCH(UpdaterStatus, status);
    QFETCH(PodMode, podEndsIn);
    QFETCH(QString, warning);
    // Older pod software, so that the application path has settings to store.
    const Firmware firmware(Version{1, 76, 9});
    const auto identity = plug(mode, firmware);
    QVERIFY(identity);
    const QString location = detector_->location();
    Scenario scenario;
    scenario.detector = detector_.get();
    arrange(scenario);
    identifier_->count = 0;
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
    QObject::connect(updater.get(), &fwup::DetectorUpdater::updateProgress, updater.get(),
                     [&scenario](bool, int percent) {
                         if (percent == scenario.atPercent) {
                             scenario.atProgress();
                         }
                     });
    QVERIFY(updater->startUpdate(*identity, location, *firmware.update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, PATIENCE_MS);
    QCOMPARE(record.ends.first(), status);
    QCOMPARE(record.progress.last(), qMakePair(false, 100));
    QVERIFY(record.isMonotonic());
    QCOMPARE(detector_->podMode(), podEndsIn);
    QVERIFY(status == UpdaterStatus::FAILED || firmware.isOn(*detector_));
    QTest::qWait(LINGER_MS);
    QCOMPARE(record.ends.size(), 1);
}

void TestMbuAndTamarindUpdater::twoUpdatesInARow_data() {
    QTest::addColumn<PodMode>("first");
    QTest::addColumn<PodMode>("second");
    QTest::addColumn<bool>("lateLogoutOutcome");
    QTest::newRow("application path twice") << PodMode::Application << PodMode::Application << false;
    QTest::newRow("bootloader path twice") << PodMode::Bootloader << PodMode::Bootloader << false;
    // The first update's logout gives up only after that update has ended, while the second waits
    // for the pod to come back: an outcome that leaked across would choose the second's path.
    QTest::newRow("a late logout outcome, then the bootloader path")
        << PodMode::Application << PodMode::Bootloader << true;
}

void TestMbuAndTamarindUpdater::twoUpdatesInARow() {
    QFETCH(PodMode, first);
    QFETCH(PodMode, second);
    QFETCH(bool, lateLogoutOutcome);
    const Firmware firstFirmware;
    const Firmware secondFirmware(Version{1, 81, 0}, Version{2, 6, 1}, 3100);
    const auto identity = plug(first, firstFirmware);
    QVERIFY(identity);
    identifier_->count = 0;
    identifier_->afterIdentification = [this, lateLogoutOutcome](int count) {
        if (lateLogoutOutcome && count == 3) {
            detector_->pod().addFault(command_id::USER_LOGOUT, SimulatedFault::silence(),
                                      SimulatedComponent::kAlways);
        }
    };
    fwup::MbuAndTamarindUpdateTiming longerSearch = timing();
    longerSearch.relocationRetries = 200;
    fwup::LodestarDetectorUpdater updater(SETTINGS_TABLE, longerSearch, identificationTiming());
    UpdateRecord record(updater);
    QVERIFY(updater.startUpdate(*identity, detector_->location(), *firstFirmware.update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, PATIENCE_MS);
    QCOMPARE(record.ends.first(), UpdaterStatus::COMPLETE);
    const qsizetype firstReports = record.progress.size();

    // At once, on the same system, as a state machine that restarts the update would.
    detector_->pod().clearFaults();
    detector_->pod().clearFiles();
    secondFirmware.runOnRestart(*detector_);
    if (second == PodMode::Bootloader) {
        // Away for longer than the first update's logout keeps trying.
        detector_->setResetTiming(0, lateLogoutOutcome ? 2500 : 0);
        detector_->restartPod(PodMode::Bootloader);
        detector_->setResetTiming(0, 0);
    }
    QVERIFY(updater.startUpdate(*identity, detector_->location(), *secondFirmware.update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 2, PATIENCE_MS);
    QCOMPARE(record.ends.last(), UpdaterStatus::COMPLETE);
    // Both progress flags start clear: the second bar runs from its start again.
    QVERIFY(record.isMonotonic(firstReports));
    QVERIFY(record.percents(firstReports).first() < 45);
    // Only the application path opens with an indeterminate 0.
    QCOMPARE(record.progress.at(firstReports) == qMakePair(false, 0), second == PodMode::Application);
    QVERIFY(secondFirmware.isOn(*detector_));
    QTest::qWait(LINGER_MS);
    QCOMPARE(record.ends.size(), 2);
}

// An identity of another kind is not this updater's; an update of another kind fails once begun.
void TestMbuAndTamarindUpdater::refusesOtherKinds() {
    const Firmware firmware;
    const auto identity = plug(PodMode::Application, firmware);
    QVERIFY(identity);
    const auto updater = makeUpdater();
    UpdateRecord record(*updater);

    const fwup::LegacySystemIdentity legacy(std::nullopt, std::nullopt, fwup::DetectorType::NONE, false);
    QTest::ignoreMessage(QtCriticalMsg, "Unexpected identity");
    QVERIFY(!updater->startUpdate(legacy, detector_->location(), *firmware.update));

    // An empty control-pod image: nothing would be installed, so nothing may be reported as installed.
    const Firmware empty;
    QVERIFY(QFile::resize(empty.update->controlPodFile().fileName(), 0));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^Empty or missing firmware image")));
    QVERIFY(updater->startUpdate(*identity, detector_->location(), *empty.update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, PATIENCE_MS);
    QCOMPARE(record.ends.first(), UpdaterStatus::FAILED);
    QCOMPARE(detector_->pod().requestCount(command_id::FILE_PUT_LPD), 0);
    record.ends.clear();
    record.progress.clear();

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
