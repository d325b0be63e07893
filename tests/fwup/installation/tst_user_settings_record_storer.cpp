// The user-settings record store: the storer's decision as a pure table, the coordinator's answers
// to the pod's scripted store statuses, and the storer's roads from a pod in its application or its
// bootloader, against the simulated detector through the real link stack.
#include <QRegularExpression>
#include <QTest>

#include "fwup/installation/store_user_settings_record_coordinator.h"
#include "fwup/installation/user_settings_record_storer.h"
#include "tests/fwup/installation/pod_agents_test_support.h"

using namespace pod_agents_test;
using PodMode = SimulatedDetector::PodMode;
using fwup::Version;
using fwup::VersionRange;
using fwup::VersionRangeTable;

namespace {

const VersionRangeTable LODESTAR_TABLE{{VersionRange{{1, 76, 0}, {1, 76, 255}}, 1},
                                       {VersionRange{{1, 77, 0}, {255, 255, 255}}, 2}};
const Version POD_VERSION{1, 77, 2};
const Version OLDER_TARGET{1, 76, 9};

Version version(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    return {static_cast<std::uint8_t>(parts.value(0).toUInt()),
            static_cast<std::uint8_t>(parts.value(1).toUInt()),
            static_cast<std::uint8_t>(parts.value(2).toUInt())};
}

VersionRangeTable table(const QString& name) {
    if (name == QLatin1String("empty")) {
        return {};
    }
    if (name == QLatin1String("overlapping")) {
        return {{VersionRange{{1, 0, 0}, {1, 80, 0}}, 3}, {VersionRange{{1, 77, 0}, {1, 99, 0}}, 1}};
    }
    return LODESTAR_TABLE;
}

fwup::StoreUserSettingsRecordCoordinator::Timing shortStoreTiming(std::uint32_t maxPolls = 120) {
    fwup::StoreUserSettingsRecordCoordinator::Timing timing;
    timing.attemptLimit = 3;
    timing.firstTimeoutMs = WAIT_MS;
    timing.resendTimeoutMs = WAIT_MS;
    timing.pollIntervalMs = 10;
    timing.maxPolls = maxPolls;
    return timing;
}

fwup::UserSettingsRecordStorer::Timing shortStorerTiming() {
    fwup::UserSettingsRecordStorer::Timing timing;
    timing.store = shortStoreTiming();
    timing.productTypeAttempts = 3;
    timing.productTypeFirstTimeoutMs = WAIT_MS;
    timing.productTypeResendTimeoutMs = WAIT_MS;
    timing.resetTimeoutMs = 100;
    timing.loginStepTimeoutMs = WAIT_MS;
    return timing;
}

enum class Outcome {
    Stored,
    NotStored,
    Failed,
};

// What one store reported.
struct Store {
    QList<Outcome> outcomes;
    std::function<void(bool)> onDone() {
        return [this](bool stored) {
            outcomes.append(stored ? Outcome::Stored : Outcome::NotStored);
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            outcomes.append(Outcome::Failed);
        };
    }
};

} // namespace

class TestUserSettingsRecordStorer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerPodFinding(); }
    void cleanup();
    void cleanupTestCase() { unregisterPodFinding(); }

    void decision_data();
    void decision();
    void coordinatorFollowsStatuses_data();
    void coordinatorFollowsStatuses();
    void coordinatorRefusesSecondStart();
    void storerRoads_data();
    void storerRoads();
    void storerWithoutStore_data();
    void storerWithoutStore();
    void storerRefusesSecondStore();

private:
    void startStorer(fwup::UserSettingsRecordStorer& storer, Store& store, Version from = POD_VERSION,
                     Version to = OLDER_TARGET);

    std::unique_ptr<SimulatedDetector> detector_;
};

void TestUserSettingsRecordStorer::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestUserSettingsRecordStorer::decision_data() {
    QTest::addColumn<QString>("tableName");
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("store");

    QTest::newRow("1.77 to 1.76: 2 > 1") << "lodestar"
                                         << "1.77.2"
                                         << "1.76.9" << true;
    QTest::newRow("1.77.0 to 1.76.3") << "lodestar"
                                      << "1.77.0"
                                      << "1.76.3" << true;
    QTest::newRow("newest to 1.76.0") << "lodestar"
                                      << "255.255.255"
                                      << "1.76.0" << true;
    QTest::newRow("2.0.0 to 1.76.0") << "lodestar"
                                     << "2.0.0"
                                     << "1.76.0" << true;
    QTest::newRow("1.77 to below any row: 2 > 0") << "lodestar"
                                                  << "1.77.2"
                                                  << "1.75.9" << true;
    QTest::newRow("1.76 to below any row: 1 > 0") << "lodestar"
                                                  << "1.76.0"
                                                  << "1.75.255" << true;
    QTest::newRow("upgrade 1.76 to 1.77") << "lodestar"
                                          << "1.76.9"
                                          << "1.77.2" << false;
    QTest::newRow("within 1.76") << "lodestar"
                                 << "1.76.5"
                                 << "1.76.0" << false;
    QTest::newRow("within 1.77 and later") << "lodestar"
                                           << "3.0.0"
                                           << "1.77.0" << false;
    QTest::newRow("from below any row") << "lodestar"
                                        << "1.75.0"
                                        << "1.74.0" << false;
    QTest::newRow("target 0.0.0: no version known") << "lodestar"
                                                    << "1.77.2"
                                                    << "0.0.0" << false;
    QTest::newRow("empty table") << "empty"
                                 << "1.77.2"
                                 << "1.76.9" << false;
    QTest::newRow("overlapping rows: first decides") << "overlapping"
                                                     << "1.78.0"
                                                     << "1.50.0" << false;
    QTest::newRow("overlapping rows: 3 > 1") << "overlapping"
                                             << "1.78.0"
                                             << "1.90.0" << true;
}

void TestUserSettingsRecordStorer::decision() {
    QFETCH(QString, tableName);
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, store);
    QCOMPARE(
        fwup::UserSettingsRecordStorer::needToStoreSettings(table(tableName), version(from), version(to)),
        store);
}

void TestUserSettingsRecordStorer::coordinatorFollowsStatuses_data() {
    QTest::addColumn<bool>("supported");
    QTest::addColumn<QList<std::uint8_t>>("statuses");
    QTest::addColumn<int>("maxPolls");
    QTest::addColumn<bool>("errOnSet");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("polls");
    QTest::addColumn<QStringList>("messages");

    using L = QList<std::uint8_t>;
    const QString failed = QStringLiteral("Failed to save settings");
    QTest::newRow("not supported") << false << L{2} << 120 << false << Outcome::NotStored << 0
                                   << QStringList{"Device does not support downgrading to \"1.76.9\""};
    QTest::newRow("stored at once") << true << L{2} << 120 << false << Outcome::Stored << 0
                                    << QStringList{"Settings stored for \"1.76.9\""};
    QTest::newRow("idle, then stored") << true << L{0, 2} << 120 << false << Outcome::Stored << 1
                                       << QStringList{"Unexpected IDLE status reported"};
    QTest::newRow("storing three times")
        << true << L{1, 1, 1, 1, 2} << 120 << false << Outcome::Stored << 4 << QStringList{};
    QTest::newRow("fails at once") << true << L{3} << 120 << false << Outcome::Failed << 0
                                   << QStringList{failed};
    QTest::newRow("fails on a poll") << true << L{1, 4} << 120 << false << Outcome::Failed << 1
                                     << QStringList{failed};
    QTest::newRow("fails with 5") << true << L{5} << 120 << false << Outcome::Failed << 0
                                  << QStringList{failed};
    QTest::newRow("unknown status") << true << L{1, 7} << 120 << false << Outcome::Failed << 1
                                    << QStringList{"Unknown settings store status 7", failed};
    QTest::newRow("never finishes") << true << L{1} << 3 << false << Outcome::Failed << 3
                                    << QStringList{"Settings still not stored after 3 polls", failed};
    QTest::newRow("ERR to the store")
        << true << L{2} << 120 << true << Outcome::Failed << 0
        << QStringList{"\"Received error FAILED to Store User Settings Record\""};
}

void TestUserSettingsRecordStorer::coordinatorFollowsStatuses() {
    QFETCH(bool, supported);
    QFETCH(QList<std::uint8_t>, statuses);
    QFETCH(int, maxPolls);
    QFETCH(bool, errOnSet);
    QFETCH(Outcome, outcome);
    QFETCH(int, polls);
    QFETCH(QStringList, messages);
    detector_ = plugDetector(PodMode::Application);
    SimulatedComponent& pod = detector_->pod();
    pod.setLoggedInUsers(OPERATOR_LOGGED_IN);
    pod.setSettingsRecordSupported(supported);
    pod.setSettingsRecordStatusScript(statuses);
    if (errOnSet) {
        pod.addFault(command_id::STORE_USER_SETTINGS_RECORD, SimulatedFault::error(8).forMode(SET));
    }
    Link link(detector_->location());
    QVERIFY(link.connection);
    fwup::StoreUserSettingsRecordCoordinator coordinator(
        link.centre, shortStoreTiming(static_cast<std::uint32_t>(maxPolls)));
    Store store;

    for (const QString& message : std::as_const(messages)) {
        QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
    }
    coordinator.start([&store](const bool& stored) { store.onDone()(stored); }, store.onFailure(),
                      OLDER_TARGET);
    QVERIFY(coordinator.isBusy());
    QTRY_COMPARE(store.outcomes.size(), 1);

    QCOMPARE(store.outcomes.first(), outcome);
    QVERIFY(!coordinator.isBusy());
    const int sets = pod.requestCount(command_id::STORE_USER_SETTINGS_RECORD, SET);
    QCOMPARE(sets, supported ? 1 : 0);
    QCOMPARE(pod.requestCount(command_id::STORE_USER_SETTINGS_RECORD, GET), 1 + polls);
    QCOMPARE(pod.storedSettingsVersion() == OLDER_TARGET, outcome == Outcome::Stored);
    // No poll is left running.
    QTest::qWait(50);
    QCOMPARE(pod.requestCount(command_id::STORE_USER_SETTINGS_RECORD), 1 + sets + polls);
    QCOMPARE(store.outcomes.size(), 1);
}

void TestUserSettingsRecordStorer::coordinatorRefusesSecondStart() {
    detector_ = plugDetector(PodMode::Application);
    detector_->pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    detector_->pod().setSettingsRecordStatusScript({1, 1, 2});
    Link link(detector_->location());
    fwup::StoreUserSettingsRecordCoordinator coordinator(link.centre, shortStoreTiming());
    Store running;
    Store refused;

    coordinator.start([&running](const bool& stored) { running.onDone()(stored); }, running.onFailure(),
                      OLDER_TARGET);
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    coordinator.start([&refused](const bool& stored) { refused.onDone()(stored); }, refused.onFailure(),
                      OLDER_TARGET);
    QCOMPARE(refused.outcomes, QList<Outcome>{Outcome::Failed});
    QTRY_COMPARE(running.outcomes, QList<Outcome>{Outcome::Stored});
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, coordinator.start({}, running.onFailure(), OLDER_TARGET));
}

void TestUserSettingsRecordStorer::startStorer(fwup::UserSettingsRecordStorer& storer, Store& store,
                                               Version from, Version to) {
    storer.start(LODESTAR_TABLE, from, to, detector_->usbSerialNumber(), detector_->location(),
                 makeDirectRelocator(), store.onDone(), store.onFailure());
}

void TestUserSettingsRecordStorer::storerRoads_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<bool>("applicationStarts");
    QTest::addColumn<int>("reportedType");
    QTest::addColumn<bool>("supported");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("secondConnection");
    QTest::addColumn<Outcome>("outcome");
    QTest::addColumn<int>("restarts");

    QTest::newRow("pod in its application")
        << PodMode::Application << true << 0 << true << 2 << false << Outcome::Stored << 0;
    QTest::newRow("beside the updater's open connection")
        << PodMode::Application << true << 0 << true << 2 << true << Outcome::Stored << 0;
    QTest::newRow("bootloader, back in the application")
        << PodMode::Bootloader << true << 0 << true << 2 << false << Outcome::Stored << 1;
    QTest::newRow("bootloader, back in the bootloader")
        << PodMode::Bootloader << false << 0 << true << 2 << false << Outcome::NotStored << 1;
    QTest::newRow("store not supported")
        << PodMode::Application << true << 0 << false << 2 << false << Outcome::NotStored << 0;
    QTest::newRow("store fails") << PodMode::Application << true << 0 << true << 4 << false << Outcome::Failed
                                 << 0;
    QTest::newRow("neither product type")
        << PodMode::Application << true << 150 << true << 2 << false << Outcome::Failed << 0;
}

void TestUserSettingsRecordStorer::storerRoads() {
    QFETCH(PodMode, mode);
    QFETCH(bool, applicationStarts);
    QFETCH(int, reportedType);
    QFETCH(bool, supported);
    QFETCH(int, status);
    QFETCH(bool, secondConnection);
    QFETCH(Outcome, outcome);
    QFETCH(int, restarts);
    detector_ = plugDetector(mode);
    SimulatedComponent& pod = detector_->pod();
    pod.setSettingsRecordSupported(supported);
    pod.setSettingsRecordStatusScript({1, static_cast<std::uint8_t>(status)});
    // The storer restarts a pod in its bootloader without logging in; the bootloader allows that.
    pod.setLoginRequired(command_id::SOFTWARE_RESET, mode == PodMode::Application);
    if (!applicationStarts) {
        detector_->setApplicationStartFailures();
    }
    if (reportedType != 0) {
        pod.setReportedProductType(static_cast<std::uint16_t>(reportedType));
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^Invalid product type reported")));
    }
    // The updater keeps its own connection to the pod open while the storer works.
    std::unique_ptr<Link> updater;
    if (secondConnection) {
        updater = std::make_unique<Link>(detector_->location());
        QVERIFY(updater->connection);
    }
    fwup::UserSettingsRecordStorer storer(POD_BOOTLOADER, POD_APPLICATION, shortStorerTiming());
    Store store;

    startStorer(storer, store);
    QVERIFY(storer.isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(store.outcomes.size(), 1, 30000);

    QCOMPARE(store.outcomes.first(), outcome);
    QVERIFY(!storer.isBusy());
    QCOMPARE(detector_->podRestartCount(), restarts);
    QCOMPARE(pod.storedSettingsVersion() == OLDER_TARGET, outcome == Outcome::Stored);
    // A store is ordered only to a pod in its application with the operator logged in.
    const bool ordered = supported && outcome != Outcome::NotStored && reportedType == 0;
    QCOMPARE(pod.requestCount(command_id::STORE_USER_SETTINGS_RECORD, SET), ordered ? 1 : 0);
    if (ordered) {
        QVERIFY(pod.isOperatorLoggedIn());
    }
    updater.reset();
}

void TestUserSettingsRecordStorer::storerWithoutStore_data() {
    QTest::addColumn<QString>("to");
    QTest::addColumn<QString>("message");
    QTest::newRow("upgrade") << "1.77.5"
                             << "No need to store settings going from  \"1.77.2\" to \"1.77.5\"";
    QTest::newRow("no control-pod version in the firmware")
        << "0.0.0"
        << "No control-pod version to store settings for; not storing settings";
}

void TestUserSettingsRecordStorer::storerWithoutStore() {
    QFETCH(QString, to);
    QFETCH(QString, message);
    detector_ = plugDetector(PodMode::Application);
    fwup::UserSettingsRecordStorer storer(POD_BOOTLOADER, POD_APPLICATION, shortStorerTiming());
    Store store;

    QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
    startStorer(storer, store, POD_VERSION, version(to));
    QCOMPARE(store.outcomes, QList<Outcome>{Outcome::NotStored});
    QVERIFY(!storer.isBusy());
    QTest::qWait(50);
    QVERIFY(detector_->pod().traffic().isEmpty());
}

void TestUserSettingsRecordStorer::storerRefusesSecondStore() {
    detector_ = plugDetector(PodMode::Application);
    detector_->pod().setSettingsRecordStatusScript({1, 1, 2});
    fwup::UserSettingsRecordStorer storer(POD_BOOTLOADER, POD_APPLICATION, shortStorerTiming());
    Store running;
    Store refused;
    Store notNeeded;

    startStorer(storer, running);
    startStorer(storer, refused);
    startStorer(storer, notNeeded, POD_VERSION, POD_VERSION);
    QCOMPARE(refused.outcomes, QList<Outcome>{Outcome::Failed});
    QCOMPARE(notNeeded.outcomes, QList<Outcome>{Outcome::NotStored});
    QTRY_COMPARE_WITH_TIMEOUT(running.outcomes, QList<Outcome>{Outcome::Stored}, 30000);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             storer.start(LODESTAR_TABLE, POD_VERSION, OLDER_TARGET, {}, {},
                                          makeDirectRelocator(), {}, running.onFailure()));
}

QTEST_GUILESS_MAIN(TestUserSettingsRecordStorer)
#include "tst_user_settings_record_storer.moc"
