// The blocking operator login against a whole simulated detector, through the program's own HID
// connection stack.
#include "fwup/communication/muppet_connection.h"
#include "fwup/identification/muppet_device_login_agent.h"
#include "security/sha256.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/operator_passwords/generated_operator_password.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/link_stack.h"
#include "tests/support/simulated_detector/simulated_detector.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

#include <memory>

using cuu::test::FakeHidBus;
using cuu::test::SimulatedComponent;
using cuu::test::SimulatedDetector;
using cuu::test::SimulatedFault;
using cuu::test::TrafficEntry;
namespace command_id = cuu::test::command_id;

namespace {

const QString TUNNEL_PREFIX = QStringLiteral("TNLV3::1::OUT::0::");

// The login requests a component received, in order.
QList<TrafficEntry> login_requests(const SimulatedComponent& component) {
    QList<TrafficEntry> requests;
    for (const TrafficEntry& entry : component.traffic()) {
        if (entry.commandId == command_id::USER_LOGIN) {
            requests.append(entry);
        }
    }
    return requests;
}

} // namespace

class TestMuppetDeviceLoginAgent : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void login_data();
    void login();
    void retryAfterRefusalSendsTheRightDigest();
    void secondLoginLooksThePasswordUpAgain();
    void silentDeviceGivesUpAfterFourAttempts();
    void abandonedHandshakeDoesNotRunOn();

private:
    std::unique_ptr<SimulatedDetector> detector_;
};

void TestMuppetDeviceLoginAgent::initTestCase() {
    cuu::test::registerLinkStack();
}

void TestMuppetDeviceLoginAgent::init() {
    detector_ = std::make_unique<SimulatedDetector>();
    detector_->setPasswordSource(&cuu::test::generated_operator_password);
}

void TestMuppetDeviceLoginAgent::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestMuppetDeviceLoginAgent::cleanupTestCase() {
    cuu::test::unregisterLinkStack();
}

void TestMuppetDeviceLoginAgent::login_data() {
    QTest::addColumn<QString>("target"); // "pod", "bootloader" or "gateway"
    QTest::addColumn<int>("loggedInUsers");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QStringList>("requests");

    const QStringList handshake{"GET 82", "GET 81", "SET 80"};
    const QStringList fourHandshakes = handshake + handshake + handshake + handshake;
    QTest::newRow("pod") << "pod" << 0 << "" << true << handshake;
    QTest::newRow("pod already logged in") << "pod" << 0x02 << "" << true << QStringList{"GET 82"};
    QTest::newRow("another user logged in") << "pod" << 0x04 << "" << true << handshake;
    QTest::newRow("pod in its bootloader") << "bootloader" << 0 << "" << true << handshake;
    QTest::newRow("refused three times, the fourth attempt passes")
        << "pod" << 0 << "refuse 3" << true << fourHandshakes;
    QTest::newRow("refused four times") << "pod" << 0 << "refuse 4" << false << fourHandshakes;
    QTest::newRow("hash algorithm 2")
        << "pod" << 0 << "hash" << false << QStringList{"GET 82", "GET 82", "GET 82", "GET 82"};
    QTest::newRow("session refused") << "pod" << 0 << "session err" << false
                                     << QStringList{"GET 82", "GET 81", "GET 82", "GET 81",
                                                    "GET 82", "GET 81", "GET 82", "GET 81"};
    // No model is asked, so the gateway has no password: only an operator already there gets in.
    QTest::newRow("gateway already logged in") << "gateway" << 0x02 << "" << true << QStringList{"GET 82"};
    QTest::newRow("gateway without a password") << "gateway" << 0 << "" << false << fourHandshakes;
}

void TestMuppetDeviceLoginAgent::login() {
    QFETCH(QString, target);
    QFETCH(int, loggedInUsers);
    QFETCH(QString, fault);
    QFETCH(bool, loggedIn);
    QFETCH(QStringList, requests);

    if (target == QLatin1String("bootloader")) {
        detector_->setPodMode(SimulatedDetector::PodMode::Bootloader);
    }
    detector_->plug();
    const bool gateway = target == QLatin1String("gateway");
    SimulatedComponent& device = gateway ? detector_->tamarind() : detector_->pod();
    device.setLoggedInUsers(std::uint8_t(loggedInUsers));
    if (fault.startsWith(QLatin1String("refuse "))) {
        device.refuseLogins(fault.mid(7).toInt());
    } else if (fault == QLatin1String("hash")) {
        device.setHashAlgorithm(2);
    } else if (fault == QLatin1String("session err")) {
        device.addFault(command_id::USER_LOGIN_SESSION, SimulatedFault::error(8),
                        SimulatedComponent::kAlways);
    }
    if (!loggedIn) {
        QTest::ignoreMessage(QtWarningMsg, "Login retry exceeded, giving up");
    }
    const auto connection = fwup::MuppetConnection::establishConnection(
        gateway ? TUNNEL_PREFIX + detector_->location() : detector_->location());
    QVERIFY(connection);
    fwup::MuppetDeviceLoginAgent agent;

    QCOMPARE(agent.login(*connection, device.productType()), loggedIn);
    QCOMPARE(agent.hasCompletedSuccessfully(), loggedIn);
    QCOMPARE(agent.state(),
             loggedIn ? fwup::MuppetDeviceLoginAgent::COMPLETE : fwup::MuppetDeviceLoginAgent::ERROR);
    QVERIFY(!agent.isRunning());
    QCOMPARE(device.isOperatorLoggedIn(), loggedIn);
    QCOMPARE(device.requestLog(), requests);
}

// A refused login must not cost the password: the next attempt answers a fresh session with the
// digest of the real one.
void TestMuppetDeviceLoginAgent::retryAfterRefusalSendsTheRightDigest() {
    detector_->plug();
    SimulatedComponent& pod = detector_->pod();
    pod.refuseLogins(1);
    const auto connection = fwup::MuppetConnection::establishConnection(detector_->location());
    QVERIFY(connection);
    fwup::MuppetDeviceLoginAgent agent;

    QTest::ignoreMessage(QtDebugMsg, "Login failed");
    QVERIFY(agent.login(*connection, 144));
    QVERIFY(pod.isOperatorLoggedIn());

    const QList<TrafficEntry> logins = login_requests(pod);
    QCOMPARE(logins.size(), 2);
    QCOMPARE(logins[0].answer, TrafficEntry::Answer::Err);
    QCOMPARE(logins[1].answer, TrafficEntry::Answer::Inf);
    // {session id, user, digest length, digest}
    const QByteArray retry = logins[1].payload;
    QCOMPARE(retry.size(), 3 + 32);
    QCOMPARE(std::uint8_t(retry[0]), pod.sessionId());
    QVERIFY(retry[0] != logins[0].payload[0]); // a new session after the refusal
    QCOMPARE(std::uint8_t(retry[1]), std::uint8_t(1));
    const std::vector<std::uint8_t> password = pod.expectedPassword();
    QCOMPARE(password.size(), std::size_t(16));
    QByteArray message = pod.session();
    message.append(reinterpret_cast<const char*>(password.data()), qsizetype(password.size()));
    const cvsw::security::Sha256Digest expected =
        cvsw::security::sha256(message.constData(), std::size_t(message.size()));
    QCOMPARE(retry.mid(3), QByteArray(reinterpret_cast<const char*>(expected.data()), 32));
}

// The password is dropped when a login returns; the next login must fetch it again.
void TestMuppetDeviceLoginAgent::secondLoginLooksThePasswordUpAgain() {
    detector_->plug();
    SimulatedComponent& pod = detector_->pod();
    const auto connection = fwup::MuppetConnection::establishConnection(detector_->location());
    QVERIFY(connection);
    fwup::MuppetDeviceLoginAgent agent;

    QVERIFY(agent.login(*connection, 144));
    pod.setLoggedInUsers(0);
    pod.clearTraffic();
    QVERIFY(agent.login(*connection, 144));
    QVERIFY(pod.isOperatorLoggedIn());
    QCOMPARE(pod.requestLog(), (QStringList{"GET 82", "GET 81", "SET 80"}));
}

void TestMuppetDeviceLoginAgent::silentDeviceGivesUpAfterFourAttempts() {
    detector_->plug();
    SimulatedComponent& pod = detector_->pod();
    pod.addFault(command_id::USER_LOGIN_STATUS, SimulatedFault::silence(), SimulatedComponent::kAlways);
    const auto connection = fwup::MuppetConnection::establishConnection(detector_->location());
    QVERIFY(connection);
    fwup::MuppetDeviceLoginAgent agent;
    QCOMPARE(agent.attemptWindowMs(), qint64(500));
    QCOMPARE(agent.stepTimeoutMs(), qint64(1000));
    constexpr qint64 WINDOW_MS = 60;
    agent.setAttemptWindowMs(WINDOW_MS);

    QTest::ignoreMessage(QtWarningMsg, "Login retry exceeded, giving up");
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!agent.login(*connection, 144));
    QVERIFY(clock.elapsed() >= 4 * WINDOW_MS);
    // Each attempt asks once: its window closes before the handshake would ask again.
    QCOMPARE(pod.requestLog(), (QStringList{"GET 82", "GET 82", "GET 82", "GET 82"}));
}

// The last attempt's handshake is still waiting when the login gives up; it must neither tick on
// (to its own time-outs and warnings) nor leave requests queued for the next login.
void TestMuppetDeviceLoginAgent::abandonedHandshakeDoesNotRunOn() {
    detector_->plug();
    SimulatedComponent& pod = detector_->pod();
    pod.addFault(command_id::USER_LOGIN_STATUS, SimulatedFault::silence(), SimulatedComponent::kAlways);
    const auto connection = fwup::MuppetConnection::establishConnection(detector_->location());
    QVERIFY(connection);
    fwup::MuppetDeviceLoginAgent agent;
    agent.setAttemptWindowMs(60);
    agent.setStepTimeoutMs(20);

    QTest::ignoreMessage(QtWarningMsg, "Login retry exceeded, giving up");
    QVERIFY(!agent.login(*connection, 144));

    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    QTest::qWait(400); // ten of the handshake's step time-outs and more
    pod.clearFaults();
    pod.clearTraffic();
    // The answered login gets the usual waits: short ones would let a busy machine resend.
    agent.setAttemptWindowMs(500);
    agent.setStepTimeoutMs(1000);
    QVERIFY(agent.login(*connection, 144));
    QCOMPARE(pod.requestLog(), (QStringList{"GET 82", "GET 81", "SET 80"}));
}

QTEST_GUILESS_MAIN(TestMuppetDeviceLoginAgent)
#include "tst_muppet_device_login_agent.moc"
