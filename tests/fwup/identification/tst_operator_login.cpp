#include "login_test_device.h"

#include "fwup/identification/juniper_muppet_password_generator.h"
#include "fwup/identification/lodestar_muppet_password_generator.h"
#include "fwup/identification/muppet_password_generator.h"
#include "fwup/identification/obfuscated_password.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "muppet/control_centre.h"

#include <QSet>
#include <QTest>

#include <memory>
#include <optional>
#include <stdexcept>

using namespace login_test;
using cvsw::muppet::ControlCentre;
using fwup::OperatorUserLoginAgent;
using Password = std::vector<unsigned char>;
using OptionalModel = std::optional<unsigned char>;

namespace {

// Answers with a fixed value and notes that it was asked.
class FakeGenerator final : public fwup::MuppetPasswordGenerator {
public:
    FakeGenerator(QStringList& asked, QString name, Password answer)
        : asked_(asked)
        , name_(std::move(name))
        , answer_(std::move(answer)) {}

    Password operatorPassword(cvsw::muppet::ProductTypeId, OptionalModel) const override {
        asked_ << name_;
        return answer_;
    }

private:
    QStringList& asked_;
    QString name_;
    Password answer_;
};

void registerFamilies() {
    auto& registry = fwup::muppet_password_generator_registry();
    registry.append(QSharedPointer<fwup::LodestarMuppetPasswordGenerator>::create());
    registry.append(QSharedPointer<fwup::JuniperMuppetPasswordGenerator>::create());
}

// splitmix64, written out from its published definition: word n of the stream started at key.
std::uint64_t splitmix64(std::uint64_t key, std::uint64_t n) {
    std::uint64_t z = key + (n + 1) * 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

struct Rig {
    explicit Rig(qint64 stepTimeoutMs = ANSWERED_STEP_TIMEOUT_MS)
        : device(centre) {
        agent.setStepAttempts(3);
        agent.setStepTimeoutMs(stepTimeoutMs);
        device.setResponder([this](const Message& request) { return answer(script, request); });
        device.startServicing();
    }

    std::function<void()> success() {
        return [this] {
            ++successes;
        };
    }
    std::function<void()> failure() {
        return [this] {
            ++failures;
        };
    }
    int outcomes() const { return successes + failures; }

    std::shared_ptr<ControlCentre> centre = std::make_shared<ControlCentre>();
    LoginScript script;
    ControlCentreDevice device;
    OperatorUserLoginAgent agent{*centre};
    int successes = 0;
    int failures = 0;
};

enum Refusal { PASSWORD_REFUSED, WRONG_SESSION_ECHO, HASH_ALGORITHM_2, SESSION_ERR, SILENT };

} // namespace

Q_DECLARE_METATYPE(OptionalModel)

class TestOperatorLogin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void registryAsksInOrder_data();
    void registryAsksInOrder();
    void emptyRegistryLeavesPasswordAlone();
    void familyPasswords_data();
    void familyPasswords();
    void passwordsDiffer();
    void revealPicksMaskedBytes();
    void revealRefusesIndexOutsideBlock_data();
    void revealRefusesIndexOutsideBlock();

    void loginSendsGeneratedPasswordDigest_data();
    void loginSendsGeneratedPasswordDigest();
    void alreadyLoggedInSendsNoPassword();
    void refusedLoginFailsOnce_data();
    void refusedLoginFailsOnce();
    void noPasswordFailsOnceAndSendsNothing_data();
    void noPasswordFailsOnceAndSendsNothing();
    void startWhileRunningFailsAtOnce();
    void emptyCallbacksThrow();
    void logout_data();
    void logout();
};

void TestOperatorLogin::init() {
    fwup::muppet_password_generator_registry().clear();
}

void TestOperatorLogin::cleanup() {
    fwup::muppet_password_generator_registry().clear();
}

void TestOperatorLogin::registryAsksInOrder_data() {
    QTest::addColumn<QList<QByteArray>>("answers"); // one generator per answer, in order
    QTest::addColumn<QStringList>("asked");
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<bool>("found");

    QTest::newRow("first answers") << QList<QByteArray>{"aa", "bb"} << QStringList{"0"} << QByteArray("aa")
                                   << true;
    QTest::newRow("second answers") << QList<QByteArray>{"", "bb", "cc"} << QStringList{"0", "1"}
                                    << QByteArray("bb") << true;
    QTest::newRow("none answers") << QList<QByteArray>{"", "", ""} << QStringList{"0", "1", "2"}
                                  << QByteArray() << false;
}

void TestOperatorLogin::registryAsksInOrder() {
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QStringList, asked);
    QFETCH(QByteArray, password);
    QFETCH(bool, found);

    QStringList calls;
    for (qsizetype i = 0; i < answers.size(); ++i) {
        fwup::muppet_password_generator_registry().append(QSharedPointer<FakeGenerator>::create(
            calls, QString::number(i), Password(answers[i].begin(), answers[i].end())));
    }
    Password result{0xEE}; // replaced by every answer
    QCOMPARE(fwup::get_operator_password_for_product(144, result, 1), found);
    QCOMPARE(calls, asked);
    QCOMPARE(bytesOf(result), password);
}

void TestOperatorLogin::emptyRegistryLeavesPasswordAlone() {
    Password result{1, 2, 3};
    QVERIFY(!fwup::get_operator_password_for_product(144, result));
    QCOMPARE(result, (Password{1, 2, 3}));
}

void TestOperatorLogin::familyPasswords_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<OptionalModel>("model");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QStringList>("logLines");

    const QString none = QStringLiteral("No Password available!");
    const QString noModel = QStringLiteral("No Password available for provided model!");
    QTest::newRow("pod, no model") << 144 << OptionalModel() << true << QStringList();
    QTest::newRow("pod, model 2") << 144 << OptionalModel(2) << true << QStringList();
    QTest::newRow("pod bootloader") << 145 << OptionalModel() << true << QStringList();
    QTest::newRow("gateway model 1") << 161 << OptionalModel(1) << true
                                     << QStringList{none, "using juniper model 1 password (lodestar)"};
    QTest::newRow("gateway model 2") << 161 << OptionalModel(2) << true
                                     << QStringList{none, "using juniper model 2 password (ocelot2)"};
    QTest::newRow("gateway model 3") << 161 << OptionalModel(3) << true
                                     << QStringList{none, "using juniper model 3 password (rowan)"};
    QTest::newRow("gateway model 4") << 161 << OptionalModel(4) << true
                                     << QStringList{none, "using juniper model 4 password (bramble)"};
    QTest::newRow("gateway without model") << 161 << OptionalModel() << false << QStringList{none, noModel};
    QTest::newRow("gateway model 0") << 161 << OptionalModel(0) << false << QStringList{none, noModel};
    QTest::newRow("gateway model 5") << 161 << OptionalModel(5) << false << QStringList{none, noModel};
    QTest::newRow("unknown product") << 20 << OptionalModel(1) << false << QStringList{none, none};
    QTest::newRow("pod neighbour 146") << 146 << OptionalModel() << false << QStringList{none, none};
}

void TestOperatorLogin::familyPasswords() {
    QFETCH(int, type);
    QFETCH(OptionalModel, model);
    QFETCH(bool, found);
    QFETCH(QStringList, logLines);

    registerFamilies();
    for (const QString& line : logLines) {
        QTest::ignoreMessage(QtDebugMsg, qPrintable(line));
    }
    Password password{0xEE};
    QCOMPARE(fwup::get_operator_password_for_product(cvsw::muppet::ProductTypeId(type), password, model),
             found);
    QCOMPARE(password.size(), found ? std::size_t(16) : std::size_t(0));
}

void TestOperatorLogin::passwordsDiffer() {
    const fwup::LodestarMuppetPasswordGenerator lodestar;
    const fwup::JuniperMuppetPasswordGenerator juniper;
    const Password pod = lodestar.operatorPassword(144, std::nullopt);
    // The pod's model plays no part.
    for (const OptionalModel model :
         {OptionalModel(0), OptionalModel(1), OptionalModel(2), OptionalModel(255)}) {
        QCOMPARE(lodestar.operatorPassword(144, model), pod);
    }
    // A set of QByteArray: GCC 12 at -O3 warns of an unbounded memcmp in ordering byte vectors.
    QSet<QByteArray> passwords{bytesOf(pod), bytesOf(lodestar.operatorPassword(145, std::nullopt))};
    for (unsigned char model = 1; model <= 4; ++model) {
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("using juniper model")));
        passwords.insert(bytesOf(juniper.operatorPassword(161, model)));
    }
    QCOMPARE(passwords.size(), qsizetype(6));
    for (const QByteArray& password : passwords) {
        QCOMPARE(password.size(), qsizetype(16));
    }
}

void TestOperatorLogin::revealPicksMaskedBytes() {
    constexpr std::uint64_t blockKey = 0x0123456789ABCDEFULL;
    constexpr std::uint64_t indexKey = 0xFEDCBA9876543210ULL;
    // The published first word of the stream at key 0 proves the reference itself.
    QCOMPARE(splitmix64(0, 0), 0xE220A8397B1DCDAFULL);

    // Plain block: byte j holds (j * 7) mod 256; the password is bytes 0, 9, 18, ... and the last one.
    static std::uint64_t block[fwup::ObfuscatedPassword::BLOCK_WORDS];
    for (std::size_t word = 0; word < fwup::ObfuscatedPassword::BLOCK_WORDS; ++word) {
        std::uint64_t plain = 0;
        for (std::size_t byte = 0; byte < 8; ++byte) {
            plain |= std::uint64_t(((word * 8 + byte) * 7) & 0xFF) << (8 * byte);
        }
        block[word] = plain ^ splitmix64(blockKey, word);
    }
    static std::int32_t indices[fwup::ObfuscatedPassword::PASSWORD_LENGTH];
    Password expected;
    for (std::uint32_t i = 0; i < 16; ++i) {
        const std::uint32_t index = i == 15 ? 32767 : i * 9;
        indices[i] = std::int32_t(index ^ std::uint32_t(splitmix64(indexKey, i)));
        expected.push_back((index * 7) & 0xFF);
    }
    const fwup::ObfuscatedPassword password(block, blockKey, indices, indexKey);
    QCOMPARE(password.reveal(), expected);
}

void TestOperatorLogin::revealRefusesIndexOutsideBlock_data() {
    QTest::addColumn<qint64>("badIndex");
    QTest::newRow("block size") << qint64(32768);
    QTest::newRow("negative") << qint64(-1);
    QTest::newRow("far beyond") << qint64(0x7FFFFFFF);
}

void TestOperatorLogin::revealRefusesIndexOutsideBlock() {
    QFETCH(qint64, badIndex);
    static const std::uint64_t block[fwup::ObfuscatedPassword::BLOCK_WORDS] = {};
    std::int32_t indices[fwup::ObfuscatedPassword::PASSWORD_LENGTH] = {};
    for (std::uint32_t i = 0; i < 16; ++i) {
        const auto index = std::uint32_t(i == 7 ? badIndex : i);
        indices[i] = std::int32_t(index ^ std::uint32_t(splitmix64(5, i)));
    }
    QVERIFY(fwup::ObfuscatedPassword(block, 9, indices, 5).reveal().empty());
}

void TestOperatorLogin::loginSendsGeneratedPasswordDigest_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<OptionalModel>("model");
    QTest::newRow("pod") << 144 << OptionalModel(1);
    QTest::newRow("pod in bootloader, no model") << 145 << OptionalModel();
    QTest::newRow("gateway model 3") << 161 << OptionalModel(3);
}

void TestOperatorLogin::loginSendsGeneratedPasswordDigest() {
    QFETCH(int, type);
    QFETCH(OptionalModel, model);

    registerFamilies();
    Rig rig;
    const auto productType = cvsw::muppet::ProductTypeId(type);
    if (productType == 161) {
        const QByteArray line = "using juniper model " + QByteArray::number(*model) + " password (rowan)";
        QTest::ignoreMessage(QtDebugMsg, line.constData()); // the test's own look-up
        QTest::ignoreMessage(QtDebugMsg, "No Password available!");
        QTest::ignoreMessage(QtDebugMsg, line.constData());
    }
    const Password password =
        productType == 161 ? fwup::JuniperMuppetPasswordGenerator().operatorPassword(productType, model)
                           : fwup::LodestarMuppetPasswordGenerator().operatorPassword(productType, model);
    if (model) {
        rig.agent.start(productType, *model, rig.success(), rig.failure());
    } else {
        rig.agent.start(productType, rig.success(), rig.failure());
    }
    QTRY_COMPARE(rig.outcomes(), 1);
    QCOMPARE(rig.successes, 1);
    QCOMPARE(rig.device.requests().size(), std::size_t(3));
    QCOMPARE(rig.device.requests()[2], expectedLogin(rig.script.sessionId, rig.script.session, password));
}

void TestOperatorLogin::alreadyLoggedInSendsNoPassword() {
    registerFamilies();
    Rig rig;
    rig.script.loggedInUsers = 0x02;
    QTest::ignoreMessage(QtDebugMsg, "Already logged in as user OPERATOR.");
    rig.agent.start(144, 1, rig.success(), rig.failure());
    QTRY_COMPARE(rig.outcomes(), 1);
    QTest::qWait(int(ANSWERED_STEP_TIMEOUT_MS) + 50);
    QCOMPARE(rig.successes, 1);
    QCOMPARE(rig.device.requests(), std::vector<Message>{statusRequest});
}

void TestOperatorLogin::refusedLoginFailsOnce_data() {
    QTest::addColumn<int>("refusal");
    QTest::newRow("password refused") << int(PASSWORD_REFUSED);
    QTest::newRow("wrong session id echo") << int(WRONG_SESSION_ECHO);
    QTest::newRow("hash algorithm 2") << int(HASH_ALGORITHM_2);
    QTest::newRow("session ERR") << int(SESSION_ERR);
    QTest::newRow("device silent") << int(SILENT);
}

void TestOperatorLogin::refusedLoginFailsOnce() {
    QFETCH(int, refusal);

    registerFamilies();
    // Only a device that never answers may have short waits: every other case answers some steps.
    const qint64 stepTimeoutMs = Refusal(refusal) == SILENT ? 10 : ANSWERED_STEP_TIMEOUT_MS;
    Rig rig(stepTimeoutMs);
    switch (Refusal(refusal)) {
    case PASSWORD_REFUSED:
        rig.script.loginAsErr = true;
        break;
    case WRONG_SESSION_ECHO:
        rig.script.echoedSessionId = std::uint8_t(rig.script.sessionId + 1);
        QTest::ignoreMessage(QtWarningMsg, "Command retry exceeded, giving up");
        break;
    case HASH_ALGORITHM_2:
        rig.script.statusHash = 2;
        break;
    case SESSION_ERR:
        rig.script.sessionAsErr = true;
        break;
    case SILENT:
        rig.script.silentStatus = -1;
        QTest::ignoreMessage(QtWarningMsg, "Command retry exceeded, giving up");
        break;
    }
    rig.agent.start(144, 2, rig.success(), rig.failure());
    QTRY_COMPARE(rig.outcomes(), 1);
    QTest::qWait(int(stepTimeoutMs) + 40);
    QCOMPARE(rig.failures, 1);
    QCOMPARE(rig.successes, 0);
}

void TestOperatorLogin::noPasswordFailsOnceAndSendsNothing_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<OptionalModel>("model");
    QTest::addColumn<bool>("registered");
    QTest::newRow("unknown product") << 20 << OptionalModel(1) << true;
    QTest::newRow("gateway model 0") << 161 << OptionalModel(0) << true;
    QTest::newRow("gateway without model") << 161 << OptionalModel() << true;
    QTest::newRow("no generators") << 144 << OptionalModel(1) << false;
}

// With no password there is nothing to log in with: one failure, and not a word to the device,
// so no second report can follow.
void TestOperatorLogin::noPasswordFailsOnceAndSendsNothing() {
    QFETCH(int, type);
    QFETCH(OptionalModel, model);
    QFETCH(bool, registered);

    if (registered) {
        registerFamilies();
    }
    Rig rig;
    rig.script.loggedInUsers = 0x02; // a device that would report success if asked
    if (registered) {
        QTest::ignoreMessage(QtDebugMsg, "No Password available!");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^No Password available")));
    }
    if (model) {
        rig.agent.start(cvsw::muppet::ProductTypeId(type), *model, rig.success(), rig.failure());
    } else {
        rig.agent.start(cvsw::muppet::ProductTypeId(type), rig.success(), rig.failure());
    }
    QCOMPARE(rig.failures, 1);
    QTest::qWait(50);
    QCOMPARE(rig.failures, 1);
    QCOMPARE(rig.successes, 0);
    QVERIFY(rig.device.requests().empty());
    QVERIFY(!rig.agent.isRunning());
}

void TestOperatorLogin::startWhileRunningFailsAtOnce() {
    registerFamilies();
    Rig rig;
    rig.script.silentStatus = 1; // the first request waits out one step time-out
    int secondFailures = 0;
    rig.agent.start(144, 1, rig.success(), rig.failure());
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    rig.agent.start(
        145, [] { QFAIL("the second start must not succeed"); }, [&] { ++secondFailures; });
    QCOMPARE(secondFailures, 1);
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    rig.agent.startLogout([] {}, [&] { ++secondFailures; });
    QCOMPARE(secondFailures, 2);

    QTRY_COMPARE(rig.outcomes(), 1);
    QCOMPARE(rig.successes, 1);
    QCOMPARE(secondFailures, 2);
}

void TestOperatorLogin::emptyCallbacksThrow() {
    registerFamilies();
    Rig rig;
    const std::function<void()> none;
    const std::function<void()> some = [] {
    };
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, rig.agent.start(144, 1, none, some));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, rig.agent.start(144, 1, some, none));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, rig.agent.start(145, none, some));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, rig.agent.startLogout(some, none));
    QTest::qWait(30);
    QVERIFY(rig.device.requests().empty());
}

void TestOperatorLogin::logout_data() {
    QTest::addColumn<bool>("refused");
    QTest::newRow("confirmed") << false;
    QTest::newRow("refused") << true;
}

void TestOperatorLogin::logout() {
    QFETCH(bool, refused);
    Rig rig;
    rig.script.logoutAsErr = refused;
    rig.agent.startLogout(rig.success(), rig.failure());
    QTRY_COMPARE(rig.outcomes(), 1);
    QCOMPARE(rig.successes, refused ? 0 : 1);
    QCOMPARE(rig.failures, refused ? 1 : 0);
    QCOMPARE(rig.device.requests(), (std::vector<Message>{{0x42, 0x00, 0x53, 0x02}}));
}

QTEST_GUILESS_MAIN(TestOperatorLogin)
#include "tst_operator_login.moc"
