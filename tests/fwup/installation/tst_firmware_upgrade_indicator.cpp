// The upgrade indicator against the simulated pod: what it asks, what it sets, and when it gives up.
#include <QRegularExpression>
#include <QTest>

#include "fwup/installation/firmware_upgrade_indicator.h"
#include "tests/fwup/installation/installation_test_support.h"

using namespace installation_test;

namespace {

constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;
constexpr std::uint32_t ATTEMPTS = 2;
constexpr std::uint64_t WAIT_MS = 150;
constexpr int RETRY_MS = 100;

const QString GET_114 = QStringLiteral("GET 114");
const QString SET_114 = QStringLiteral("SET 114");

// The indication each SET asked for, as its one payload byte.
QByteArray setPayloads(const SimulatedComponent& component) {
    QByteArray payloads;
    for (const auto& entry : component.traffic()) {
        if (entry.commandId == command_id::INDICATE_FIRMWARE_UPGRADE && entry.mode == SET) {
            payloads += entry.payload;
        }
    }
    return payloads;
}

} // namespace

class TestFirmwareUpgradeIndicator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void runs_data();
    void runs();
    void exchangeFailureEndsRun_data();
    void exchangeFailureEndsRun();
    void restartDuringRetryWait();
    void emptyHandlerThrows();

private:
    SimulatedComponent& pod() { return detector_->pod(); }

    std::unique_ptr<SimulatedDetector> detector_;
    std::unique_ptr<Link> link_;
    std::unique_ptr<fwup::FirmwareUpgradeIndicator> indicator_;
};

void TestFirmwareUpgradeIndicator::initTestCase() {
    registerLinkStack();
}

void TestFirmwareUpgradeIndicator::init() {
    detector_ = plugDetector(SimulatedDetector::PodMode::Application);
    pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    link_ = std::make_unique<Link>(detector_->location());
    QVERIFY(link_->connection);
    indicator_ = std::make_unique<fwup::FirmwareUpgradeIndicator>(link_->centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    indicator_->setRetryIntervalMs(RETRY_MS);
}

void TestFirmwareUpgradeIndicator::cleanup() {
    indicator_.reset();
    link_.reset();
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestFirmwareUpgradeIndicator::cleanupTestCase() {
    unregisterLinkStack();
}

void TestFirmwareUpgradeIndicator::runs_data() {
    QTest::addColumn<bool>("indicate");
    QTest::addColumn<bool>("allowed");
    QTest::addColumn<int>("ignoredSets");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("retries");
    QTest::addColumn<QString>("message");

    QTest::newRow("show") << true << true << 0 << QStringList{GET_114, SET_114} << true << 0 << QString();
    // Clearing never asks whether an upgrade is allowed.
    QTest::newRow("clear") << false << false << 0 << QStringList{SET_114} << true << 0 << QString();
    QTest::newRow("show, not allowed") << true << false << 0 << QStringList{GET_114} << false << 0
                                       << QStringLiteral("firmware cannot currently be upgraded");
    QTest::newRow("show, right at the second SET")
        << true << true << 1 << QStringList{GET_114, SET_114, SET_114} << true << 1 << QString();
    QTest::newRow("show, wrong state three times")
        << true << true << SimulatedComponent::kAlways << QStringList{GET_114, SET_114, SET_114, SET_114}
        << false << 3 << QString();
    QTest::newRow("clear, wrong state three times")
        << false << true << SimulatedComponent::kAlways << QStringList{SET_114, SET_114, SET_114} << false
        << 3 << QString();
}

void TestFirmwareUpgradeIndicator::runs() {
    QFETCH(bool, indicate);
    QFETCH(bool, allowed);
    QFETCH(int, ignoredSets);
    QFETCH(QStringList, requests);
    QFETCH(bool, success);
    QFETCH(int, retries);
    QFETCH(QString, message);
    if (!indicate) {
        // Start from a shown screen, so that a stuck device keeps showing it.
        Ends shown;
        indicator_->start(true, shown.onDone(), shown.onFailure());
        QTRY_COMPARE(shown.done, 1);
        QVERIFY(pod().upgradeIndicated());
        pod().clearTraffic();
    }
    pod().setUpgradeAllowed(allowed);
    pod().ignoreIndicationSets(ignoredSets);
    if (!message.isEmpty()) {
        QTest::ignoreMessage(QtWarningMsg, qPrintable(message));
    }
    if (retries == 3) {
        QTest::ignoreMessage(QtDebugMsg, "giving up");
    }
    Ends ends;

    indicator_->start(indicate, ends.onDone(), ends.onFailure());
    QTRY_COMPARE(ends.total(), 1);

    QCOMPARE(ends.done, success ? 1 : 0);
    QCOMPARE(pod().requestLog(), requests);
    QCOMPARE(setPayloads(pod()), QByteArray(int(requests.count(SET_114)), indicate ? '\1' : '\0'));
    QCOMPARE(indicator_->retryCount(), retries);
    QVERIFY(!indicator_->isWaitingToRetry());
    if (success) {
        QCOMPARE(pod().upgradeIndicated(), indicate);
    }
}

void TestFirmwareUpgradeIndicator::exchangeFailureEndsRun_data() {
    QTest::addColumn<bool>("indicate");
    QTest::addColumn<std::uint8_t>("silentMode");
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<QString>("warning");
    // The exchange has made its attempts; the indicator adds none.
    QTest::newRow("query silent") << true << GET << QStringList{GET_114, GET_114}
                                  << QStringLiteral("^could not check if upgrade is allowed: .*TIMEOUT");
    QTest::newRow("SET silent") << true << SET << QStringList{GET_114, SET_114, SET_114}
                                << QStringLiteral("^could not indicate firmware upgrade: .*TIMEOUT");
    QTest::newRow("clearing SET silent") << false << SET << QStringList{SET_114, SET_114}
                                         << QStringLiteral("^could not indicate firmware upgrade: .*TIMEOUT");
}

void TestFirmwareUpgradeIndicator::exchangeFailureEndsRun() {
    QFETCH(bool, indicate);
    QFETCH(std::uint8_t, silentMode);
    QFETCH(QStringList, requests);
    QFETCH(QString, warning);
    pod().addFault(command_id::INDICATE_FIRMWARE_UPGRADE, SimulatedFault::silence().forMode(silentMode),
                   SimulatedComponent::kAlways);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    Ends ends;

    indicator_->start(indicate, ends.onDone(), ends.onFailure());
    QTRY_COMPARE(ends.total(), 1);

    QCOMPARE(ends.failed, 1);
    QCOMPARE(pod().requestLog(), requests);
    QCOMPARE(indicator_->retryCount(), 0);
}

// A new run replaces one that waits to retry: the old run's retry never fires and its handlers are
// never called.
void TestFirmwareUpgradeIndicator::restartDuringRetryWait() {
    pod().ignoreIndicationSets(1);
    Ends first;
    indicator_->start(true, first.onDone(), first.onFailure());
    QTRY_VERIFY(indicator_->isWaitingToRetry());
    QCOMPARE(pod().requestLog(), (QStringList{GET_114, SET_114}));

    // The new run waits to retry as well; only its own retry may fire.
    pod().ignoreIndicationSets(1);
    Ends second;
    indicator_->start(true, second.onDone(), second.onFailure());
    QTRY_COMPARE(second.total(), 1);
    QCOMPARE(second.done, 1);
    QCOMPARE(indicator_->retryCount(), 1);
    QTest::qWait(3 * RETRY_MS);

    QCOMPARE(first.total(), 0);
    QCOMPARE(second.total(), 1);
    QCOMPARE(pod().requestLog(), (QStringList{GET_114, SET_114, GET_114, SET_114, SET_114}));
    QVERIFY(pod().upgradeIndicated());
}

void TestFirmwareUpgradeIndicator::emptyHandlerThrows() {
    Ends ends;
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, indicator_->start(true, {}, ends.onFailure()));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, indicator_->start(false, ends.onDone(), {}));
    QVERIFY(pod().requestLog().isEmpty());
}

QTEST_GUILESS_MAIN(TestFirmwareUpgradeIndicator)
#include "tst_firmware_upgrade_indicator.moc"
