#include "login_test_device.h"

#include "fwup/identification/user_login_agent.h"
#include "muppet/control_centre.h"

#include <QTest>

#include <memory>

using namespace login_test;
using cvsw::muppet::ControlCentre;
using fwup::UserLoginAgent;

namespace {

const std::vector<unsigned char> somePassword{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6, 0x07, 0x18,
                                              0x29, 0x3A, 0x4B, 0x5C, 0x6D, 0x7E, 0x8F, 0x90};

class CountingSink final : public ControlCentre::ErrorSink {
public:
    void handlerReplaced(cvsw::muppet::control::Group, std::uint16_t) override {}
    void invalidGroup(cvsw::muppet::control::Group) override {}
    void unhandled(cvsw::muppet::control::Group, std::uint16_t id) override { unhandledIds.push_back(id); }
    void tooShort(const std::uint8_t*, std::size_t) override {}
    std::vector<std::uint16_t> unhandledIds;
};

// One agent on a scripted device, serviced from the event loop.
struct Rig {
    explicit Rig(int attempts = 10, qint64 stepTimeoutMs = ANSWERED_STEP_TIMEOUT_MS)
        : device(centre) {
        agent.setStepAttempts(std::uint32_t(attempts));
        agent.setStepTimeoutMs(stepTimeoutMs);
        agent.setPassword(somePassword);
        agent.setCompletion([this](bool success) { outcomes.push_back(success); });
        device.setResponder([this](const Message& request) { return answer(script, request); });
        device.startServicing();
    }

    std::vector<std::uint16_t> requestIds() const {
        std::vector<std::uint16_t> ids;
        for (const Message& request : device.requests()) {
            ids.push_back(idOf(request));
        }
        return ids;
    }

    int requestsOf(std::uint16_t id) const {
        int count = 0;
        for (const Message& request : device.requests()) {
            count += idOf(request) == id ? 1 : 0;
        }
        return count;
    }

    std::shared_ptr<ControlCentre> centre = std::make_shared<ControlCentre>();
    LoginScript script;
    ControlCentreDevice device;
    UserLoginAgent agent{*centre};
    std::vector<bool> outcomes;
};

enum Variant {
    FRESH,
    ALREADY_LOGGED_IN,
    OTHER_USERS_LOGGED_IN,
    STATUS_HASH_2,
    SESSION_HASH_CHANGED,
    SESSION_ERR,
    LOGIN_ERR,
};

} // namespace

Q_DECLARE_METATYPE(std::vector<std::uint16_t>)

class TestUserLoginAgent : public QObject {
    Q_OBJECT

private slots:
    void login_data();
    void login();
    void loginDigest_data();
    void loginDigest();
    void wrongSessionEchoIsIgnored();
    void stepGivesUpAfterAttempts_data();
    void stepGivesUpAfterAttempts();
    void answeredStepResetsCount();
    void otherRepliesChangeNothing();
    void logout_data();
    void logout();
    void destroyedAgentLeavesNoHandlers();
    void agentCanBeStartedAgain();
    void names();
};

void TestUserLoginAgent::login_data() {
    QTest::addColumn<int>("variant");
    QTest::addColumn<bool>("success");
    QTest::addColumn<std::vector<std::uint16_t>>("requests");
    QTest::addColumn<QString>("logLine");

    const std::vector<std::uint16_t> full{82, 81, 80};
    QTest::newRow("fresh login") << int(FRESH) << true << full << "Got Login for user: 1";
    QTest::newRow("operator already logged in sends no password")
        << int(ALREADY_LOGGED_IN) << true << std::vector<std::uint16_t>{82}
        << "Already logged in as user OPERATOR.";
    QTest::newRow("other users logged in")
        << int(OTHER_USERS_LOGGED_IN) << true << full << "Got Session, Awaiting Result...";
    QTest::newRow("hash algorithm 2 refused") << int(STATUS_HASH_2) << false << std::vector<std::uint16_t>{82}
                                              << "Device does not use SHA2 256 for hash alg";
    QTest::newRow("hash algorithm changed in session")
        << int(SESSION_HASH_CHANGED) << false << std::vector<std::uint16_t>{82, 81}
        << "Device now indicating that it doesn't use SHA2 256 for login, after it said it did.";
    QTest::newRow("session refused") << int(SESSION_ERR) << false << std::vector<std::uint16_t>{82, 81}
                                     << "Received err response";
    QTest::newRow("password refused") << int(LOGIN_ERR) << false << full << "Received err login response";
}

void TestUserLoginAgent::login() {
    QFETCH(int, variant);
    QFETCH(bool, success);
    QFETCH(std::vector<std::uint16_t>, requests);
    QFETCH(QString, logLine);

    Rig rig;
    switch (Variant(variant)) {
    case FRESH:
        break;
    case ALREADY_LOGGED_IN:
        rig.script.loggedInUsers = 0x02;
        break;
    case OTHER_USERS_LOGGED_IN:
        rig.script.loggedInUsers = 0xFD;
        break;
    case STATUS_HASH_2:
        rig.script.statusHash = 2;
        break;
    case SESSION_HASH_CHANGED:
        rig.script.sessionHash = 0;
        break;
    case SESSION_ERR:
        rig.script.sessionAsErr = true;
        break;
    case LOGIN_ERR:
        rig.script.loginAsErr = true;
        break;
    }

    QTest::ignoreMessage(QtDebugMsg, qPrintable(logLine));
    rig.agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    QVERIFY(rig.agent.isRunning());
    QTRY_COMPARE(rig.outcomes.size(), std::size_t(1));
    // Exactly one completion, and nothing more is sent, not even once a step time-out has passed.
    QTest::qWait(int(ANSWERED_STEP_TIMEOUT_MS) + 50);
    QCOMPARE(rig.outcomes, std::vector<bool>{success});
    QCOMPARE(rig.requestIds(), requests);
    QCOMPARE(rig.agent.isCompleted(), success);
    QCOMPARE(rig.agent.isError(), !success);
    QVERIFY(!rig.agent.isRunning());
    QCOMPARE(rig.device.requests().front(), statusRequest);
    if (requests.size() > 1) {
        QCOMPARE(rig.device.requests()[1], sessionRequest);
    }
}

void TestUserLoginAgent::loginDigest_data() {
    QTest::addColumn<QByteArray>("session");
    QTest::addColumn<bool>("withPassword");
    QTest::newRow("session and password") << QByteArray::fromHex("0102030405060708090a0b0c0d0e0f10") << true;
    QTest::newRow("empty session: password alone") << QByteArray() << true;
    QTest::newRow("empty password: session alone") << QByteArray::fromHex("cafe") << false;
    QTest::newRow("longest session") << QByteArray(255, '\x5c') << true;
}

void TestUserLoginAgent::loginDigest() {
    QFETCH(QByteArray, session);
    QFETCH(bool, withPassword);

    Rig rig;
    rig.script.session.assign(session.begin(), session.end());
    rig.script.sessionId = 0xC3;
    const std::vector<unsigned char> password = withPassword ? somePassword : std::vector<unsigned char>{};
    rig.agent.setPassword(password);

    rig.agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    QTRY_COMPARE(rig.outcomes, std::vector<bool>{true});
    QCOMPARE(rig.device.requests().size(), std::size_t(3));
    QCOMPARE(rig.device.requests()[2], expectedLogin(0xC3, rig.script.session, password));
}

void TestUserLoginAgent::wrongSessionEchoIsIgnored() {
    Rig rig(3);
    rig.script.echoedSessionId = 0x11;

    QTest::ignoreMessage(QtWarningMsg, "Command retry exceeded, giving up");
    rig.agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    QTRY_COMPARE(rig.outcomes.size(), std::size_t(1));
    QCOMPARE(rig.outcomes, std::vector<bool>{false});
    // The same login, sent again after each wait.
    QCOMPARE(rig.requestIds(), (std::vector<std::uint16_t>{82, 81, 80, 80, 80}));
    const Message login = expectedLogin(rig.script.sessionId, rig.script.session, somePassword);
    for (std::size_t i = 2; i < 5; ++i) {
        QCOMPARE(rig.device.requests()[i], login);
    }
}

void TestUserLoginAgent::stepGivesUpAfterAttempts_data() {
    QTest::addColumn<int>("silentStep"); // the command id that never gets an answer
    QTest::addColumn<int>("attempts");
    QTest::addColumn<QString>("awaitState");
    QTest::addColumn<std::vector<std::uint16_t>>("requests");

    QTest::newRow("status, 10 attempts") << 82 << 10 << "AWAIT_STATUS" << std::vector<std::uint16_t>(10, 82);
    QTest::newRow("session, 2 attempts")
        << 81 << 2 << "AWAIT_SESSION" << std::vector<std::uint16_t>{82, 81, 81};
    QTest::newRow("login, 1 attempt")
        << 80 << 1 << "AWAIT_LOGIN_RESULT" << std::vector<std::uint16_t>{82, 81, 80};
    QTest::newRow("status, 0 attempts act as 1")
        << 82 << 0 << "AWAIT_STATUS" << std::vector<std::uint16_t>{82};
}

void TestUserLoginAgent::stepGivesUpAfterAttempts() {
    QFETCH(int, silentStep);
    QFETCH(int, attempts);
    QFETCH(QString, awaitState);
    QFETCH(std::vector<std::uint16_t>, requests);

    // Steps before the silent one are answered and need a real wait; a silent status may be short.
    const qint64 stepTimeoutMs = silentStep == 82 ? 10 : ANSWERED_STEP_TIMEOUT_MS;
    Rig rig(attempts, stepTimeoutMs);
    (silentStep == 82   ? rig.script.silentStatus
     : silentStep == 81 ? rig.script.silentSession
                        : rig.script.silentLogin) = -1;

    const QByteArray timedOut = "Command response timed out \"" + awaitState.toLatin1() + '"';
    for (int i = 0; i < std::max(attempts, 1); ++i) {
        QTest::ignoreMessage(QtDebugMsg, timedOut.constData());
    }
    QTest::ignoreMessage(QtWarningMsg, "Command retry exceeded, giving up");
    rig.agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    QTRY_COMPARE(rig.outcomes.size(), std::size_t(1));
    QTest::qWait(int(stepTimeoutMs) + 30);
    QCOMPARE(rig.outcomes, std::vector<bool>{false});
    QCOMPARE(rig.requestIds(), requests);
}

// The count of time-outs belongs to the step: a step answered on its last attempt leaves the next
// step all of its own.
void TestUserLoginAgent::answeredStepResetsCount() {
    Rig rig(4);
    rig.script.silentStatus = 3;
    rig.script.silentSession = -1;

    QTest::ignoreMessage(QtWarningMsg, "Command retry exceeded, giving up");
    rig.agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    QTRY_COMPARE(rig.outcomes.size(), std::size_t(1));
    QCOMPARE(rig.outcomes, std::vector<bool>{false});
    QCOMPARE(rig.requestsOf(82), 4);
    QCOMPARE(rig.requestsOf(81), 4);
}

void TestUserLoginAgent::otherRepliesChangeNothing() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    UserLoginAgent agent(*centre);
    std::vector<bool> outcomes;
    agent.setCompletion([&](bool success) { outcomes.push_back(success); });
    agent.setPassword(somePassword);

    agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    QTRY_COMPARE(agent.currentState(), UserLoginAgent::AWAIT_STATUS);
    QCOMPARE(device.service(), 1);

    // Replies to commands not awaited, and a GET of the awaited one.
    Session session(Mode::INF);
    session.hashAlgorithm = 1;
    session.sessionId = 3;
    device.deliverCommand(session);
    Login login(Mode::INF);
    device.deliverCommand(login);
    device.deliverCommand(Logout(Mode::INF));
    device.deliver(errorOf(Session::ID));
    QTest::ignoreMessage(QtDebugMsg, "Received non-inf user login status");
    device.deliverCommand(Status(Mode::GET));
    QTest::qWait(30);
    QCOMPARE(agent.currentState(), UserLoginAgent::AWAIT_STATUS);
    QVERIFY(outcomes.empty());

    Status status(Mode::INF);
    status.hashAlgorithm = 1;
    device.deliverCommand(status);
    QTRY_COMPARE(agent.currentState(), UserLoginAgent::AWAIT_SESSION);
    QCOMPARE(device.service(), 1);
    QCOMPARE(device.requests().back(), sessionRequest);
}

void TestUserLoginAgent::logout_data() {
    QTest::addColumn<int>("userId");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("operator") << 1 << false << 0x02 << "Got Logout for user: OPERATOR";
    QTest::newRow("operator refused") << 1 << true << 0x02 << "Received err login response";
    QTest::newRow("field tester") << 3 << false << 0x08 << "Got Logout for user: FIELD_TESTER";
    QTest::newRow("product specific b") << 7 << false << 0x80 << "Got Logout for user: PRODUCT_SPECIFIC_B";
    QTest::newRow("user 9 masks to nothing") << 9 << false << 0x00 << "Got Logout for user: ?INVALID_USER?";
    QTest::newRow("user 33 wraps to user 1") << 33 << false << 0x02 << "Got Logout for user: ?INVALID_USER?";
}

void TestUserLoginAgent::logout() {
    QFETCH(int, userId);
    QFETCH(bool, refused);
    QFETCH(int, mask);
    QFETCH(QString, logLine);

    Rig rig;
    rig.script.logoutAsErr = refused;
    rig.agent.setUserId(std::uint8_t(userId));

    QTest::ignoreMessage(QtDebugMsg, qPrintable(logLine));
    rig.agent.start(UserLoginAgent::ISSUE_SET_USER_LOGOUT);
    QTRY_COMPARE(rig.outcomes.size(), std::size_t(1));
    QCOMPARE(rig.outcomes, std::vector<bool>{!refused});
    QCOMPARE(rig.device.requests(), (std::vector<Message>{{0x42, 0x00, 0x53, std::uint8_t(mask)}}));
}

// The agent's reply handlers must not outlive it: the control centre belongs to someone else and
// may dispatch a late reply after the agent is gone.
void TestUserLoginAgent::destroyedAgentLeavesNoHandlers() {
    auto centre = std::make_shared<ControlCentre>();
    CountingSink sink;
    centre->setErrorSink(&sink);
    ControlCentreDevice device(centre);
    const std::vector<Message> replies{
        ControlCentreDevice::encode(Status(Mode::INF)), ControlCentreDevice::encode(Session(Mode::INF)),
        ControlCentreDevice::encode(Login(Mode::INF)), ControlCentreDevice::encode(Logout(Mode::INF))};
    {
        UserLoginAgent agent(*centre);
        agent.setCompletion([](bool) {});
        agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
        QTRY_COMPARE(agent.currentState(), UserLoginAgent::AWAIT_STATUS);
        QCOMPARE(device.service(), 1);
        for (const Message& reply : replies) {
            device.deliver(reply);
        }
        QVERIFY(sink.unhandledIds.empty());
    }
    for (const Message& reply : replies) {
        device.deliver(reply);
    }
    QCOMPARE(sink.unhandledIds, (std::vector<std::uint16_t>{82, 81, 80, 83}));
}

void TestUserLoginAgent::agentCanBeStartedAgain() {
    Rig rig;
    rig.agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    QTRY_COMPARE(rig.outcomes, std::vector<bool>{true});

    rig.agent.setUserId(1);
    rig.agent.start(UserLoginAgent::ISSUE_SET_USER_LOGOUT);
    QTRY_COMPARE(rig.outcomes, (std::vector<bool>{true, true}));

    rig.script.loggedInUsers = 0x02;
    rig.agent.start(UserLoginAgent::ISSUE_GET_USER_STATUS);
    QTRY_COMPARE(rig.outcomes, (std::vector<bool>{true, true, true}));
    QCOMPARE(rig.requestIds(), (std::vector<std::uint16_t>{82, 81, 80, 83, 82}));
}

void TestUserLoginAgent::names() {
    const QStringList states{"IDLE",
                             "ISSUE_GET_USER_STATUS",
                             "AWAIT_STATUS",
                             "ISSUE_GET_SESSION_ID",
                             "AWAIT_SESSION",
                             "ISSUE_SET_USER_LOGIN",
                             "AWAIT_LOGIN_RESULT",
                             "ISSUE_SET_USER_LOGOUT",
                             "AWAIT_LOGOUT_RESULT",
                             "COMPLETE",
                             "ERROR"};
    for (int state = 0; state < states.size(); ++state) {
        QCOMPARE(UserLoginAgent::stateToString(std::uint32_t(state)), states[state]);
    }
    QCOMPARE(UserLoginAgent::stateToString(11), QString());
    QCOMPARE(UserLoginAgent::stateToString(0xFFFFFFFF), QString());
    QCOMPARE(QLatin1String(UserLoginAgent::userName(0)), QLatin1String("ANONYMOUS"));
    QCOMPARE(QLatin1String(UserLoginAgent::userName(4)), QLatin1String("SOFTWARE_DEVELOPER"));
    QCOMPARE(QLatin1String(UserLoginAgent::userName(8)), QLatin1String("?INVALID_USER?"));
}

QTEST_GUILESS_MAIN(TestUserLoginAgent)
#include "tst_user_login_agent.moc"
