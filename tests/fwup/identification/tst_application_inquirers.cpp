// The application inquirers against the simulated detector, through the program's own link stack.
#include <QTest>

#include "getter_test_support.h"
#include "login_test_device.h"
#include "simulated_system_fixture.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/identification/lodestar_identifier_customisations.h"
#include "fwup/identification/mbu_bootloader_muppet_application_inquirer.h"
#include "fwup/identification/status_reporting_muppet_application_inquirer.h"
#include "fwup/identification/tamarind_muppet_application_inquirer.h"
#include "muppet/control_centre.h"
#include "tests/support/simulated_detector/simulated_fault.h"

#include <QTimer>

#include <algorithm>

#include <functional>
#include <memory>
#include <stdexcept>

using namespace identification_test;
using cuu::test::SimulatedFault;
using fwup::StatusReportingMuppetApplicationInquirer;
using PodMode = SimulatedDetector::PodMode;

namespace {

// One connection with one control centre, serviced from the event loop; ticks counts the passes.
struct Link {
    explicit Link(const QString& location)
        : connection(fwup::MuppetConnection::establishConnection(location)) {
        connection->addControlCentre(centre);
        QObject::connect(&pump, &QTimer::timeout, [this] {
            connection->service();
            ++ticks;
        });
        pump.start(1);
    }

    std::shared_ptr<cvsw::muppet::ControlCentre> centre = std::make_shared<cvsw::muppet::ControlCentre>();
    std::shared_ptr<fwup::MuppetConnection> connection;
    QTimer pump;
    int ticks = 0;
};

struct Outcome {
    int successes = 0;
    int failures = 0;
    int count() const { return successes + failures; }
};

using Start = std::function<void(Outcome&)>;

// One inquirer of either kind, started with handlers that count into an Outcome.
struct Subject {
    std::unique_ptr<fwup::IMuppetApplicationInquirer> inquirer;
    std::function<void(Outcome&, bool emptyFailureHandler)> start;
};

Subject makeSubject(const QString& kind, const std::shared_ptr<cvsw::muppet::ControlCentre>& centre) {
    const auto failure = [](Outcome& outcome, bool empty) -> std::function<void()> {
        if (empty) {
            return {};
        }
        return [&outcome] {
            ++outcome.failures;
        };
    };
    if (kind == QLatin1String("application")) {
        auto inquirer = std::make_unique<StatusReportingMuppetApplicationInquirer>(centre, shortTiming());
        auto* raw = inquirer.get();
        return {std::move(inquirer), [raw, failure](Outcome& outcome, bool empty) {
                    raw->start(
                        144, [&outcome](const auto&) { ++outcome.successes; }, failure(outcome, empty));
                }};
    }
    if (kind == QLatin1String("bootloader")) {
        auto inquirer = std::make_unique<fwup::MbuBootloaderMuppetApplicationInquirer>(centre, shortTiming());
        auto* raw = inquirer.get();
        return {std::move(inquirer), [raw, failure](Outcome& outcome, bool empty) {
                    raw->start([&outcome](const auto&) { ++outcome.successes; }, failure(outcome, empty));
                }};
    }
    auto inquirer = std::make_unique<fwup::TamarindMuppetApplicationInquirer>(centre, shortTiming());
    auto* raw = inquirer.get();
    return {std::move(inquirer), [raw, failure](Outcome& outcome, bool empty) {
                raw->start(
                    161, [&outcome](const auto&) { ++outcome.successes; }, failure(outcome, empty));
            }};
}

} // namespace

class TestApplicationInquirers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void startsAndRefusals_data();
    void startsAndRefusals();
    void podValidityThatNeverCompletes();
    void loginUsesTheTypeGiven();
    void cancelAtEachStep_data();
    void cancelAtEachStep();
    void bootloaderCancelLeavesTheProductTypeReadRunning();
    void tamarindRestartAfterCancel_data();
    void tamarindRestartAfterCancel();

private:
    std::unique_ptr<SimulatedDetector> detector_;
};

void TestApplicationInquirers::initTestCase() {
    registerLinkStack();
}

void TestApplicationInquirers::cleanupTestCase() {
    unregisterLinkStack();
}

void TestApplicationInquirers::cleanup() {
    detector_.reset();
    cuu::test::FakeHidBus::instance().reset();
}

void TestApplicationInquirers::startsAndRefusals_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("servesAgain");

    QTest::newRow("application") << QStringLiteral("application") << false;
    QTest::newRow("bootloader") << QStringLiteral("bootloader") << false;
    QTest::newRow("tamarind") << QStringLiteral("tamarind") << true;
}

void TestApplicationInquirers::startsAndRefusals() {
    QFETCH(QString, kind);
    QFETCH(bool, servesAgain);

    const bool bootloader = kind == QLatin1String("bootloader");
    detector_ = plugDetector(bootloader ? PodMode::Bootloader : PodMode::Application);
    const bool tamarind = kind == QLatin1String("tamarind");
    Link link(tamarind ? fwup::lodestar_tamarind_location_prefix() + detector_->location()
                       : detector_->location());
    SimulatedComponent& device = tamarind ? detector_->tamarind() : detector_->pod();
    Subject subject = makeSubject(kind, link.centre);

    // An empty handler is refused before anything is sent.
    Outcome unused;
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, subject.start(unused, true));
    QTRY_VERIFY(link.ticks > 20);
    QVERIFY(device.requestLog().isEmpty());

    Outcome first;
    Outcome second;
    subject.start(first, false);
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start inquiring whilst busy.");
    subject.start(second, false);
    QCOMPARE(second.failures, 1);
    QTRY_COMPARE(first.count(), 1);
    QCOMPARE(first.successes, 1);
    QCOMPARE(second.count(), 1);

    // An inquirer of the pod serves one inquiry; the sub-system's may be asked again.
    device.clearTraffic();
    Outcome third;
    if (!servesAgain) {
        QTest::ignoreMessage(QtDebugMsg, "Attempt to start inquiring whilst busy.");
    }
    subject.start(third, false);
    QTRY_COMPARE(third.count(), 1);
    QCOMPARE(third.successes, servesAgain ? 1 : 0);
    QCOMPARE(device.requestLog().isEmpty(), !servesAgain);
}

void TestApplicationInquirers::podValidityThatNeverCompletes() {
    detector_ = plugDetector(PodMode::Application);
    detector_->pod().setValidity(true, 0b0110, 0b1110);
    detector_->pod().setValidityIncompletePolls(5);
    Link link(detector_->location());
    StatusReportingMuppetApplicationInquirer inquirer(link.centre, shortTiming());

    std::optional<StatusReportingMuppetApplicationInquirer::ApplicationDetails> details;
    inquirer.start(
        144, [&](const auto& received) { details = received; }, [] { QFAIL("unexpected failure"); });
    QTRY_VERIFY(details.has_value());
    QVERIFY(!details->validityAnswered);
    QCOMPARE(details->validFlags, 0b0110u);
    QCOMPARE(details->validMask, 0b1110u);
    QCOMPARE(details->productModel, std::uint8_t(1));
    QCOMPARE(details->serialNumber, detector_->pod().serialNumberText());
    QCOMPARE(detector_->pod().requestCount(111), 5);
    QCOMPARE(detector_->pod().requestLog(), APPLICATION_CHAIN + QStringList(4, QStringLiteral("GET 111")));
}

// The type passed to start chooses the password; the bootloader's does not open the application.
void TestApplicationInquirers::loginUsesTheTypeGiven() {
    detector_ = plugDetector(PodMode::Application);
    Link link(detector_->location());
    StatusReportingMuppetApplicationInquirer inquirer(link.centre, shortTiming());
    Outcome outcome;
    inquirer.start(
        145, [&](const auto&) { ++outcome.successes; }, [&] { ++outcome.failures; });
    QTRY_COMPARE(outcome.count(), 1);
    QCOMPARE(outcome.failures, 1);
    QVERIFY(!detector_->pod().isOperatorLoggedIn());
    QCOMPARE(detector_->pod().requestCount(111), 0);
}

void TestApplicationInquirers::cancelAtEachStep_data() {
    QTest::addColumn<int>("stalledCommand");
    QTest::addColumn<int>("settledWhenSent");

    // The step's request goes unanswered; once the inquiry is cancelled nothing more may reach the
    // handlers, not even the login, which is left to run out, or the validity read it then starts.
    for (int command : {3, 35, 56, 17, 110, 111}) {
        QTest::addRow("GET %d", command) << command << command;
    }
    QTest::newRow("login session") << 81 << 111;
}

void TestApplicationInquirers::cancelAtEachStep() {
    QFETCH(int, stalledCommand);
    QFETCH(int, settledWhenSent);

    detector_ = plugDetector(PodMode::Application);
    SimulatedComponent& pod = detector_->pod();
    const auto command = static_cast<std::uint16_t>(stalledCommand);
    pod.addFault(command, SimulatedFault::silence(), stalledCommand == 81 ? 3 : SimulatedComponent::kAlways);
    Link link(detector_->location());
    StatusReportingMuppetApplicationInquirer inquirer(link.centre, shortTiming());
    Outcome outcome;
    inquirer.start(
        144, [&](const auto&) { ++outcome.successes; }, [&] { ++outcome.failures; });

    QTRY_VERIFY(pod.requestCount(command) >= 1);
    inquirer.cancel();
    QCOMPARE(inquirer.state(), StatusReportingMuppetApplicationInquirer::Finished);
    QTRY_VERIFY(pod.requestCount(static_cast<std::uint16_t>(settledWhenSent)) >= 1);
    const int settled = link.ticks;
    QTRY_VERIFY(link.ticks > settled + 30);
    QCOMPARE(outcome.count(), 0);
}

void TestApplicationInquirers::bootloaderCancelLeavesTheProductTypeReadRunning() {
    detector_ = plugDetector(PodMode::Bootloader);
    SimulatedComponent& pod = detector_->pod();
    pod.addFault(20, SimulatedFault::silence());
    Link link(detector_->location());
    fwup::IdentificationTiming timing = shortTiming();
    timing.productTypeFirstTimeoutMs = 500; // time to cancel before the resend
    fwup::MbuBootloaderMuppetApplicationInquirer inquirer(link.centre, timing);
    Outcome outcome;
    inquirer.start([&](const auto&) { ++outcome.successes; }, [&] { ++outcome.failures; });

    QTRY_COMPARE(pod.requestCount(20), 1);
    inquirer.cancel();
    // The resent product-type read is answered and still leads to a login and the version read.
    QTRY_COMPARE(pod.requestCount(3), 1);
    QVERIFY(pod.isOperatorLoggedIn());
    const int settled = link.ticks;
    QTRY_VERIFY(link.ticks > settled + 30);
    QCOMPARE(outcome.count(), 0);
    QCOMPARE(pod.requestLog(), QStringList{QStringLiteral("GET 20")} + BOOTLOADER_CHAIN.mid(0, 5));
}

void TestApplicationInquirers::tamarindRestartAfterCancel_data() {
    QTest::addColumn<bool>("lateLoginSucceeds");

    QTest::newRow("late login succeeds") << true;
    QTest::newRow("late login is refused") << false;
}

// The sub-system's inquirer may be started again after a cancel while the cancelled inquiry's login
// still runs. Whatever that login ends in belongs to the cancelled inquiry: it reaches none of its
// handlers, and neither finishes nor disturbs the inquiry that runs now.
void TestApplicationInquirers::tamarindRestartAfterCancel() {
    QFETCH(bool, lateLoginSucceeds);

    using namespace getter_test;
    auto centre = std::make_shared<cvsw::muppet::ControlCentre>();
    cuu::test::ControlCentreDevice device(centre);
    login_test::LoginScript login;
    login.silentSession = -1;
    bool holdModel = false;
    int validityRequests = 0;
    device.setResponder([&](const Message& request) -> std::vector<Message> {
        switch (login_test::idOf(request)) {
        case 3:
            return {infReply(3, "0102030000")};
        case 35:
            return {infReply(35, "07")};
        case 17:
            return {infReply(17, "000102030405060708090a0b0c0d0e0f")};
        case 110:
            return holdModel ? std::vector<Message>{} : std::vector<Message>{infReply(110, "01")};
        case 111:
            ++validityRequests;
            return {infReply(111, "010000000500000005")};
        default:
            return login_test::answer(login, request);
        }
    });
    device.startServicing();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(1);
    const auto requestsOf = [&](std::uint16_t id) {
        return std::count_if(device.requests().begin(), device.requests().end(),
                             [id](const Message& request) { return login_test::idOf(request) == id; });
    };

    // Long enough a wait for each question that the held model read outlasts the late login.
    fwup::IdentificationTiming timing = shortTiming();
    timing.attemptLimit = 50;
    timing.loginStepTimeoutMs = 100;
    fwup::TamarindMuppetApplicationInquirer inquirer(centre, timing);
    Outcome cancelled;
    inquirer.start(
        161, [&](const auto&) { ++cancelled.successes; }, [&] { ++cancelled.failures; });
    QTRY_VERIFY(requestsOf(login_test::Session::ID) >= 1);
    inquirer.cancel();

    holdModel = true;
    Outcome current;
    std::optional<fwup::TamarindMuppetApplicationInquirer::ApplicationDetails> details;
    inquirer.start(
        161,
        [&](const auto& received) {
            ++current.successes;
            details = received;
        },
        [&] { ++current.failures; });
    QTRY_VERIFY(requestsOf(110) >= 2);

    // The cancelled inquiry's login ends now, while the current one waits for its model.
    const auto sessionRequests = requestsOf(login_test::Session::ID);
    login.silentSession = 0;
    login.sessionAsErr = !lateLoginSucceeds;
    if (lateLoginSucceeds) {
        QTRY_COMPARE(requestsOf(login_test::Login::ID), 1);
    } else {
        QTRY_VERIFY(requestsOf(login_test::Session::ID) > sessionRequests);
    }
    const int settled = ticks;
    QTRY_VERIFY(ticks > settled + 30);
    QCOMPARE(cancelled.count(), 0);
    QCOMPARE(current.count(), 0);
    QCOMPARE(validityRequests, 0);

    login.sessionAsErr = false;
    holdModel = false;
    QTRY_COMPARE(current.count(), 1);
    QCOMPARE(current.successes, 1);
    QCOMPARE(details->productModel, std::uint8_t(1));
    QVERIFY(details->validityAnswered);
    QCOMPARE(validityRequests, 1);
    const int finished = ticks;
    QTRY_VERIFY(ticks > finished + 30);
    QCOMPARE(cancelled.count(), 0);
    QCOMPARE(current.count(), 1);
}

QTEST_GUILESS_MAIN(TestApplicationInquirers)

#include "tst_application_inquirers.moc"
