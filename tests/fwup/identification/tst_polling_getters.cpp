#include "getter_test_support.h"

#include "fwup/identification/product_model_getter.h"
#include "fwup/identification/upgradeable_component_validity_getter.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>
#include <stdexcept>
#include <tuple>

using namespace getter_test;
using cuu::test::ControlCentreDevice;
using cvsw::muppet::ControlCentre;

namespace {

constexpr std::uint16_t PRODUCT_MODEL = 110;
constexpr std::uint16_t VALIDITY = 111;

Message modelAnswer(int model) {
    return {0x82, 0x00, 0x6E, std::uint8_t(model)};
}

Message validityAnswer(bool complete, std::uint32_t flags, std::uint32_t mask) {
    Message message{0x82, 0x00, 0x6F, std::uint8_t(complete ? 1 : 0)};
    for (const std::uint32_t word : {flags, mask}) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            message.push_back(std::uint8_t(word >> shift));
        }
    }
    return message;
}

struct ValidityResult {
    bool complete;
    unsigned flags;
    unsigned mask;
    bool operator==(const ValidityResult&) const = default;
};

} // namespace

Q_DECLARE_METATYPE(std::vector<int>)

class TestPollingGetters : public QObject {
    Q_OBJECT

private slots:
    void productModel_data();
    void productModel();
    void validity_data();
    void validity();
    void pollIntervalSeparatesQuestions();
    void reusedGetterCountsPollsAfresh();
    void exchangeFailureEndsRead_data();
    void exchangeFailureEndsRead();
    void cancelDuringQuestion();
    void cancelDuringPollWait();
    void cancelWhileIdle();
    void startWhileBusy();
    void emptyHandlersThrow();
    void handlerMayStartAgain();
};

void TestPollingGetters::productModel_data() {
    QTest::addColumn<std::vector<int>>("answers");
    QTest::addColumn<int>("maxPolls");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("model"); // -1: the read fails
    QTest::addColumn<QString>("logLine");

    QTest::newRow("model at once") << std::vector<int>{2} << 5 << 1 << 2 << "Received product model 2";
    QTest::newRow("0, 0, 3") << std::vector<int>{0, 0, 3} << 5 << 3 << 3 << "Received product model 3";
    QTest::newRow("254 is a model") << std::vector<int>{254} << 5 << 1 << 254 << "Received product model 254";
    QTest::newRow("0 five times") << std::vector<int>{0, 0, 0, 0, 0, 7} << 5 << 5 << -1
                                  << "Gave up waiting product model to become valid";
    QTest::newRow("model on the last poll")
        << std::vector<int>{0, 0, 0, 0, 4} << 5 << 5 << 4 << "Received product model 4";
    QTest::newRow("255 at once") << std::vector<int>{255, 3} << 5 << 1 << -1
                                 << "Received invalid product model";
    QTest::newRow("0 then 255") << std::vector<int>{0, 255} << 5 << 2 << -1
                                << "Received invalid product model";
    QTest::newRow("max polls 1") << std::vector<int>{0, 3} << 1 << 1 << -1
                                 << "Gave up waiting product model to become valid";
    QTest::newRow("max polls 0") << std::vector<int>{0, 3} << 0 << 1 << -1
                                 << "Gave up waiting product model to become valid";
}

void TestPollingGetters::productModel() {
    QFETCH(std::vector<int>, answers);
    QFETCH(int, maxPolls);
    QFETCH(int, questions);
    QFETCH(int, model);
    QFETCH(QString, logLine);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    std::vector<Message> script;
    for (const int answer : answers) {
        script.push_back(modelAnswer(answer));
    }
    device.setResponder(ScriptedAnswers(PRODUCT_MODEL, script));
    device.startServicing();
    fwup::ProductModelGetter getter(centre, std::uint32_t(maxPolls), 5);
    std::vector<int> models;
    int failures = 0;

    QTest::ignoreMessage(QtDebugMsg, qPrintable(logLine));
    getter.start([&](unsigned char value) { models.push_back(value); }, [&] { ++failures; });
    QTRY_COMPARE(int(models.size()) + failures, 1);
    QTest::qWait(30); // no further question follows the end of the read
    QCOMPARE(int(device.requests().size()), questions);
    for (const Message& request : device.requests()) {
        QCOMPARE(request, getRequest(PRODUCT_MODEL));
    }
    if (model < 0) {
        QCOMPARE(failures, 1);
    } else {
        QCOMPARE(models, std::vector<int>{model});
    }
}

void TestPollingGetters::validity_data() {
    QTest::addColumn<std::vector<int>>("completes"); // one answer each: 1 complete, 0 not yet
    QTest::addColumn<int>("maxPolls");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QStringList>("logLines");

    QTest::newRow("complete at once") << std::vector<int>{1} << 5 << 1 << true
                                      << QStringList{"\"Received valid flags 0b101 (valid mask: 0b111)\""};
    QTest::newRow("complete on the third")
        << std::vector<int>{0, 0, 1} << 5 << 3 << true
        << QStringList{"\"Received valid flags 0b101 (valid mask: 0b111)\""};
    QTest::newRow("never complete, 45 polls")
        << std::vector<int>(50, 0) << 45 << 45 << false
        << QStringList{"Gave up waiting component validity check to complete",
                       "\"Using incomplete received valid flags 0b101 (valid mask: 0b111)\""};
    QTest::newRow("max polls 1")
        << std::vector<int>{0, 1} << 1 << 1 << false
        << QStringList{"Gave up waiting component validity check to complete",
                       "\"Using incomplete received valid flags 0b101 (valid mask: 0b111)\""};
    QTest::newRow("max polls 0")
        << std::vector<int>{0, 1} << 0 << 1 << false
        << QStringList{"Gave up waiting component validity check to complete",
                       "\"Using incomplete received valid flags 0b101 (valid mask: 0b111)\""};
}

void TestPollingGetters::validity() {
    QFETCH(std::vector<int>, completes);
    QFETCH(int, maxPolls);
    QFETCH(int, questions);
    QFETCH(bool, complete);
    QFETCH(QStringList, logLines);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    std::vector<Message> script;
    for (const int answer : completes) {
        script.push_back(validityAnswer(answer != 0, 5, 7));
    }
    device.setResponder(ScriptedAnswers(VALIDITY, script));
    device.startServicing();
    fwup::UpgradeableComponentValidityGetter getter(centre, std::uint32_t(maxPolls), 2);
    std::vector<ValidityResult> results;
    int failures = 0;

    for (const QString& line : logLines) {
        QTest::ignoreMessage(QtDebugMsg, qPrintable(line));
    }
    getter.start(
        [&](bool done, unsigned flags, unsigned mask) {
            results.push_back({done, flags, mask});
        },
        [&] { ++failures; });
    QTRY_COMPARE(int(results.size()) + failures, 1);
    QTest::qWait(20);
    QCOMPARE(int(device.requests().size()), questions);
    QCOMPARE(failures, 0);
    QCOMPARE(results, (std::vector<ValidityResult>{{complete, 5, 7}}));
}

void TestPollingGetters::pollIntervalSeparatesQuestions() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.setResponder(ScriptedAnswers(PRODUCT_MODEL, {modelAnswer(0), modelAnswer(0), modelAnswer(9)}));
    std::vector<qint64> asked;
    QElapsedTimer clock;
    clock.start();
    connect(&device, &ControlCentreDevice::requestTaken, this, [&] { asked.push_back(clock.elapsed()); });
    device.startServicing();
    fwup::ProductModelGetter getter(centre, 5, 60);
    int model = -1;

    getter.start([&](unsigned char value) { model = value; }, [] {});
    QTRY_COMPARE(model, 9);
    QCOMPARE(int(asked.size()), 3);
    // The poll timer is a coarse timer, which Qt may fire up to 5% early.
    QVERIFY2(asked[1] - asked[0] >= 57, qPrintable(QString::number(asked[1] - asked[0])));
    QVERIFY2(asked[2] - asked[1] >= 57, qPrintable(QString::number(asked[2] - asked[1])));
}

// A getter kept for several reads (the installation keeps its validity getter) gives each read the
// full number of polls.
void TestPollingGetters::reusedGetterCountsPollsAfresh() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.setResponder(ScriptedAnswers(VALIDITY, {validityAnswer(false, 1, 3), validityAnswer(false, 1, 3),
                                                   validityAnswer(false, 1, 3), validityAnswer(false, 1, 3),
                                                   validityAnswer(false, 1, 3), validityAnswer(true, 3, 3)}));
    device.startServicing();
    fwup::UpgradeableComponentValidityGetter getter(centre, 3, 2);
    std::vector<ValidityResult> results;
    const auto onResult = [&](bool done, unsigned flags, unsigned mask) {
        results.push_back({done, flags, mask});
    };

    QTest::ignoreMessage(QtDebugMsg, "Gave up waiting component validity check to complete");
    QTest::ignoreMessage(QtDebugMsg, "\"Using incomplete received valid flags 0b1 (valid mask: 0b11)\"");
    getter.start(onResult, [] {});
    QTRY_COMPARE(results.size(), std::size_t(1));
    QCOMPARE(results.back(), (ValidityResult{false, 1, 3}));

    QTest::ignoreMessage(QtDebugMsg, "\"Received valid flags 0b11 (valid mask: 0b11)\"");
    getter.start(onResult, [] {});
    QTRY_COMPARE(results.size(), std::size_t(2));
    QCOMPARE(results.back(), (ValidityResult{true, 3, 3}));
    QCOMPARE(device.requests().size(), std::size_t(6));
}

void TestPollingGetters::exchangeFailureEndsRead_data() {
    QTest::addColumn<bool>("validityGetter");
    QTest::addColumn<bool>("silent"); // else an ERR reply
    QTest::addColumn<int>("questions");
    QTest::newRow("model, silence") << false << true << 3;
    QTest::newRow("model, error") << false << false << 1;
    QTest::newRow("validity, silence") << true << true << 3;
    QTest::newRow("validity, error") << true << false << 1;
}

void TestPollingGetters::exchangeFailureEndsRead() {
    QFETCH(bool, validityGetter);
    QFETCH(bool, silent);
    QFETCH(int, questions);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    const std::uint16_t id = validityGetter ? VALIDITY : PRODUCT_MODEL;
    if (!silent) {
        device.setResponder(ScriptedAnswers(id, {errReply(id, 8)}));
    }
    device.startServicing();
    // Three sends per question: 5 ms apart to a silent device, but with room for an answer that
    // comes late on a busy machine, which would otherwise bring a resend.
    const std::uint64_t waitMs = silent ? 5 : 150;
    fwup::ProductModelGetter modelGetter(centre, 5, 1, 3, waitMs, waitMs);
    fwup::UpgradeableComponentValidityGetter validity(centre, 5, 1, 3, waitMs, waitMs);
    int failures = 0;
    int results = 0;

    if (validityGetter) {
        validity.start([&](bool, unsigned, unsigned) { ++results; }, [&] { ++failures; });
    } else {
        modelGetter.start([&](unsigned char) { ++results; }, [&] { ++failures; });
    }
    QTRY_COMPARE(failures, 1);
    QTest::qWait(int(waitMs) + 15); // past any send still pending
    QCOMPARE(failures, 1);
    QCOMPARE(results, 0);
    QCOMPARE(int(device.requests().size()), questions);
}

void TestPollingGetters::cancelDuringQuestion() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    fwup::UpgradeableComponentValidityGetter getter(centre, 5, 2);
    int failures = 0;
    int results = 0;

    getter.start([&](bool, unsigned, unsigned) { ++results; }, [&] { ++failures; });
    QCOMPARE(device.service(), 1);
    getter.cancel();
    QCOMPARE(failures, 1);
    device.deliver(validityAnswer(true, 1, 1));
    QCOMPARE(results, 0);
    QCOMPARE(failures, 1);

    // A failure handler that starts the getter again: the cancel must not end the new read.
    std::function<void()> restartOnce = [&] {
        if (++failures == 2) {
            getter.start([&](bool, unsigned, unsigned) { ++results; }, [&] { ++failures; });
        }
    };
    getter.start([&](bool, unsigned, unsigned) { ++results; }, restartOnce);
    QCOMPARE(device.service(), 1);
    getter.cancel();
    QCOMPARE(failures, 2);
    QCOMPARE(device.service(), 1);
    device.deliver(validityAnswer(true, 1, 1));
    QCOMPARE(results, 1);
    QCOMPARE(failures, 2);
}

void TestPollingGetters::cancelDuringPollWait() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.setResponder(ScriptedAnswers(PRODUCT_MODEL, {modelAnswer(0), modelAnswer(6)}));
    fwup::ProductModelGetter getter(centre, 5, 10);
    int failures = 0;
    int models = 0;

    getter.start([&](unsigned char) { ++models; }, [&] { ++failures; });
    QCOMPARE(device.service(), 1); // answered 0: the getter now waits to ask again
    getter.cancel();
    QTest::qWait(40);
    QCOMPARE(device.service(), 0); // nothing more was asked
    QCOMPARE(failures, 0);
    QCOMPARE(models, 0);

    // The getter is idle again and can be started.
    getter.start([&](unsigned char) { ++models; }, [&] { ++failures; });
    QCOMPARE(device.service(), 1);
    QCOMPARE(models, 1);
}

void TestPollingGetters::cancelWhileIdle() {
    auto centre = std::make_shared<ControlCentre>();
    fwup::ProductModelGetter getter(centre, 5, 10);
    getter.cancel();
    fwup::IMuppetDeviceInfoGetter& asInterface = getter;
    asInterface.cancel();
    QCOMPARE(centre->clearHandler(2, PRODUCT_MODEL), false);
}

void TestPollingGetters::startWhileBusy() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    fwup::ProductModelGetter getter(centre, 5, 10);
    std::vector<int> models;
    int firstFailures = 0;
    int secondFailures = 0;

    getter.start([&](unsigned char value) { models.push_back(value); }, [&] { ++firstFailures; });
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    getter.start([&](unsigned char) { models.push_back(-1); }, [&] { ++secondFailures; });
    QCOMPARE(secondFailures, 1);
    QCOMPARE(device.service(), 1);
    device.deliver(modelAnswer(8));
    QCOMPARE(models, std::vector<int>{8});
    QCOMPARE(firstFailures, 0);
}

void TestPollingGetters::emptyHandlersThrow() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    fwup::ProductModelGetter model(centre, 5, 10);
    fwup::UpgradeableComponentValidityGetter validity(centre, 5, 10);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, model.start({}, [] {}));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, model.start([](unsigned char) {}, {}));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, validity.start({}, [] {}));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, validity.start([](bool, unsigned, unsigned) {}, {}));
    QCOMPARE(device.service(), 0);
}

void TestPollingGetters::handlerMayStartAgain() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.setResponder(ScriptedAnswers(PRODUCT_MODEL, {modelAnswer(1), modelAnswer(2)}));
    fwup::ProductModelGetter getter(centre, 5, 10);
    std::vector<int> models;
    std::function<void(unsigned char)> onModel = [&](unsigned char value) {
        models.push_back(value);
        if (models.size() == 1) {
            getter.start(onModel, [] {});
        }
    };
    getter.start(onModel, [] {});
    device.service();
    QCOMPARE(models, (std::vector<int>{1, 2}));
}

QTEST_GUILESS_MAIN(TestPollingGetters)
#include "tst_polling_getters.moc"
