// The application inquirers against the simulated detector, through the program's own link stack.
#include <QTest>

#include "simulated_system_fixture.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/identification/lodestar_identifier_customisations.h"
#include "fwup/identification/mbu_bootloader_muppet_application_inquirer.h"
#include "fwup/identification/status_reporting_muppet_application_inquirer.h"
#include "fwup/identification/tamarind_muppet_application_inquirer.h"
#include "muppet/control_centre.h"
#include "tests/support/simulated_detector/simulated_fault.h"

#include <QTimer>

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

QTEST_GUILESS_MAIN(TestApplicationInquirers)

#include "tst_application_inquirers.moc"
