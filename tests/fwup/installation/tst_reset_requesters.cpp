// The reset requesters against the simulated detector: the pod restarts into the other mode, leaves
// the bus and comes back at a new path, where enumeration finds it.
#include <QTest>

#include "fwup/communication/hid_detector_locator.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/installation/software_reset_to_application_requester.h"
#include "fwup/installation/software_reset_to_bootloader_requester.h"
#include "tests/fwup/installation/installation_test_support.h"

#include <optional>

using namespace installation_test;

namespace {

constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;
constexpr std::uint8_t FAILED = 8;
constexpr std::uint8_t UNAUTHORISED = 4;
constexpr std::uint64_t WAIT_MS = 150;

enum class Target {
    Bootloader,
    Application,
};

// Both requesters on one control centre, started by target.
struct Requesters {
    explicit Requesters(const std::shared_ptr<cvsw::muppet::ControlCentre>& centre)
        : toBootloader(centre, 0, WAIT_MS, WAIT_MS)
        , toApplication(centre, 0, WAIT_MS, WAIT_MS) {}

    void start(Target target, Ends& ends) {
        if (target == Target::Bootloader) {
            toBootloader.start(ends.onDone(), ends.onFailure());
        } else {
            toApplication.start(ends.onDone(), ends.onFailure());
        }
    }

    fwup::SoftwareResetToBootloaderRequester toBootloader;
    fwup::SoftwareResetToApplicationRequester toApplication;
};

QStringList locate(quint16 productId) {
    return fwup::HidDetectorLocator(SimulatedDetector::kVendorId, productId).getConnectedDetectors();
}

} // namespace

Q_DECLARE_METATYPE(Target)

class TestResetRequesters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void resetToBootloaderAndBack_data();
    void resetToBootloaderAndBack();
    void outcomes_data();
    void outcomes();
    void secondStartWhileWaitingFails();
    void emptyHandlerThrows();

private:
    // Logs the operator in as the program does, and reads the product type first.
    std::optional<cvsw::muppet::ProductTypeId> readTypeAndLogIn(Link& link);

    std::unique_ptr<SimulatedDetector> detector_;
};

void TestResetRequesters::initTestCase() {
    registerLinkStack();
}

void TestResetRequesters::init() {
    detector_ = plugDetector(SimulatedDetector::PodMode::Application);
}

void TestResetRequesters::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestResetRequesters::cleanupTestCase() {
    unregisterLinkStack();
}

std::optional<cvsw::muppet::ProductTypeId> TestResetRequesters::readTypeAndLogIn(Link& link) {
    fwup::ProductTypeGetter getter(link.centre, 3, WAIT_MS, WAIT_MS);
    std::optional<cvsw::muppet::ProductTypeId> type;
    Ends read;
    getter.start([&](const cvsw::muppet::ProductTypeId& value) { type = value; }, read.onFailure());
    if (!QTest::qWaitFor([&] { return type || read.failed; }) || !type) {
        return std::nullopt;
    }
    fwup::OperatorUserLoginAgent login(*link.centre);
    login.setStepAttempts(3);
    login.setStepTimeoutMs(WAIT_MS);
    Ends loggedIn;
    if (*type == 145) {
        login.start(*type, loggedIn.onDone(), loggedIn.onFailure());
    } else {
        login.start(*type, detector_->pod().model(), loggedIn.onDone(), loggedIn.onFailure());
    }
    if (!QTest::qWaitFor([&] { return loggedIn.total() == 1; }) || loggedIn.done != 1) {
        return std::nullopt;
    }
    return type;
}

void TestResetRequesters::resetToBootloaderAndBack_data() {
    QTest::addColumn<int>("leaveDelayMs");
    QTest::addColumn<int>("returnDelayMs");
    QTest::newRow("gone before answering") << 0 << 0;
    QTest::newRow("answers, then leaves and comes back later") << 20 << 100;
}

void TestResetRequesters::resetToBootloaderAndBack() {
    QFETCH(int, leaveDelayMs);
    QFETCH(int, returnDelayMs);
    detector_->setResetTiming(leaveDelayMs, returnDelayMs);
    const QString applicationLocation = detector_->location();
    QCOMPARE(locate(SimulatedDetector::kApplicationProductId), QStringList{applicationLocation});

    auto link = std::make_unique<Link>(applicationLocation);
    QCOMPARE(readTypeAndLogIn(*link), std::optional<cvsw::muppet::ProductTypeId>(144));
    fwup::SoftwareResetToBootloaderRequester toBootloader(link->centre, 0, WAIT_MS, WAIT_MS);
    Ends restarted;
    toBootloader.start(restarted.onDone(), restarted.onFailure());
    QTRY_COMPARE(restarted.total(), 1);
    QCOMPARE(restarted.done, 1);

    // Back at a new path, in the bootloader; nothing is left at the old one.
    QTRY_COMPARE(locate(SimulatedDetector::kBootloaderProductId).size(), 1);
    const QString bootloaderLocation = locate(SimulatedDetector::kBootloaderProductId).first();
    QVERIFY(bootloaderLocation != applicationLocation);
    QVERIFY(locate(SimulatedDetector::kApplicationProductId).isEmpty());
    link = std::make_unique<Link>(bootloaderLocation);
    QCOMPARE(readTypeAndLogIn(*link), std::optional<cvsw::muppet::ProductTypeId>(145));

    fwup::SoftwareResetToApplicationRequester toApplication(link->centre, 0, WAIT_MS, WAIT_MS);
    Ends restartedAgain;
    toApplication.start(restartedAgain.onDone(), restartedAgain.onFailure());
    QTRY_COMPARE(restartedAgain.total(), 1);
    QCOMPARE(restartedAgain.done, 1);

    QTRY_COMPARE(locate(SimulatedDetector::kApplicationProductId).size(), 1);
    const QString newLocation = locate(SimulatedDetector::kApplicationProductId).first();
    QVERIFY(newLocation != applicationLocation && newLocation != bootloaderLocation);
    QVERIFY(locate(SimulatedDetector::kBootloaderProductId).isEmpty());
    link = std::make_unique<Link>(newLocation);
    QCOMPARE(readTypeAndLogIn(*link), std::optional<cvsw::muppet::ProductTypeId>(144));
    QCOMPARE(detector_->podRestartCount(), 2);
    QVERIFY(detector_->linkEvents().contains(QStringLiteral("restart to bootloader")));
    QVERIFY(detector_->linkEvents().contains(QStringLiteral("restart to application")));
}

void TestResetRequesters::outcomes_data() {
    QTest::addColumn<Target>("target");
    QTest::addColumn<std::optional<SimulatedFault>>("fault");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<bool>("done");
    const auto none = std::optional<SimulatedFault>();
    const auto silence = std::optional<SimulatedFault>(SimulatedFault::silence());
    const auto failed = std::optional<SimulatedFault>(SimulatedFault::error(FAILED));
    const auto refused = std::optional<SimulatedFault>(SimulatedFault::error(UNAUTHORISED));
    for (const Target target : {Target::Bootloader, Target::Application}) {
        const char* name = target == Target::Bootloader ? "to bootloader" : "to application";
        QTest::addRow("%s: answered", name) << target << none << true << true;
        QTest::addRow("%s: silence", name) << target << silence << true << true;
        QTest::addRow("%s: error", name) << target << failed << true << false;
        QTest::addRow("%s: unauthorised", name) << target << refused << true << false;
        QTest::addRow("%s: not logged in", name) << target << none << false << false;
    }
}

void TestResetRequesters::outcomes() {
    QFETCH(Target, target);
    QFETCH(std::optional<SimulatedFault>, fault);
    QFETCH(bool, loggedIn);
    QFETCH(bool, done);
    // Answers first and would leave only long after the test.
    detector_->setResetTiming(60000, 0);
    if (loggedIn) {
        detector_->pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    }
    const std::uint16_t commandId =
        target == Target::Bootloader ? command_id::SOFTWARE_RESET_TO_BOOTLOADER : command_id::SOFTWARE_RESET;
    if (fault) {
        detector_->pod().addFault(commandId, *fault);
    }
    Link link(detector_->location());
    Requesters requesters(link.centre);
    Ends ends;

    requesters.start(target, ends);
    QTRY_COMPARE(ends.total(), 1);

    QCOMPARE(ends.done, done ? 1 : 0);
    // One send, never repeated.
    QCOMPARE(detector_->pod().requestLog(), QStringList{QStringLiteral("SET %1").arg(commandId)});
    QCOMPARE(detector_->pod().traffic().first().payload, QByteArray());
}

void TestResetRequesters::secondStartWhileWaitingFails() {
    detector_->pod().setLoggedInUsers(OPERATOR_LOGGED_IN);
    detector_->pod().addFault(command_id::SOFTWARE_RESET, SimulatedFault::silence());
    Link link(detector_->location());
    fwup::SoftwareResetToApplicationRequester requester(link.centre, 0, WAIT_MS, WAIT_MS);
    Ends first;
    Ends second;

    requester.start(first.onDone(), first.onFailure());
    requester.start(second.onDone(), second.onFailure());
    QCOMPARE(second.failed, 1);
    QCOMPARE(first.total(), 0);
    QTRY_COMPARE(first.done, 1);
    QCOMPARE(second.total(), 1);
    QCOMPARE(detector_->pod().requestCount(command_id::SOFTWARE_RESET), 1);
}

void TestResetRequesters::emptyHandlerThrows() {
    Link link(detector_->location());
    Requesters requesters(link.centre);
    Ends ends;
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, requesters.toBootloader.start({}, ends.onFailure()));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, requesters.toApplication.start(ends.onDone(), {}));
}

QTEST_GUILESS_MAIN(TestResetRequesters)
#include "tst_reset_requesters.moc"
