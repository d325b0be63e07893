// The getters and the logins against a whole simulated detector, through the program's own
// connection stack: HID factory, Mcobs1 framing, the pod's tunnel to its Tamarind gateway.
#include "fwup/identification/hardware_revision_getter.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/identification/product_model_getter.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/identification/serial_number_getter.h"
#include "fwup/identification/software_version_getter.h"
#include "fwup/identification/upgradeable_component_validity_getter.h"
#include "fwup/identification/user_verification_code_getter.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/operator_passwords/generated_operator_password.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/link_stack.h"
#include "tests/support/simulated_detector/simulated_detector.h"

#include <QTest>

#include <memory>
#include <optional>

using cuu::test::FakeHidBus;
using cuu::test::Link;
using cuu::test::SimulatedComponent;
using cuu::test::SimulatedDetector;
using cuu::test::SimulatedFault;
namespace command_id = cuu::test::command_id;

namespace {

const QString TUNNEL_PREFIX = QStringLiteral("TNLV3::1::OUT::0::");

// Three sends, with waits short for a test yet long enough that a busy machine's late answer does not
// bring a resend: every read here is answered.
constexpr std::uint32_t ATTEMPTS = 3;
constexpr std::uint64_t WAIT_MS = 150;
constexpr qint64 LOGIN_STEP_MS = 150;
constexpr qint64 UNANSWERED_LOGIN_STEP_MS = 60; // for a device that answers no login step

// The outcome of one read or login.
template <typename T>
struct Result {
    std::optional<T> value;
    int failures = 0;
    int count() const { return (value ? 1 : 0) + failures; }
    std::function<void(const T&)> onValue() {
        return [this](const T& v) {
            value = v;
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++failures;
        };
    }
};

struct Login {
    int successes = 0;
    int failures = 0;
    int count() const { return successes + failures; }
    std::function<void()> onSuccess() {
        return [this] {
            ++successes;
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++failures;
        };
    }
};

void shortenSteps(fwup::OperatorUserLoginAgent& agent, qint64 stepMs = LOGIN_STEP_MS) {
    agent.setStepAttempts(3);
    agent.setStepTimeoutMs(stepMs);
}

} // namespace

class TestDeviceReadsOnSimulator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void readsPodFacts();
    void readsGatewayThroughTunnel();
    void userVerificationCodeLimit_data();
    void userVerificationCodeLimit();
    void productModel_data();
    void productModel();
    void validityAfterLogin_data();
    void validityAfterLogin();
    void validityNeedsLogin();
    void loginWhenAlreadyLoggedInSendsNoPassword();
    void loginOfEachProduct_data();
    void loginOfEachProduct();
    void refusedLoginFailsOnce_data();
    void refusedLoginFailsOnce();
    void gatewayNeedsModelOneToFour_data();
    void gatewayNeedsModelOneToFour();
    void logout_data();
    void logout();

private:
    std::unique_ptr<SimulatedDetector> detector_;
};

void TestDeviceReadsOnSimulator::initTestCase() {
    cuu::test::registerLinkStack();
}

void TestDeviceReadsOnSimulator::init() {
    detector_ = std::make_unique<SimulatedDetector>();
    detector_->setPasswordSource(&cuu::test::generated_operator_password);
    detector_->plug();
}

void TestDeviceReadsOnSimulator::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestDeviceReadsOnSimulator::cleanupTestCase() {
    cuu::test::unregisterLinkStack();
}

void TestDeviceReadsOnSimulator::readsPodFacts() {
    SimulatedComponent& pod = detector_->pod();
    pod.setSoftwareVersion({3, 49, 0});
    pod.setHardwareRevision(7);
    pod.setSerialNumber(QByteArray::fromHex("A0B1C2D3E4F5061728394A5B6C7D8E9F"));

    Link link(detector_->location());
    QVERIFY(link.connection);
    fwup::ProductTypeGetter typeGetter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    fwup::SoftwareVersionGetter versionGetter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    fwup::HardwareRevisionGetter revisionGetter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    fwup::SerialNumberGetter serialGetter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    Result<cvsw::muppet::ProductTypeId> type;
    Result<fwup::Version> version;
    Result<unsigned char> revision;
    Result<QString> serial;

    // Chained, as the inquirers read them.
    typeGetter.start(type.onValue(), type.onFailure());
    QTRY_COMPARE(type.count(), 1);
    versionGetter.start(version.onValue(), version.onFailure());
    QTRY_COMPARE(version.count(), 1);
    revisionGetter.start(revision.onValue(), revision.onFailure());
    QTRY_COMPARE(revision.count(), 1);
    serialGetter.start(serial.onValue(), serial.onFailure());
    QTRY_COMPARE(serial.count(), 1);

    QCOMPARE(type.value, std::optional<cvsw::muppet::ProductTypeId>(144));
    QCOMPARE(version.value->toString(), QStringLiteral("3.49.0"));
    QCOMPARE(int(*revision.value), 7);
    QCOMPARE(*serial.value, QStringLiteral("a0b1c2d3e4f5061728394a5b6c7d8e9f"));
    QCOMPARE(*serial.value, pod.serialNumberText());
    QCOMPARE(pod.requestLog(), (QStringList{"GET 20", "GET 3", "GET 35", "GET 17"}));
}

void TestDeviceReadsOnSimulator::readsGatewayThroughTunnel() {
    detector_->tamarind().setSoftwareVersion({1, 4, 2});
    Link link(TUNNEL_PREFIX + detector_->location());
    QVERIFY(link.connection);
    fwup::ProductTypeGetter typeGetter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    fwup::SoftwareVersionGetter versionGetter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    Result<cvsw::muppet::ProductTypeId> type;
    Result<fwup::Version> version;

    typeGetter.start(type.onValue(), type.onFailure());
    QTRY_COMPARE(type.count(), 1);
    versionGetter.start(version.onValue(), version.onFailure());
    QTRY_COMPARE(version.count(), 1);
    QCOMPARE(type.value, std::optional<cvsw::muppet::ProductTypeId>(161));
    QCOMPARE(version.value->toString(), QStringLiteral("1.4.2"));
    QCOMPARE(detector_->tamarind().requestLog(), (QStringList{"GET 20", "GET 3"}));
}

void TestDeviceReadsOnSimulator::userVerificationCodeLimit_data() {
    QTest::addColumn<uint>("code");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("0") << 0u << true;
    QTest::newRow("99999") << 99999u << true;
    QTest::newRow("100000") << 100000u << false;
}

void TestDeviceReadsOnSimulator::userVerificationCodeLimit() {
    QFETCH(uint, code);
    QFETCH(bool, accepted);

    detector_->pod().setUserVerificationCode(code);
    Link link(detector_->location());
    fwup::UserVerificationCodeGetter getter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    Result<fwup::UserVerificationCode> read;

    getter.start(read.onValue(), read.onFailure());
    QTRY_COMPARE(read.count(), 1);
    QCOMPARE(read.value.has_value(), accepted);
    if (accepted) {
        QCOMPARE(read.value->value(), code);
    }
    QCOMPARE(detector_->pod().requestCount(command_id::USER_VERIFICATION_CODE), 1);
}

void TestDeviceReadsOnSimulator::productModel_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<int>("zeroPolls");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("found");
    QTest::newRow("model at once") << 2 << 0 << 1 << true;
    QTest::newRow("model 0 polled until a value") << 1 << 3 << 4 << true;
    QTest::newRow("model 0 until the polls run out") << 1 << SimulatedComponent::kAlways << 5 << false;
    QTest::newRow("255 refused") << 255 << 0 << 1 << false;
}

void TestDeviceReadsOnSimulator::productModel() {
    QFETCH(int, model);
    QFETCH(int, zeroPolls);
    QFETCH(int, questions);
    QFETCH(bool, found);

    detector_->pod().setModel(std::uint8_t(model));
    detector_->pod().setModelZeroPolls(zeroPolls);
    Link link(detector_->location());
    fwup::ProductModelGetter getter(link.centre, 5, 10, ATTEMPTS, WAIT_MS, WAIT_MS);
    Result<unsigned char> read;

    getter.start(read.onValue(), read.onFailure());
    QTRY_COMPARE(read.count(), 1);
    QCOMPARE(read.value.has_value(), found);
    if (found) {
        QCOMPARE(int(*read.value), model);
    }
    QCOMPARE(detector_->pod().requestCount(command_id::PRODUCT_MODEL), questions);
}

void TestDeviceReadsOnSimulator::validityAfterLogin_data() {
    QTest::addColumn<int>("incompletePolls");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<int>("questions");
    QTest::newRow("complete at once") << 0 << true << 1;
    QTest::newRow("incomplete polled, then complete") << 2 << true << 3;
    QTest::newRow("incomplete polled, then given up") << SimulatedComponent::kAlways << false << 4;
}

void TestDeviceReadsOnSimulator::validityAfterLogin() {
    QFETCH(int, incompletePolls);
    QFETCH(bool, complete);
    QFETCH(int, questions);

    detector_->pod().setValidity(true, 0x0B, 0x0F);
    detector_->pod().setValidityIncompletePolls(incompletePolls);
    Link link(detector_->location());
    fwup::OperatorUserLoginAgent agent(*link.centre);
    fwup::UpgradeableComponentValidityGetter getter(link.centre, 4, 10, ATTEMPTS, WAIT_MS, WAIT_MS);
    Login login;
    std::optional<std::tuple<bool, unsigned, unsigned>> result;

    agent.start(144, 1, login.onSuccess(), login.onFailure());
    QTRY_COMPARE(login.count(), 1);
    QCOMPARE(login.successes, 1);
    QVERIFY(detector_->pod().isOperatorLoggedIn());

    getter.start(
        [&](bool done, unsigned flags, unsigned mask) { result = std::make_tuple(done, flags, mask); },
        [] { QFAIL("validity read failed"); });
    QTRY_VERIFY(result.has_value());
    QCOMPARE(std::get<0>(*result), complete);
    QCOMPARE(std::get<1>(*result), 0x0Bu);
    QCOMPARE(std::get<2>(*result), 0x0Fu);
    QCOMPARE(detector_->pod().requestCount(command_id::UPGRADEABLE_COMPONENT_VALIDITY), questions);
}

void TestDeviceReadsOnSimulator::validityNeedsLogin() {
    Link link(detector_->location());
    fwup::UpgradeableComponentValidityGetter getter(link.centre, 4, 10, ATTEMPTS, WAIT_MS, WAIT_MS);
    int failures = 0;
    QTest::ignoreMessage(QtDebugMsg, "\"Received error UNAUTHORISED to Upgradeable Component Validity\"");
    getter.start([](bool, unsigned, unsigned) { QFAIL("the device refuses before a login"); },
                 [&] { ++failures; });
    QTRY_COMPARE(failures, 1);
    QCOMPARE(detector_->pod().requestCount(command_id::UPGRADEABLE_COMPONENT_VALIDITY), 1);
}

void TestDeviceReadsOnSimulator::loginWhenAlreadyLoggedInSendsNoPassword() {
    detector_->pod().setLoggedInUsers(0x02);
    Link link(detector_->location());
    fwup::OperatorUserLoginAgent agent(*link.centre);
    Login login;

    agent.start(144, 2, login.onSuccess(), login.onFailure());
    QTRY_COMPARE(login.count(), 1);
    QTest::qWait(50);
    QCOMPARE(login.successes, 1);
    QCOMPARE(detector_->pod().requestLog(), QStringList{"GET 82"});
}

void TestDeviceReadsOnSimulator::loginOfEachProduct_data() {
    QTest::addColumn<bool>("bootloader");
    QTest::addColumn<bool>("gateway");
    QTest::addColumn<int>("model");
    QTest::newRow("pod model 1") << false << false << 1;
    QTest::newRow("pod model 2") << false << false << 2;
    QTest::newRow("pod in its bootloader") << true << false << 0;
    QTest::newRow("gateway model 1") << false << true << 1;
    QTest::newRow("gateway model 4") << false << true << 4;
}

void TestDeviceReadsOnSimulator::loginOfEachProduct() {
    QFETCH(bool, bootloader);
    QFETCH(bool, gateway);
    QFETCH(int, model);

    if (bootloader) {
        detector_->unplug();
        detector_->setPodMode(SimulatedDetector::PodMode::Bootloader);
        detector_->plug();
    }
    SimulatedComponent& device = gateway ? detector_->tamarind() : detector_->pod();
    device.setModel(std::uint8_t(model == 0 ? 1 : model));
    Link link(gateway ? TUNNEL_PREFIX + detector_->location() : detector_->location());
    fwup::ProductTypeGetter typeGetter(link.centre, ATTEMPTS, WAIT_MS, WAIT_MS);
    fwup::ProductModelGetter modelGetter(link.centre, 5, 10, ATTEMPTS, WAIT_MS, WAIT_MS);
    fwup::OperatorUserLoginAgent agent(*link.centre);
    Result<cvsw::muppet::ProductTypeId> type;
    Result<unsigned char> readModel;
    Login login;

    // As identification does: the type, the model where the device can tell it, then the login.
    typeGetter.start(type.onValue(), type.onFailure());
    QTRY_COMPARE(type.count(), 1);
    if (bootloader) {
        QCOMPARE(*type.value, cvsw::muppet::ProductTypeId(145));
        agent.start(*type.value, login.onSuccess(), login.onFailure());
    } else {
        modelGetter.start(readModel.onValue(), readModel.onFailure());
        QTRY_COMPARE(readModel.count(), 1);
        agent.start(*type.value, *readModel.value, login.onSuccess(), login.onFailure());
    }
    QTRY_COMPARE(login.count(), 1);
    QCOMPARE(login.successes, 1);
    QVERIFY(device.isOperatorLoggedIn());
    QCOMPARE(device.requestCount(command_id::USER_LOGIN), 1);
}

void TestDeviceReadsOnSimulator::refusedLoginFailsOnce_data() {
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("loginRequests");
    QTest::newRow("password refused") << "refused" << 1;
    QTest::newRow("wrong session id echoed") << "echo" << 3;
    QTest::newRow("hash algorithm 2") << "hash" << 0;
    QTest::newRow("status ERR") << "status err" << 0;
    QTest::newRow("session ERR") << "session err" << 0;
    QTest::newRow("login ERR") << "login err" << 1;
    QTest::newRow("device silent") << "silent" << 0;
}

void TestDeviceReadsOnSimulator::refusedLoginFailsOnce() {
    QFETCH(QString, refusal);
    QFETCH(int, loginRequests);

    SimulatedComponent& pod = detector_->pod();
    if (refusal == QLatin1String("refused")) {
        pod.refuseLogins(SimulatedComponent::kAlways);
    } else if (refusal == QLatin1String("echo")) {
        pod.echoWrongSessionId(SimulatedComponent::kAlways);
    } else if (refusal == QLatin1String("hash")) {
        pod.setHashAlgorithm(2);
    } else if (refusal == QLatin1String("status err")) {
        pod.addFault(command_id::USER_LOGIN_STATUS, SimulatedFault::error(8), SimulatedComponent::kAlways);
    } else if (refusal == QLatin1String("session err")) {
        pod.addFault(command_id::USER_LOGIN_SESSION, SimulatedFault::error(8), SimulatedComponent::kAlways);
    } else if (refusal == QLatin1String("login err")) {
        pod.addFault(command_id::USER_LOGIN, SimulatedFault::error(2), SimulatedComponent::kAlways);
    } else {
        pod.addFault(command_id::USER_LOGIN_STATUS, SimulatedFault::silence(), SimulatedComponent::kAlways);
    }
    const bool answersNoStep = refusal == QLatin1String("silent") || refusal == QLatin1String("status err");
    const qint64 stepMs = answersNoStep ? UNANSWERED_LOGIN_STEP_MS : LOGIN_STEP_MS;
    Link link(detector_->location());
    fwup::OperatorUserLoginAgent agent(*link.centre);
    shortenSteps(agent, stepMs);
    Login login;

    agent.start(144, 1, login.onSuccess(), login.onFailure());
    QTRY_COMPARE_WITH_TIMEOUT(login.count(), 1, 3000);
    QTest::qWait(int(stepMs) + 50); // past any step time-out still pending
    QCOMPARE(login.failures, 1);
    QCOMPARE(login.successes, 0);
    QCOMPARE(pod.requestCount(command_id::USER_LOGIN), loginRequests);
}

void TestDeviceReadsOnSimulator::gatewayNeedsModelOneToFour_data() {
    QTest::addColumn<int>("deviceModel");
    QTest::addColumn<int>("givenModel"); // -1: none
    QTest::addColumn<bool>("success");
    QTest::addColumn<int>("loginRequests");
    QTest::newRow("model 3") << 3 << 3 << true << 1;
    QTest::newRow("another model's password") << 3 << 2 << false << 1;
    QTest::newRow("model 0: no password") << 1 << 0 << false << 0;
    QTest::newRow("model 5: no password") << 1 << 5 << false << 0;
    QTest::newRow("no model: no password") << 1 << -1 << false << 0;
}

void TestDeviceReadsOnSimulator::gatewayNeedsModelOneToFour() {
    QFETCH(int, deviceModel);
    QFETCH(int, givenModel);
    QFETCH(bool, success);
    QFETCH(int, loginRequests);

    SimulatedComponent& gateway = detector_->tamarind();
    gateway.setModel(std::uint8_t(deviceModel));
    Link link(TUNNEL_PREFIX + detector_->location());
    fwup::OperatorUserLoginAgent agent(*link.centre);
    shortenSteps(agent);
    Login login;

    if (givenModel < 0) {
        agent.start(161, login.onSuccess(), login.onFailure());
    } else {
        agent.start(161, std::uint8_t(givenModel), login.onSuccess(), login.onFailure());
    }
    QTRY_COMPARE_WITH_TIMEOUT(login.count(), 1, 3000);
    QTest::qWait(int(LOGIN_STEP_MS) + 50); // past any step time-out still pending
    QCOMPARE(login.count(), 1);
    QCOMPARE(login.successes == 1, success);
    QCOMPARE(gateway.requestCount(command_id::USER_LOGIN), loginRequests);
    if (loginRequests == 0) {
        QVERIFY(gateway.requestLog().isEmpty()); // no password: not a word to the device
    }
}

void TestDeviceReadsOnSimulator::logout_data() {
    QTest::addColumn<bool>("refused");
    QTest::newRow("confirmed") << false;
    QTest::newRow("refused") << true;
}

void TestDeviceReadsOnSimulator::logout() {
    QFETCH(bool, refused);

    SimulatedComponent& pod = detector_->pod();
    pod.setLoggedInUsers(0x02);
    if (refused) {
        pod.addFault(command_id::USER_LOGOUT, SimulatedFault::error(8));
    }
    Link link(detector_->location());
    fwup::OperatorUserLoginAgent agent(*link.centre);
    Login logout;

    agent.startLogout(logout.onSuccess(), logout.onFailure());
    QTRY_COMPARE(logout.count(), 1);
    QCOMPARE(logout.successes, refused ? 0 : 1);
    QCOMPARE(pod.isOperatorLoggedIn(), refused);
    QCOMPARE(pod.requestLog(), QStringList{"SET 83"});
}

QTEST_GUILESS_MAIN(TestDeviceReadsOnSimulator)
#include "tst_device_reads_on_simulator.moc"
