// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "tests/support/coordination/coordination_fakes.h"

using namespace coordtest;
using fwup::UpdaterStatus;

namespace {

const QString A = QStringLiteral("HID::A");
const QString A2 = QStringLiteral("HID::A2");
const QString B = QStringLiteral("HID::B");
const QString Unknown = QStringLiteral("HID::X");

enum class Trigger {
    Initiate,
    Abort,
    Poll,
    PollNoLocators,
    PollNoIdentifiers,
    PollNothing,
    PollUnknownDevice,
    PollOneSystem,
    PollTwoSystems,
    PollSameSystemMoved,
    PollAfter10000,
    PollAfter10001,
    PollBackWithFirmware,
    PollBackWithoutFirmware,
    SelectLatest,
    SelectByVersions,
    PollNoExtractors,
    PollExtractorFails,
    PollNoUpdaters,
    PollUpdaterDeclines,
    Finished0,
    Finished0Type15,
    Finished1,
    Finished2,
    SearchFinished,
    DownloadFails,
    DownloadSucceeds,
};

void pull(Rig& rig, Trigger trigger) {
    auto& machine = rig.machine;
    switch (trigger) {
    case Trigger::Initiate:
        return machine.initiateUpdateProcess();
    case Trigger::Abort:
        return machine.abortUpdateProcess();
    case Trigger::Poll:
        return machine.poll();
    case Trigger::PollNoLocators:
        fwup::global_detector_locator_registry().clear();
        return machine.poll();
    case Trigger::PollNoIdentifiers:
        fwup::global_detector_identifier_registry().clear();
        return machine.poll();
    case Trigger::PollNothing:
        return rig.pollWith({});
    case Trigger::PollUnknownDevice:
        return rig.pollWith({Unknown});
    case Trigger::PollOneSystem:
        return rig.pollWith({A});
    case Trigger::PollTwoSystems:
        return rig.pollWith({A, B});
    case Trigger::PollSameSystemMoved:
        return rig.pollWith({A2});
    case Trigger::PollAfter10000:
    case Trigger::PollAfter10001:
        rig.now += std::chrono::milliseconds(trigger == Trigger::PollAfter10000 ? 10000 : 10001);
        return machine.poll();
    case Trigger::PollBackWithoutFirmware:
        rig.catalog.files.clear();
        [[fallthrough]];
    case Trigger::PollBackWithFirmware:
        return rig.pollWith({A2});
    case Trigger::SelectLatest:
        machine.selectLatestFirmwareToUpgrade();
        return;
    case Trigger::SelectByVersions:
        machine.selectFirmwareToUpgrade(pod(80));
        return;
    case Trigger::PollNoExtractors:
        fwup::global_firmware_image_extractor_registry().clear();
        return machine.poll();
    case Trigger::PollExtractorFails:
        rig.extractor->produces = false;
        return machine.poll();
    case Trigger::PollNoUpdaters:
        fwup::global_detector_updater_registry().clear();
        return machine.poll();
    case Trigger::PollUpdaterDeclines:
        rig.updater->accepts = false;
        return machine.poll();
    case Trigger::Finished0:
    case Trigger::Finished0Type15:
        emit rig.updater->finished(UpdaterStatus::COMPLETE);
        return;
    case Trigger::Finished1:
        emit rig.updater->finished(UpdaterStatus::INCOMPLETE);
        return;
    case Trigger::Finished2:
        emit rig.updater->finished(UpdaterStatus::FAILED);
        return;
    case Trigger::SearchFinished:
        emit rig.remote->searchFinished();
        return;
    case Trigger::DownloadFails:
    case Trigger::DownloadSucceeds: {
        auto parser = QSharedPointer<FakeParser>::create();
        parser->yields = {{QStringLiteral("/downloaded.cvb"), pod(90)}};
        fwup::global_firmware_file_parser_registry() << parser;
        emit rig.downloader->finished(trigger == Trigger::DownloadSucceeds);
        return;
    }
    }
}

} // namespace

Q_DECLARE_METATYPE(Trigger)

class TestUpdateStateMachine : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { regtest::clear_all_registries(); }

    void transitions_data();
    void transitions();
    void signalOrderOfAFailedEntry();
    void identifiesOnlyWhenTheDeviceListChanges();
    void countsEachSystemOnce_data();
    void countsEachSystemOnce();
    void retryIdentifiesAgainOnlyFromFailed();
    void anotherDetectorWhileAwaitingSelectionIsSearchedAgain();
    void selectsTheNewestFirstOfEquals();
    void selectionNeedsTheExactVersionMap();
    void refusesSelectionsInTheWrongState();
    void extractsWithTheFirstExtractorThatProduces();
    void startsTheFirstUpdaterThatAccepts();
    void passesProgressOn();
    void completionOfTypes14And15SearchesAgain();
    void continuesAnIncompleteUpdate_data();
    void continuesAnIncompleteUpdate();
    void nestedPollDuringIdentificationReturnsAtOnce();
    void searchOvertakenBySelectionIsDropped();
    void asksTheLastAcceptingReadinessChecker();
    void versionCheckersDecideOnOneUnsupported();
    void remoteOffers();
    void downloadedFirmwareIsCataloguedAndExtracted();
};

void TestUpdateStateMachine::transitions_data() {
    QTest::addColumn<State>("from");
    QTest::addColumn<Trigger>("trigger");
    QTest::addColumn<State>("to");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("reason");

    const QString systemError = QStringLiteral("System Error");
    const auto row = [](const char* name, State from, Trigger trigger, State to, bool ok = true,
                        const QString& reason = {}) {
        QTest::newRow(name) << from << trigger << to << ok << reason;
    };
    using T = Trigger;
    using S = State;

    row("idle: poll does nothing", S::IDLE, T::Poll, S::IDLE);
    row("idle: initiate", S::IDLE, T::Initiate, S::SEARCHING_FOR_DETECTOR);
    row("searching: no locators", S::SEARCHING_FOR_DETECTOR, T::PollNoLocators, S::FAILED, false,
        systemError);
    row("searching: no identifiers", S::SEARCHING_FOR_DETECTOR, T::PollNoIdentifiers, S::FAILED, false,
        systemError);
    row("searching: nothing connected", S::SEARCHING_FOR_DETECTOR, T::PollNothing, S::SEARCHING_FOR_DETECTOR);
    row("searching: nothing identified", S::SEARCHING_FOR_DETECTOR, T::PollUnknownDevice,
        S::SEARCHING_FOR_DETECTOR);
    row("searching: two systems", S::SEARCHING_FOR_DETECTOR, T::PollTwoSystems, S::MULTIPLE_DETECTORS_FOUND);
    row("searching: firmware known", S::SEARCHING_FOR_DETECTOR, T::PollOneSystem,
        S::AWAIT_FIRMWARE_SELECTION);
    row("searching: initiate ignored", S::SEARCHING_FOR_DETECTOR, T::Initiate, S::SEARCHING_FOR_DETECTOR);
    row("multiple: unplugged", S::MULTIPLE_DETECTORS_FOUND, T::PollNothing, S::SEARCHING_FOR_DETECTOR);
    row("multiple: one left", S::MULTIPLE_DETECTORS_FOUND, T::PollOneSystem, S::AWAIT_FIRMWARE_SELECTION);
    row("multiple: initiate", S::MULTIPLE_DETECTORS_FOUND, T::Initiate, S::SEARCHING_FOR_DETECTOR);
    row("no updates: unplugged", S::NO_UPDATES_AVAILABLE, T::PollNothing, S::SEARCHING_FOR_DETECTOR);
    row("no updates: two systems", S::NO_UPDATES_AVAILABLE, T::PollTwoSystems, S::MULTIPLE_DETECTORS_FOUND);
    row("no updates: unchanged", S::NO_UPDATES_AVAILABLE, T::PollOneSystem, S::NO_UPDATES_AVAILABLE);
    row("no updates: initiate", S::NO_UPDATES_AVAILABLE, T::Initiate, S::SEARCHING_FOR_DETECTOR);
    row("remote search: poll does nothing", S::SEARCHING_FOR_UPDATES, T::PollNothing,
        S::SEARCHING_FOR_UPDATES);
    row("remote search: finished", S::SEARCHING_FOR_UPDATES, T::SearchFinished, S::AWAIT_FIRMWARE_SELECTION);
    row("awaiting: no locators", S::AWAIT_FIRMWARE_SELECTION, T::PollNoLocators, S::FAILED, false,
        systemError);
    row("awaiting: unplugged", S::AWAIT_FIRMWARE_SELECTION, T::PollNothing, S::SEARCHING_FOR_DETECTOR);
    row("awaiting: two systems", S::AWAIT_FIRMWARE_SELECTION, T::PollTwoSystems, S::MULTIPLE_DETECTORS_FOUND);
    row("awaiting: same system moved", S::AWAIT_FIRMWARE_SELECTION, T::PollSameSystemMoved,
        S::AWAIT_FIRMWARE_SELECTION);
    row("awaiting: select latest", S::AWAIT_FIRMWARE_SELECTION, T::SelectLatest, S::EXTRACTING_FIRMWARE);
    row("awaiting: select by versions", S::AWAIT_FIRMWARE_SELECTION, T::SelectByVersions,
        S::EXTRACTING_FIRMWARE);
    row("awaiting: initiate ignored", S::AWAIT_FIRMWARE_SELECTION, T::Initiate, S::AWAIT_FIRMWARE_SELECTION);
    row("downloading: failed", S::DOWNLOADING_FIRMWARE, T::DownloadFails, S::FAILED, false,
        QStringLiteral("Download Failed"));
    row("downloading: catalogued", S::DOWNLOADING_FIRMWARE, T::DownloadSucceeds, S::EXTRACTING_FIRMWARE);
    row("extracting: no extractors", S::EXTRACTING_FIRMWARE, T::PollNoExtractors, S::FAILED, false,
        systemError);
    row("extracting: no images", S::EXTRACTING_FIRMWARE, T::PollExtractorFails, S::FAILED, false,
        QStringLiteral("Invalid Firmware File"));
    row("extracting: no updaters", S::EXTRACTING_FIRMWARE, T::PollNoUpdaters, S::FAILED, false, systemError);
    row("extracting: updater declines", S::EXTRACTING_FIRMWARE, T::PollUpdaterDeclines, S::FAILED, false,
        QStringLiteral("No capable updaters"));
    row("extracting: updater accepts", S::EXTRACTING_FIRMWARE, T::Poll, S::INSTALLING_FIRMWARE);
    row("installing: poll does nothing", S::INSTALLING_FIRMWARE, T::PollNothing, S::INSTALLING_FIRMWARE);
    row("installing: incomplete", S::INSTALLING_FIRMWARE, T::Finished1, S::CONTINUING_INCOMPLETE_UPDATE);
    row("installing: failed", S::INSTALLING_FIRMWARE, T::Finished2, S::FAILED, false,
        QStringLiteral("Error while updating"));
    row("installing: complete", S::INSTALLING_FIRMWARE, T::Finished0, S::SUCCEEDED);
    row("installing: complete, type 15", S::INSTALLING_FIRMWARE, T::Finished0Type15,
        S::SEARCHING_FOR_DETECTOR);
    row("installing: abort", S::INSTALLING_FIRMWARE, T::Abort, S::IDLE);
    row("succeeded: initiate ignored", S::SUCCEEDED, T::Initiate, S::SUCCEEDED);
    row("succeeded: poll does nothing", S::SUCCEEDED, T::PollNothing, S::SUCCEEDED);
    row("succeeded: abort", S::SUCCEEDED, T::Abort, S::IDLE);
    row("continuing: 10000 ms", S::CONTINUING_INCOMPLETE_UPDATE, T::PollAfter10000,
        S::CONTINUING_INCOMPLETE_UPDATE);
    row("continuing: 10001 ms", S::CONTINUING_INCOMPLETE_UPDATE, T::PollAfter10001, S::FAILED);
    row("continuing: no locators", S::CONTINUING_INCOMPLETE_UPDATE, T::PollNoLocators, S::FAILED, false,
        systemError);
    row("continuing: restarting", S::CONTINUING_INCOMPLETE_UPDATE, T::PollNothing, S::SEARCHING_FOR_DETECTOR);
    row("continuing: two systems", S::CONTINUING_INCOMPLETE_UPDATE, T::PollTwoSystems,
        S::MULTIPLE_DETECTORS_FOUND);
    row("continuing: back, no firmware", S::CONTINUING_INCOMPLETE_UPDATE, T::PollBackWithoutFirmware,
        S::FAILED);
    row("continuing: back", S::CONTINUING_INCOMPLETE_UPDATE, T::PollBackWithFirmware, S::INSTALLING_FIRMWARE);
    row("failed: poll does nothing", S::FAILED, T::PollNothing, S::FAILED);
    row("failed: initiate", S::FAILED, T::Initiate, S::SEARCHING_FOR_DETECTOR);
}

void TestUpdateStateMachine::transitions() {
    QFETCH(State, from);
    QFETCH(Trigger, trigger);
    QFETCH(State, to);
    QFETCH(bool, ok);
    QFETCH(QString, reason);

    Rig rig;
    if (trigger == Trigger::Finished0Type15) {
        rig.setSystemType(DetectorType::FENNEL_UIM_NO_APP);
    }
    rig.driveTo(from);
    QCOMPARE(rig.machine.state(), from);

    QSignalSpy okSteps(&rig.machine, &Machine::stateStepOk);
    QSignalSpy errorSteps(&rig.machine, &Machine::stateStepError);
    QSignalSpy entered(&rig.machine, &Machine::stateEntered);
    pull(rig, trigger);

    QCOMPARE(rig.machine.state(), to);
    if (to == from) {
        QCOMPARE(entered.count(), 0);
        return;
    }
    QCOMPARE(entered.last().at(1).toString(), reason);
    QCOMPARE((ok ? errorSteps : okSteps).count(), 0);
    QCOMPARE((ok ? okSteps : errorSteps).first().at(0).toUInt(), static_cast<unsigned int>(from));
}

void TestUpdateStateMachine::signalOrderOfAFailedEntry() {
    Rig rig;
    rig.driveTo(State::SEARCHING_FOR_DETECTOR);
    QStringList order;
    connect(&rig.machine, &Machine::stateStepOk, this,
            [&](unsigned int old) { order << QStringLiteral("ok %1").arg(old); });
    connect(&rig.machine, &Machine::stateStepError, this,
            [&](unsigned int old) { order << QStringLiteral("error %1").arg(old); });
    connect(&rig.machine, &Machine::stateEntered, this, [&](unsigned int state, const QString& reason) {
        order << QStringLiteral("entered %1 %2").arg(state).arg(reason);
    });
    connect(&rig.machine, &Machine::stateChanged, this, [&](State state) {
        order << QStringLiteral("changed %1").arg(static_cast<unsigned int>(state));
    });

    QTest::ignoreMessage(QtDebugMsg, R"(Failed to enter state Failed because: "System Error")");
    pull(rig, Trigger::PollNoLocators);
    QCOMPARE(order, QStringList({"error 1", "entered 11 System Error", "changed 11"}));
}

void TestUpdateStateMachine::identifiesOnlyWhenTheDeviceListChanges() {
    Rig rig;
    rig.driveTo(State::SEARCHING_FOR_DETECTOR);
    QSignalSpy changes(&rig.machine, &Machine::stateChanged);
    for (int i = 0; i < 3; ++i) {
        rig.pollWith({});
    }
    QCOMPARE(rig.identifier->asked.count(), 0);
    QCOMPARE(changes.count(), 0);

    rig.pollWith({A});
    rig.pollWith({A});
    rig.pollWith({A});
    QCOMPARE(rig.identifier->asked, QStringList{A});
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);

    // Order counts: the same devices listed differently are searched again.
    rig.pollWith({A, Unknown});
    rig.pollWith({Unknown, A});
    QCOMPARE(rig.identifier->asked, QStringList({A, A, Unknown, Unknown, A}));
}

void TestUpdateStateMachine::countsEachSystemOnce_data() {
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<bool>("firstRecognisesOthers");
    QTest::addColumn<State>("state");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QStringList>("asked");

    QTest::newRow("one system at two locations")
        << QStringList{A, A2} << true << State::AWAIT_FIRMWARE_SELECTION << A << QStringList{A, A2};
    QTest::newRow("unknown device ignored")
        << QStringList{Unknown, A} << true << State::AWAIT_FIRMWARE_SELECTION << A << QStringList{Unknown, A};
    QTest::newRow("A, A again, then another")
        << QStringList{A, A2, B, Unknown} << true << State::MULTIPLE_DETECTORS_FOUND << A
        << QStringList{A, A2, B};
    // Only the first system found is asked whether a later one is the same.
    QTest::newRow("first does not recognise the second")
        << QStringList{A, A2} << false << State::MULTIPLE_DETECTORS_FOUND << A << QStringList{A, A2};
}

void TestUpdateStateMachine::countsEachSystemOnce() {
    QFETCH(QStringList, devices);
    QFETCH(bool, firstRecognisesOthers);
    QFETCH(State, state);
    QFETCH(QString, location);
    QFETCH(QStringList, asked);

    Rig rig;
    rig.identifier->systems[A].recognisesOthers = firstRecognisesOthers;
    rig.driveTo(State::SEARCHING_FOR_DETECTOR);
    rig.pollWith(devices);

    QCOMPARE(rig.machine.state(), state);
    QCOMPARE(rig.identifier->asked, asked);
    QCOMPARE(rig.machine.location(), location);
    QCOMPARE(rig.machine.identity() != nullptr, state == State::AWAIT_FIRMWARE_SELECTION);
}

void TestUpdateStateMachine::retryIdentifiesAgainOnlyFromFailed() {
    Rig rig;
    rig.driveTo(State::NO_UPDATES_AVAILABLE);
    rig.machine.initiateUpdateProcess();
    rig.machine.poll();
    QCOMPARE(rig.machine.state(), State::SEARCHING_FOR_DETECTOR);
    QCOMPARE(rig.identifier->asked.count(), 1);

    Rig failed;
    failed.driveTo(State::FAILED);
    failed.machine.initiateUpdateProcess();
    failed.machine.poll();
    QCOMPARE(failed.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(failed.identifier->asked, QStringList({A, A}));
}

void TestUpdateStateMachine::anotherDetectorWhileAwaitingSelectionIsSearchedAgain() {
    Rig rig;
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    rig.pollWith({A2});
    QCOMPARE(rig.machine.identity()->serialNumber(), QStringLiteral("S1"));
    QCOMPARE(rig.machine.location(), A2);

    QSignalSpy changes(&rig.machine, &Machine::stateChanged);
    rig.catalog.files = {{QStringLiteral("/other.cvb"), pod(90)}};
    rig.pollWith({B});
    QCOMPARE(rig.machine.identity()->serialNumber(), QStringLiteral("S2"));
    QCOMPARE(rig.machine.location(), B);
    // The window is told, so that it shows the new detector's firmware.
    QCOMPARE(changes.count(), 2);
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(rig.machine.getLatestFirmwareVersion().versions, pod(90));
}

void TestUpdateStateMachine::selectsTheNewestFirstOfEquals() {
    Rig rig;
    const auto none = rig.machine.getLatestFirmwareVersion();
    QVERIFY(none.versions.isEmpty() && !none.downloadRequired);
    QCOMPARE(none.downloadSize, -1);

    rig.catalog.files = {{QStringLiteral("/80.cvb"), pod(80)},
                         {QStringLiteral("/81a.cvb"), pod(81)},
                         {QStringLiteral("/81b.cvb"), pod(81)}};
    rig.driveTo(State::INSTALLING_FIRMWARE);
    QCOMPARE(rig.updater->installedFrom(), QStringLiteral("/81a.cvb"));
}

void TestUpdateStateMachine::selectionNeedsTheExactVersionMap() {
    Rig rig;
    auto both = pod(81);
    both.insert(UpgradeableComponent::TAMARIND, Version{1, 81, 0});
    rig.catalog.files = {{QStringLiteral("/pod.cvb"), pod(81)}, {QStringLiteral("/both.cvb"), both}};
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(rig.machine.getLatestFirmwareVersion().versions, both);

    auto more = both;
    more.insert(UpgradeableComponent::LEGACY_MBU_MODULE_1, Version{});
    QTest::ignoreMessage(QtInfoMsg, "Rejecting selecting FW version as we don't know about it");
    QVERIFY(!rig.machine.selectFirmwareToUpgrade(more));
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    QVERIFY(rig.machine.selectFirmwareToUpgrade(pod(81)));
    rig.machine.poll();
    QCOMPARE(rig.updater->installedFrom(), QStringLiteral("/pod.cvb"));
}

void TestUpdateStateMachine::refusesSelectionsInTheWrongState() {
    Rig rig;
    rig.driveTo(State::NO_UPDATES_AVAILABLE);
    QTest::ignoreMessage(QtDebugMsg, "Rejecting selection of latest firmware when in NO_UPDATES_AVAILABLE");
    QVERIFY(!rig.machine.selectLatestFirmwareToUpgrade());

    Rig continuing;
    continuing.driveTo(State::CONTINUING_INCOMPLETE_UPDATE);
    QTest::ignoreMessage(QtDebugMsg,
                         "Rejecting selection of firmware when not in CONTINUING_INCOMPLETE_UPDATE");
    QVERIFY(!continuing.machine.selectFirmwareToUpgrade(pod(81)));
    QVERIFY(continuing.machine.selectLatestFirmwareToUpgrade());
    QCOMPARE(continuing.machine.state(), State::CONTINUING_INCOMPLETE_UPDATE);
}

void TestUpdateStateMachine::extractsWithTheFirstExtractorThatProduces() {
    Rig rig;
    auto second = QSharedPointer<FakeExtractor>::create();
    rig.extractor->produces = false;
    fwup::global_firmware_image_extractor_registry() << second;
    rig.driveTo(State::INSTALLING_FIRMWARE);
    QCOMPARE(rig.updater->installedFrom(), QStringLiteral("/new.cvb"));
}

void TestUpdateStateMachine::startsTheFirstUpdaterThatAccepts() {
    Rig rig;
    auto second = QSharedPointer<FakeUpdater>::create();
    auto third = QSharedPointer<FakeUpdater>::create();
    rig.updater->accepts = false;
    fwup::global_detector_updater_registry() << second << third;
    rig.driveTo(State::EXTRACTING_FIRMWARE);
    QSignalSpy changes(&rig.machine, &Machine::stateChanged);
    rig.machine.poll();
    QCOMPARE(changes.count(), 1);
    QCOMPARE(third->starts, 0);
    QCOMPARE(second->location, A);

    emit rig.updater->updateProgress(true, 10); // the one that declined is not listened to
    QCOMPARE(rig.machine.installPercent(), 0);
    emit second->finished(UpdaterStatus::COMPLETE);
    QCOMPARE(rig.machine.state(), State::SUCCEEDED);
}

void TestUpdateStateMachine::passesProgressOn() {
    Rig rig;
    rig.driveTo(State::INSTALLING_FIRMWARE);
    QSignalSpy progress(&rig.machine, &Machine::installProgress);
    emit rig.updater->updateProgress(false, 0);
    emit rig.updater->updateProgress(true, 42);
    QCOMPARE(progress.count(), 2);
    QCOMPARE(progress.at(1), QVariantList({true, 42}));
    QVERIFY(rig.machine.installDeterminate());
    QCOMPARE(rig.machine.installPercent(), 42);

    QTest::ignoreMessage(QtWarningMsg, "The firmware installation process failed");
    emit rig.updater->finished(UpdaterStatus::FAILED);
    emit rig.updater->updateProgress(true, 50); // released with its final status
    QCOMPARE(progress.count(), 2);
}

void TestUpdateStateMachine::completionOfTypes14And15SearchesAgain() {
    Rig rig;
    rig.setSystemType(DetectorType::FENNEL_CB_NO_APP);
    rig.driveTo(State::SUCCEEDED);
    QCOMPARE(rig.machine.state(), State::SEARCHING_FOR_DETECTOR);
    rig.machine.poll();
    QCOMPARE(rig.identifier->asked.count(), 1); // until the device list changes
    rig.pollWith({A2});
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
}

void TestUpdateStateMachine::continuesAnIncompleteUpdate_data() {
    QTest::addColumn<int>("elapsed");
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<State>("state");

    QTest::newRow("back within 10000 ms") << 10000 << QStringList{A2} << State::INSTALLING_FIRMWARE;
    QTest::newRow("still away at 10000 ms") << 10000 << QStringList{A} << State::CONTINUING_INCOMPLETE_UPDATE;
    QTest::newRow("still away at 10001 ms") << 10001 << QStringList{A} << State::FAILED;
    // The search runs once in FAILED after the time-out and takes the detector up from there.
    QTest::newRow("back after 10001 ms") << 10001 << QStringList{A2} << State::AWAIT_FIRMWARE_SELECTION;
}

void TestUpdateStateMachine::continuesAnIncompleteUpdate() {
    QFETCH(int, elapsed);
    QFETCH(QStringList, devices);
    QFETCH(State, state);

    Rig rig;
    rig.catalog.files = {{QStringLiteral("/first.cvb"), pod(81)}};
    rig.driveTo(State::CONTINUING_INCOMPLETE_UPDATE);
    rig.catalog.files.push_back({QStringLiteral("/newest.cvb"), pod(82)});
    rig.now += std::chrono::milliseconds(elapsed);
    rig.pollWith(devices);

    QCOMPARE(rig.machine.state(), state);
    if (state != State::INSTALLING_FIRMWARE) {
        return;
    }
    QCOMPARE(rig.updater->starts, 2);
    QCOMPARE(rig.updater->installedFrom(), QStringLiteral("/newest.cvb"));
    QCOMPARE(rig.updater->location, A2);
    // Started twice, but connected once.
    QSignalSpy progress(&rig.machine, &Machine::installProgress);
    emit rig.updater->updateProgress(true, 7);
    QCOMPARE(progress.count(), 1);
}

void TestUpdateStateMachine::nestedPollDuringIdentificationReturnsAtOnce() {
    Rig rig;
    rig.driveTo(State::SEARCHING_FOR_DETECTOR);
    // The window's 100 ms timer, shortened; identification pumps events as the real one does.
    QTimer windowTimer;
    connect(&windowTimer, &QTimer::timeout, &rig.machine, &Machine::poll);
    windowTimer.start(1);
    rig.identifier->whileIdentifying = [&](const QString&) {
        rig.plug({B}); // the device list changes meanwhile
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20) {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
        }
    };
    rig.pollWith({A});

    QCOMPARE(rig.identifier->deepest, 1);
    QCOMPARE(rig.identifier->asked, QStringList{A});
    QCOMPARE(rig.machine.identity()->serialNumber(), QStringLiteral("S1"));
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
}

void TestUpdateStateMachine::searchOvertakenBySelectionIsDropped() {
    Rig rig;
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    // The user presses INSTALL while a newly plugged detector is being identified.
    rig.identifier->whileIdentifying = [&](const QString&) {
        rig.machine.selectLatestFirmwareToUpgrade();
    };
    rig.pollWith({B});
    QCOMPARE(rig.machine.state(), State::EXTRACTING_FIRMWARE);
    QCOMPARE(rig.machine.identity()->serialNumber(), QStringLiteral("S1"));

    rig.identifier->whileIdentifying = nullptr;
    rig.machine.poll();
    QCOMPARE(rig.machine.state(), State::INSTALLING_FIRMWARE);
    QCOMPARE(rig.updater->location, A);
    // The updater reads its own copy, which outlives the machine's identity.
    QVERIFY(rig.updater->identity != rig.machine.identity());
    rig.machine.abortUpdateProcess();
    QCOMPARE(rig.updater->identity->serialNumber(), QStringLiteral("S1"));

    // Restarted by the user while the search ran: the devices it found are searched afresh.
    Rig restarted;
    restarted.driveTo(State::MULTIPLE_DETECTORS_FOUND);
    restarted.identifier->whileIdentifying = [&](const QString&) {
        restarted.machine.initiateUpdateProcess();
    };
    restarted.pollWith({B});
    QCOMPARE(restarted.machine.state(), State::SEARCHING_FOR_DETECTOR);
    restarted.identifier->whileIdentifying = nullptr;
    restarted.machine.poll();
    QCOMPARE(restarted.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(restarted.machine.identity()->serialNumber(), QStringLiteral("S2"));
}

void TestUpdateStateMachine::asksTheLastAcceptingReadinessChecker() {
    using Readiness = fwup::DetectorUpgradeReadinessChecker::ReadinessStatus;
    {
        Rig rig;
        QTest::ignoreMessage(QtDebugMsg, "No detector readiness checker available in global registry");
        rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
        QCOMPARE(rig.machine.readiness(), Readiness::READY);
    }
    Rig rig;
    fwup::global_detector_upgrade_status_checker_registry()
        << QSharedPointer<FakeReadinessChecker>::create(DetectorType::LODESTAR_MODEL_1,
                                                        Readiness::BATTERY_LOW)
        << QSharedPointer<FakeReadinessChecker>::create(DetectorType::LODESTAR_MODEL_1,
                                                        Readiness::BATTERY_CHECK_FAILED)
        << QSharedPointer<FakeReadinessChecker>::create(DetectorType::LODESTAR_MODEL_2,
                                                        Readiness::BATTERY_LOW);
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    QCOMPARE(rig.machine.readiness(), Readiness::BATTERY_CHECK_FAILED);
}

void TestUpdateStateMachine::versionCheckersDecideOnOneUnsupported() {
    Rig rig;
    const FakeIdentity system(QStringLiteral("S1"));
    QVERIFY(rig.machine.isDectectorSupported(system));
    QVERIFY(rig.machine.isFirmwareSupported({}));

    QList<QSharedPointer<FakeDetectorVersionChecker>> checkers{
        QSharedPointer<FakeDetectorVersionChecker>::create(2),
        QSharedPointer<FakeDetectorVersionChecker>::create(1),
        QSharedPointer<FakeDetectorVersionChecker>::create(2)};
    for (const auto& checker : checkers) {
        fwup::global_detector_version_checker_registry() << checker;
    }
    QVERIFY(!rig.machine.isDectectorSupported(system));
    QCOMPARE(checkers[2]->asked, 0);

    auto firmwareChecker = QSharedPointer<FakeFirmwareVersionChecker>::create(1);
    fwup::global_firmware_version_checker_registry() << firmwareChecker;
    rig.driveTo(State::AWAIT_FIRMWARE_SELECTION);
    QVERIFY(!rig.machine.isFirmwareSupported(rig.machine.getLatestFirmwareVersion()));
    QCOMPARE(firmwareChecker->askedFor, DetectorType::LODESTAR_MODEL_1);
}

void TestUpdateStateMachine::remoteOffers() {
    {
        // Already known: the offer's detector version is component 1 of a catalogued entry.
        Rig rig;
        auto legacy = pod(81);
        legacy.insert(UpgradeableComponent::LEGACY_MBU_MODULE_2, Version{1, 99, 0});
        rig.catalog.files = {{QStringLiteral("/legacy.cvb"), legacy}};
        rig.offerDownload(99);
        rig.driveTo(State::SEARCHING_FOR_UPDATES);
        emit rig.remote->searchFinished();
        QCOMPARE(rig.machine.getFirmwareList().size(), 1u);
        QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    }
    Rig rig;
    rig.catalog.files.clear();
    rig.offerDownload(99);
    rig.driveTo(State::SEARCHING_FOR_UPDATES);
    emit rig.remote->searchFinished();
    QCOMPARE(rig.machine.state(), State::AWAIT_FIRMWARE_SELECTION);
    const auto offered = rig.machine.getFirmwareList();
    QCOMPARE(offered.size(), 1u);
    QVERIFY(offered[0].downloadRequired);
    QCOMPARE(offered[0].downloadSize, 4096);
    QCOMPARE(offered[0].versions.value(UpgradeableComponent::LEGACY_MBU_MODULE_2), (Version{1, 99, 0}));

    QVERIFY(rig.machine.selectFirmwareToUpgrade(offered[0].versions));
    QCOMPARE(rig.machine.state(), State::DOWNLOADING_FIRMWARE);
    QCOMPARE(rig.downloader->starts, 1);
    QVERIFY(QFileInfo::exists(rig.downloader->destinationPath()));
    QSignalSpy progress(&rig.machine, &Machine::downloadProgress);
    emit rig.downloader->downloadProgress(37);
    QCOMPARE(rig.machine.downloadPercent(), 37);
    QCOMPARE(progress.count(), 1);

    // No parser takes the download.
    fwup::global_firmware_file_parser_registry() << QSharedPointer<FakeParser>::create();
    QTest::ignoreMessage(QtWarningMsg, R"("No firmwares found in the downloaded file")");
    emit rig.downloader->finished(true);
    QCOMPARE(rig.machine.state(), State::FAILED);
}

void TestUpdateStateMachine::downloadedFirmwareIsCataloguedAndExtracted() {
    Rig rig;
    rig.driveTo(State::DOWNLOADING_FIRMWARE);
    auto parser = QSharedPointer<FakeParser>::create();
    // A download whose versions match the offer is installed from its catalogued copy.
    const auto offered = rig.machine.getFirmwareList().back().versions;
    parser->yields = {{QStringLiteral("/catalogued.cvb"), offered}};
    fwup::global_firmware_file_parser_registry() << parser;
    emit rig.downloader->finished(true);
    QCOMPARE(rig.machine.state(), State::EXTRACTING_FIRMWARE);
    rig.machine.poll();
    QCOMPARE(rig.updater->installedFrom(), QStringLiteral("/catalogued.cvb"));

    // One that matches nothing stays the remote entry, which no extractor takes.
    Rig mismatch;
    mismatch.driveTo(State::DOWNLOADING_FIRMWARE);
    pull(mismatch, Trigger::DownloadSucceeds);
    QTest::ignoreMessage(QtDebugMsg, R"(Failed to enter state Failed because: "Invalid Firmware File")");
    mismatch.machine.poll();
    QCOMPARE(mismatch.machine.state(), State::FAILED);
}

QTEST_MAIN(TestUpdateStateMachine)
#include "tst_update_state_machine.moc"
