#include "exchange_test_support.h"

#include "muppet/file_put_lpd_command.h"
#include "muppet/hardware_version_command.h"
#include "muppet/indicate_firmware_upgrade_command.h"
#include "muppet/product_model_command.h"
#include "muppet/product_type_command.h"
#include "muppet/serial_number_command.h"
#include "muppet/software_reset_command.h"
#include "muppet/software_reset_to_bootloader_command.h"
#include "muppet/software_version_command.h"
#include "muppet/store_user_settings_record_command.h"
#include "muppet/upgradeable_component_validity_command.h"
#include "muppet/user_verification_code_command.h"

#include <QElapsedTimer>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTest>

#include <stdexcept>
#include <string>

using cuu::test::ControlCentreDevice;
using cuu::test::Message;
using cvsw::muppet::ControlCentre;
using namespace cvsw::muppet::control;
using fwup::MuppetCommandExchange;
using Reason = fwup::MuppetCommandExchangeBase::FailureReason;
using ProductTypeExchange = MuppetCommandExchange<ProductTypeCommand>;

namespace {

const Message productTypeRequest = hexMessage("020014");
const Message productTypeReply = hexMessage("820014009000010002");

class CountingSink final : public ControlCentre::ErrorSink {
public:
    void handlerReplaced(Group, std::uint16_t) override { ++replacedCount; }
    void invalidGroup(Group) override {}
    void unhandled(Group, std::uint16_t) override { ++unhandledCount; }
    void tooShort(const std::uint8_t*, std::size_t) override {}
    int replacedCount = 0;
    int unhandledCount = 0;
};

// Runs one exchange of T to its TIMEOUT and returns the request it sent.
template <typename T>
Message timeOutOnce(const char* label) {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    MuppetCommandExchange<T> exchange(centre, 1, 5, 5);
    Outcome<T> outcome;
    QTest::ignoreMessage(
        QtDebugMsg,
        qPrintable(QStringLiteral("Timed out waiting for reseponse to  %1").arg(QLatin1String(label))));
    QTest::ignoreMessage(QtDebugMsg, "Giving Up.");
    exchange.start(outcome.callbacks());
    if (!QTest::qWaitFor([&] { return outcome.outcomes() != 0; }, 5000)) {
        return {};
    }
    device.service();
    if (outcome.failures != std::vector<Reason>{Reason::TIMEOUT} || device.requests().size() != 1) {
        return {};
    }
    return device.requests().front();
}

} // namespace

class TestMuppetCommandExchange : public QObject {
    Q_OBJECT

private slots:
    void infReplyCompletes();
    void errReply_data();
    void errReply();
    void getAndSetAreNotReplies();
    void timeouts_data();
    void timeouts();
    void firstWaitThenResendWait();
    void busyIsReportedAtOnce();
    void cancel();
    void lateReplyAfterTimeoutCallsNothing();
    void replyBetweenTimeoutAndResend();
    void callbackRestartsExchange_data();
    void callbackRestartsExchange();
    void destroyingClearsHandler();
    void destroyedInsideItsOwnCallback_data();
    void destroyedInsideItsOwnCallback();
    void nullCommandQueuesNothing();
    void longTimeoutsDoNotWrap();
    void emptyCallbacksThrow_data();
    void emptyCallbacksThrow();
    void shortReplyIsNoReply();
    void failureReasonsPrintByName();
    void everyInstance_data();
    void everyInstance();
};

void TestMuppetCommandExchange::infReplyCompletes() {
    auto centre = std::make_shared<ControlCentre>();
    CountingSink sink;
    centre->setErrorSink(&sink);
    ControlCentreDevice device(centre);
    ProductTypeExchange exchange(centre, 3, 1000, 1000);
    Outcome<ProductTypeCommand> outcome;

    exchange.start(outcome.callbacks());
    QVERIFY(exchange.isBusy());
    QCOMPARE(device.service(), 1);
    QCOMPARE(device.requests().front(), productTypeRequest);

    device.deliver(productTypeReply);
    QCOMPARE(outcome.responses,
             std::vector<QByteArray>{Outcome<ProductTypeCommand>::toBytes(productTypeReply)});
    QVERIFY(outcome.failures.empty());
    QVERIFY(!exchange.isBusy());

    // The handler stays registered while idle; what it receives is dropped.
    device.deliver(productTypeReply);
    QCOMPARE(outcome.responses.size(), 1u);
    QCOMPARE(sink.unhandledCount, 0);
}

void TestMuppetCommandExchange::errReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("reason");
    QTest::addColumn<QByteArray>("logLine");

    QTest::newRow("UNAUTHORISED") << QByteArray("c20014040100000000") << int(Reason::UNAUTHORISED)
                                  << QByteArray("\"Received error UNAUTHORISED to Product Type\"");
    QTest::newRow("PARAMETER") << QByteArray("c20014020000000000") << int(Reason::MUPPET_ERROR)
                               << QByteArray("\"Received error PARAMETER to Product Type\"");
    QTest::newRow("UNSUPPORTED_OPERATION")
        << QByteArray("c200140a0000000000") << int(Reason::MUPPET_ERROR)
        << QByteArray("\"Received error UNSUPPORTED_OPERATION to Product Type\"");
    QTest::newRow("11") << QByteArray("c200140b0000000000") << int(Reason::MUPPET_ERROR)
                        << QByteArray("\"Received error ?INVALID_MUPPET_ERROR? to Product Type\"");
    QTest::newRow("255") << QByteArray("c20014ff") << int(Reason::MUPPET_ERROR)
                         << QByteArray("\"Received error ?INVALID_MUPPET_ERROR? to Product Type\"");
    QTest::newRow("no ERR fields") << QByteArray("c20014") << int(Reason::MUPPET_ERROR)
                                   << QByteArray("\"Received error NONE to Product Type\"");
}

void TestMuppetCommandExchange::errReply() {
    QFETCH(QByteArray, reply);
    QFETCH(int, reason);
    QFETCH(QByteArray, logLine);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    ProductTypeExchange exchange(centre, 3, 1000, 1000);
    Outcome<ProductTypeCommand> outcome;
    exchange.start(outcome.callbacks());

    QTest::ignoreMessage(QtDebugMsg, logLine.constData());
    device.deliver(hexMessage(reply.constData()));
    QCOMPARE(outcome.failures, std::vector<Reason>{static_cast<Reason>(reason)});
    QVERIFY(outcome.responses.empty());
    QVERIFY(!exchange.isBusy());
}

void TestMuppetCommandExchange::getAndSetAreNotReplies() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    ProductTypeExchange exchange(centre, 3, 1000, 1000);
    Outcome<ProductTypeCommand> outcome;
    exchange.start(outcome.callbacks());

    device.deliver(hexMessage("020014"));
    device.deliver(hexMessage("420014"));
    QCOMPARE(outcome.outcomes(), 0);
    QVERIFY(exchange.isBusy());

    device.deliver(productTypeReply);
    QCOMPARE(outcome.responses.size(), 1u);
}

void TestMuppetCommandExchange::timeouts_data() {
    QTest::addColumn<unsigned>("attemptLimit");
    QTest::addColumn<int>("sends");

    QTest::newRow("limit 0 acts as 1") << 0u << 1;
    QTest::newRow("limit 1") << 1u << 1;
    QTest::newRow("limit 3") << 3u << 3;
}

// Each send is a freshly made command: the maker numbers them in the version's patch field.
void TestMuppetCommandExchange::timeouts() {
    QFETCH(unsigned, attemptLimit);
    QFETCH(int, sends);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    MuppetCommandExchange<StoreUserSettingsRecordCommand> exchange(centre, attemptLimit, 20, 30);
    Outcome<StoreUserSettingsRecordCommand> outcome;

    for (int i = 0; i < sends; ++i) {
        QTest::ignoreMessage(QtDebugMsg, "Timed out waiting for reseponse to  Store User Settings Record");
        QTest::ignoreMessage(QtDebugMsg, i + 1 < sends ? "Resending." : "Giving Up.");
    }
    exchange.start(outcome.callbacks([](int index) {
        auto command = std::make_unique<StoreUserSettingsRecordCommand>(Mode::SET);
        command->version = {2, 5, static_cast<std::uint8_t>(index)};
        return command;
    }));

    QTRY_COMPARE(outcome.failures, std::vector<Reason>{Reason::TIMEOUT});
    QVERIFY(!exchange.isBusy());
    QCOMPARE(outcome.made, sends);
    device.service();
    std::vector<Message> expected;
    for (int i = 0; i < sends; ++i) {
        expected.push_back({0x42, 0x00, 0x69, 2, 5, static_cast<std::uint8_t>(i)});
    }
    QCOMPARE(device.requests(), expected);
}

void TestMuppetCommandExchange::firstWaitThenResendWait() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.startServicing();
    ProductTypeExchange exchange(centre, 2, 10, 600);
    Outcome<ProductTypeCommand> outcome;

    QElapsedTimer clock;
    clock.start();
    exchange.start(outcome.callbacks());
    // The resend follows the short first wait...
    QTRY_COMPARE_WITH_TIMEOUT(device.requests().size(), 2u, 400);
    QCOMPARE(outcome.outcomes(), 0);
    // ...and the failure the long resend wait.
    QTRY_COMPARE_WITH_TIMEOUT(outcome.failures.size(), 1u, 5000);
    // Coarse timers may fire up to 5 % early.
    QVERIFY2(clock.elapsed() >= 580, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(device.requests().size(), 2u);
}

void TestMuppetCommandExchange::busyIsReportedAtOnce() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    ProductTypeExchange exchange(centre, 3, 1000, 1000);
    Outcome<ProductTypeCommand> first;
    Outcome<ProductTypeCommand> second;

    exchange.start(first.callbacks());
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    exchange.start(second.callbacks());
    QCOMPARE(second.failures, std::vector<Reason>{Reason::BUSY});
    QCOMPARE(second.made, 0);
    QCOMPARE(device.service(), 1);

    device.deliver(productTypeReply);
    QCOMPARE(first.responses.size(), 1u);
    QVERIFY(first.failures.empty());
    QVERIFY(second.responses.empty());
}

void TestMuppetCommandExchange::cancel() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    ProductTypeExchange exchange(centre, 2, 20, 20);
    Outcome<ProductTypeCommand> outcome;

    exchange.cancel(); // idle: nothing
    QCOMPARE(outcome.outcomes(), 0);

    exchange.start(outcome.callbacks());
    exchange.cancel();
    exchange.cancel();
    QCOMPARE(outcome.failures, std::vector<Reason>{Reason::ABORTED});
    QVERIFY(!exchange.isBusy());
    device.deliver(productTypeReply);
    QVERIFY(outcome.responses.empty());

    // A sibling exchange with a longer wait runs to its end; the cancelled one stays silent.
    MuppetCommandExchange<SoftwareVersionCommand> witness(centre, 1, 100, 100);
    Outcome<SoftwareVersionCommand> witnessOutcome;
    witness.start(witnessOutcome.callbacks());
    QTRY_COMPARE(witnessOutcome.failures, std::vector<Reason>{Reason::TIMEOUT});
    QCOMPARE(outcome.failures.size(), 1u);
    device.service();
    QCOMPARE(device.requests(), (std::vector<Message>{productTypeRequest, hexMessage("020003")}));
}

void TestMuppetCommandExchange::lateReplyAfterTimeoutCallsNothing() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    ProductTypeExchange exchange(centre, 1, 10, 10);
    Outcome<ProductTypeCommand> outcome;
    exchange.start(outcome.callbacks());
    QTRY_COMPARE(outcome.failures, std::vector<Reason>{Reason::TIMEOUT});

    device.deliver(productTypeReply);
    QVERIFY(outcome.responses.empty());
    QCOMPARE(outcome.failures.size(), 1u);
}

void TestMuppetCommandExchange::replyBetweenTimeoutAndResend() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.startServicing();
    ProductTypeExchange exchange(centre, 3, 10, 60000);
    Outcome<ProductTypeCommand> outcome;
    exchange.start(outcome.callbacks());
    QTRY_COMPARE(device.requests().size(), 2u);

    device.deliver(productTypeReply); // the answer to the first send, late
    device.deliver(productTypeReply); // and to the resend
    QCOMPARE(outcome.responses.size(), 1u);
    QVERIFY(outcome.failures.empty());
    QVERIFY(!exchange.isBusy());
}

void TestMuppetCommandExchange::callbackRestartsExchange_data() {
    QTest::addColumn<QString>("ending");
    QTest::newRow("from onResponse") << "INF";
    QTest::newRow("from onFailure, ERR") << "ERR";
    QTest::newRow("from onFailure, TIMEOUT") << "TIMEOUT";
    QTest::newRow("from onFailure, ABORTED") << "ABORTED";
}

// The state is reset before a callback runs, so the callback may start the exchange again; the
// new exchange then runs like any other.
void TestMuppetCommandExchange::callbackRestartsExchange() {
    QFETCH(QString, ending);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    // Long enough that the restarted exchange is still waiting when the test looks at it.
    ProductTypeExchange exchange(centre, 1, 300, 300);
    Outcome<ProductTypeCommand> second;
    int firstEndings = 0;
    auto restart = [&] {
        ++firstEndings;
        exchange.start(second.callbacks());
    };
    // The captures live on the heap and are read after the restart, so a callback object freed
    // by the restart would show in the sanitizer build.
    const std::string tag(64, 't');
    std::size_t tagsSeen = 0;
    exchange.start({[] { return std::make_unique<ProductTypeCommand>(Mode::GET); },
                    [&, tag](const ProductTypeCommand&) {
                        restart();
                        tagsSeen += tag.size();
                    },
                    [&, tag](Reason) {
                        restart();
                        tagsSeen += tag.size();
                    }});

    if (ending == QLatin1String("INF")) {
        device.deliver(productTypeReply);
    } else if (ending == QLatin1String("ERR")) {
        device.deliver(hexMessage("c20014"));
    } else if (ending == QLatin1String("TIMEOUT")) {
        QTRY_COMPARE(firstEndings, 1);
    } else {
        exchange.cancel();
    }
    QCOMPARE(firstEndings, 1);
    QCOMPARE(tagsSeen, tag.size());
    QVERIFY(exchange.isBusy());
    QCOMPARE(second.made, 1);

    device.deliver(productTypeReply);
    QCOMPARE(second.responses.size(), 1u);
    QCOMPARE(firstEndings, 1);
    QVERIFY(!exchange.isBusy());
}

void TestMuppetCommandExchange::destroyingClearsHandler() {
    auto centre = std::make_shared<ControlCentre>();
    CountingSink sink;
    centre->setErrorSink(&sink);
    ControlCentreDevice device(centre);
    auto older = std::make_unique<ProductTypeExchange>(centre, 3, 1000, 1000);
    ProductTypeExchange newer(centre, 3, 1000, 1000);
    Outcome<ProductTypeCommand> olderOutcome;
    Outcome<ProductTypeCommand> newerOutcome;

    older->start(olderOutcome.callbacks());
    newer.start(newerOutcome.callbacks());
    QCOMPARE(sink.replacedCount, 1); // the newer exchange's handler took the older one's place

    older.reset();
    device.deliver(productTypeReply);
    QCOMPARE(sink.unhandledCount, 1);
    QCOMPARE(newerOutcome.outcomes(), 0);
    QCOMPARE(olderOutcome.outcomes(), 0); // destruction calls nothing
}

void TestMuppetCommandExchange::destroyedInsideItsOwnCallback_data() {
    QTest::addColumn<QString>("ending");
    QTest::newRow("onResponse") << "INF";
    QTest::newRow("onFailure, ERR") << "ERR";
    QTest::newRow("onFailure, TIMEOUT") << "TIMEOUT";
    QTest::newRow("onFailure, ABORTED") << "ABORTED";
}

// Owners drop their agents when the agent reports; the exchange must not be touched after its
// callback returns (the sanitizer build reports any use after free).
void TestMuppetCommandExchange::destroyedInsideItsOwnCallback() {
    QFETCH(QString, ending);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    auto exchange = std::make_unique<ProductTypeExchange>(centre, 1, 10, 10);
    int endings = 0;
    auto drop = [&] {
        ++endings;
        exchange.reset();
    };
    exchange->start({[] { return std::make_unique<ProductTypeCommand>(Mode::GET); },
                     [&](const ProductTypeCommand&) { drop(); },
                     [&](Reason) {
                         drop();
                     }});

    if (ending == QLatin1String("INF")) {
        device.deliver(productTypeReply);
    } else if (ending == QLatin1String("ERR")) {
        device.deliver(hexMessage("c20014"));
    } else if (ending == QLatin1String("TIMEOUT")) {
        QTRY_COMPARE(endings, 1);
    } else {
        exchange->cancel();
    }
    QCOMPARE(endings, 1);
    QVERIFY(!exchange);
    device.deliver(productTypeReply); // no handler left
    QCOMPARE(endings, 1);
}

void TestMuppetCommandExchange::nullCommandQueuesNothing() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    ProductTypeExchange exchange(centre, 2, 10, 10);
    Outcome<ProductTypeCommand> outcome;
    exchange.start(outcome.callbacks([](int) { return std::unique_ptr<ProductTypeCommand>(); }));

    QTRY_COMPARE(outcome.failures, std::vector<Reason>{Reason::TIMEOUT});
    QCOMPARE(outcome.made, 2);
    QCOMPARE(device.service(), 0);
}

// QTimer counts in signed 32-bit milliseconds. Taking the low 32 bits would turn 2^32 + 10 ms into
// 10 ms and 2^31 ms into a negative wait that never starts; both must simply wait long.
void TestMuppetCommandExchange::longTimeoutsDoNotWrap() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    ProductTypeExchange wrapping(centre, 1, (std::uint64_t(1) << 32) + 10, 10);
    MuppetCommandExchange<SoftwareVersionCommand> negative(centre, 1, std::uint64_t(1) << 31, 10);
    Outcome<ProductTypeCommand> wrappingOutcome;
    Outcome<SoftwareVersionCommand> negativeOutcome;
    wrapping.start(wrappingOutcome.callbacks());
    negative.start(negativeOutcome.callbacks());

    MuppetCommandExchange<HardwareVersionCommand> witness(centre, 1, 150, 150);
    Outcome<HardwareVersionCommand> witnessOutcome;
    witness.start(witnessOutcome.callbacks());
    QTRY_COMPARE(witnessOutcome.failures, std::vector<Reason>{Reason::TIMEOUT});

    QCOMPARE(wrappingOutcome.outcomes(), 0);
    QCOMPARE(negativeOutcome.outcomes(), 0);
    QVERIFY(wrapping.isBusy());
    QVERIFY(negative.isBusy());
}

void TestMuppetCommandExchange::emptyCallbacksThrow_data() {
    QTest::addColumn<int>("missing");
    QTest::newRow("makeCommand") << 0;
    QTest::newRow("onResponse") << 1;
    QTest::newRow("onFailure") << 2;
}

void TestMuppetCommandExchange::emptyCallbacksThrow() {
    QFETCH(int, missing);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    ProductTypeExchange exchange(centre, 2, 10, 10);
    Outcome<ProductTypeCommand> outcome;
    auto callbacks = outcome.callbacks();
    if (missing == 0) {
        callbacks.makeCommand = nullptr;
    } else if (missing == 1) {
        callbacks.onResponse = nullptr;
    } else {
        callbacks.onFailure = nullptr;
    }

    try {
        exchange.start(callbacks);
        QFAIL("no exception");
    } catch (const std::invalid_argument& error) {
        QCOMPARE(QByteArray(error.what()), QByteArray("Handler functor can not be null"));
    }
    QVERIFY(!exchange.isBusy());
    QCOMPARE(device.service(), 0);
    QCOMPARE(outcome.outcomes(), 0);
}

// A reply too short for its command never reaches the exchange: it waits, resends and gives up.
void TestMuppetCommandExchange::shortReplyIsNoReply() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.setResponder([](const Message&) { return std::vector<Message>{hexMessage("82000301020300")}; });
    device.startServicing();
    MuppetCommandExchange<SoftwareVersionCommand> exchange(centre, 2, 10, 10);
    Outcome<SoftwareVersionCommand> outcome;

    exchange.start(outcome.callbacks());
    QTRY_COMPARE(outcome.failures, std::vector<Reason>{Reason::TIMEOUT});
    QCOMPARE(device.requests().size(), 2u);

    device.setResponder([](const Message&) { return std::vector<Message>{hexMessage("8200030102030000")}; });
    exchange.start(outcome.callbacks());
    QTRY_COMPARE(outcome.responses.size(), 1u);
    QCOMPARE(outcome.responses.front(), QByteArray::fromHex("8200030102030000"));
}

void TestMuppetCommandExchange::failureReasonsPrintByName() {
    QCOMPARE(QByteArray(fwup::MuppetCommandExchangeBase::staticMetaObject.className()),
             QByteArray("fwup::MuppetCommandExchangeBase"));
    const QMetaEnum reasons = QMetaEnum::fromType<Reason>();
    QCOMPARE(reasons.keyCount(), 5);
    const char* names[] = {"ABORTED", "BUSY", "MUPPET_ERROR", "TIMEOUT", "UNAUTHORISED"};
    for (int value = 0; value < 5; ++value) {
        QCOMPARE(QByteArray(reasons.valueToKey(value)), QByteArray(names[value]));
    }
}

void TestMuppetCommandExchange::everyInstance_data() {
    QTest::addColumn<int>("instance");
    QTest::addColumn<QByteArray>("request");

    QTest::newRow("Product Type") << 0 << QByteArray("020014");
    QTest::newRow("Software Version") << 1 << QByteArray("020003");
    QTest::newRow("Hardware Version") << 2 << QByteArray("020023");
    QTest::newRow("Serial Number") << 3 << QByteArray("020011");
    QTest::newRow("User Verification Code") << 4 << QByteArray("020038");
    QTest::newRow("Product Model") << 5 << QByteArray("02006e");
    QTest::newRow("Upgradeable Component Validity") << 6 << QByteArray("02006f");
    QTest::newRow("File Put LPD") << 7 << QByteArray("02004e0000");
    QTest::newRow("Software Reset to Bootloader") << 8 << QByteArray("020013");
    QTest::newRow("Software Reset") << 9 << QByteArray("020005");
    QTest::newRow("Indicate Firmware Upgrade") << 10 << QByteArray("020072");
    QTest::newRow("Store User Settings Record") << 11 << QByteArray("020069000000");
}

// Each instance sends its own command and names it by its label in the time-out line.
void TestMuppetCommandExchange::everyInstance() {
    QFETCH(int, instance);
    QFETCH(QByteArray, request);
    const char* label = QTest::currentDataTag();

    Message sent;
    switch (instance) {
    case 0:
        sent = timeOutOnce<ProductTypeCommand>(label);
        break;
    case 1:
        sent = timeOutOnce<SoftwareVersionCommand>(label);
        break;
    case 2:
        sent = timeOutOnce<HardwareVersionCommand>(label);
        break;
    case 3:
        sent = timeOutOnce<SerialNumberCommand>(label);
        break;
    case 4:
        sent = timeOutOnce<UserVerificationCodeCommand>(label);
        break;
    case 5:
        sent = timeOutOnce<ProductModelCommand>(label);
        break;
    case 6:
        sent = timeOutOnce<UpgradeableComponentValidityCommand>(label);
        break;
    case 7:
        sent = timeOutOnce<FilePutLpdCommand<LpdVector<unsigned short>>>(label);
        break;
    case 8:
        sent = timeOutOnce<SoftwareResetToBootloaderCommand>(label);
        break;
    case 9:
        sent = timeOutOnce<SoftwareResetCommand>(label);
        break;
    case 10:
        sent = timeOutOnce<IndicateFirmwareUpgradeCommand>(label);
        break;
    case 11:
        sent = timeOutOnce<StoreUserSettingsRecordCommand>(label);
        break;
    }
    QCOMPARE(sent, hexMessage(request.constData()));
}

QTEST_GUILESS_MAIN(TestMuppetCommandExchange)
#include "tst_muppet_command_exchange.moc"
