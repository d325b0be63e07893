// The self-contained device identifier against a whole simulated detector, through the program's own
// HID connection stack and the pod's tunnel.
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/muppet_connection.h"
#include "fwup/identification/muppet_device_identifier.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/simulated_detector.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using cuu::test::FakeHidBus;
using cuu::test::SimulatedComponent;
using cuu::test::SimulatedDetector;
using cuu::test::SimulatedFault;
namespace command_id = cuu::test::command_id;

namespace {

const QString TUNNEL_PREFIX = QStringLiteral("TNLV3::1::OUT::0::");
// Short for a test, yet with room for an answer that comes late on a busy machine: the tests count
// the requests, and a late answer would bring a resend.
constexpr qint64 WAIT_MS = 100;

QList<cvsw::muppet::ProductTypeId> product_types(const QList<int>& types) {
    QList<cvsw::muppet::ProductTypeId> result;
    for (const int type : types) {
        result.append(cvsw::muppet::ProductTypeId(type));
    }
    return result;
}

} // namespace

class TestMuppetDeviceIdentifier : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void identify_data();
    void identify();
    void userVerificationCodeHasFiveDigits();
    void secondRunStartsAfresh();

private:
    std::unique_ptr<SimulatedDetector> detector_;
};

void TestMuppetDeviceIdentifier::initTestCase() {
    fwup::muppet_connection_mechanism_factory_registry().append(
        QSharedPointer<fwup::HidConnectionMechanismFactory>::create(
            fwup::HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY));
}

void TestMuppetDeviceIdentifier::init() {
    detector_ = std::make_unique<SimulatedDetector>();
}

void TestMuppetDeviceIdentifier::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestMuppetDeviceIdentifier::cleanupTestCase() {
    fwup::muppet_connection_mechanism_factory_registry().clear();
}

void TestMuppetDeviceIdentifier::identify_data() {
    QTest::addColumn<QString>("target"); // "pod", "bootloader" or "gateway"
    QTest::addColumn<QList<int>>("accepted");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<bool>("hasSerial");
    QTest::addColumn<bool>("hasCode");
    QTest::addColumn<int>("fullWaits"); // waits that must have run out before the end
    QTest::addColumn<QStringList>("requests");

    const QStringList once{"GET 20", "GET 35", "GET 56", "GET 17", "GET 3"};
    const QStringList typeOnly{"GET 20", "GET 20", "GET 20", "GET 20"};
    QTest::newRow("pod") << "pod" << QList<int>{144} << "" << true << true << true << 0 << once;
    QTest::newRow("pod in its bootloader")
        << "bootloader" << QList<int>{144, 145} << "" << true << true << true << 0 << once;
    // The gateway has no user verification code and refuses the question.
    QTest::newRow("gateway through the tunnel")
        << "gateway" << QList<int>{161} << "" << true << true << false << 0 << once;
    QTest::newRow("serial number needs a login")
        << "pod" << QList<int>{144} << "serial login" << true << false << true << 0 << once;
    QTest::newRow("user verification code refused")
        << "pod" << QList<int>{144} << "code err" << true << true << false << 0 << once;
    QTest::newRow("serial number refused otherwise, asked again")
        << "pod" << QList<int>{144} << "serial err" << true << true << true << 1
        << once + QStringList{"GET 17"};
    QTest::newRow("short software-version answer, asked again")
        << "pod" << QList<int>{144} << "version short" << true << true << true << 1
        << once + QStringList{"GET 3"};
    QTest::newRow("product type on the third send")
        << "pod" << QList<int>{144} << "type silent 2" << true << true << true << 2
        << QStringList{"GET 20", "GET 20"} + once;
    QTest::newRow("product type of another device")
        << "pod" << QList<int>{161} << "" << false << false << false << 4 << typeOnly;
    QTest::newRow("nothing accepted")
        << "pod" << QList<int>{} << "" << false << false << false << 4 << typeOnly;
    QTest::newRow("product type never answered")
        << "pod" << QList<int>{144} << "type silent" << false << false << false << 4 << typeOnly;
    QTest::newRow("hardware version never answered")
        << "pod" << QList<int>{144} << "hardware silent" << false << false << false << 4
        << once + QStringList{"GET 35", "GET 35", "GET 35"};
    QTest::newRow("two product-type resends leave one for the rest")
        << "pod" << QList<int>{144} << "type silent 2, hardware silent 2" << false << false << false << 4
        << QStringList{"GET 20", "GET 20"} + once + QStringList{"GET 35"};
}

void TestMuppetDeviceIdentifier::identify() {
    QFETCH(QString, target);
    QFETCH(QList<int>, accepted);
    QFETCH(QString, fault);
    QFETCH(bool, complete);
    QFETCH(bool, hasSerial);
    QFETCH(bool, hasCode);
    QFETCH(int, fullWaits);
    QFETCH(QStringList, requests);

    if (target == QLatin1String("bootloader")) {
        detector_->setPodMode(SimulatedDetector::PodMode::Bootloader);
    }
    detector_->plug();
    const bool gateway = target == QLatin1String("gateway");
    SimulatedComponent& device = gateway ? detector_->tamarind() : detector_->pod();
    device.setHardwareRevision(7);
    device.setUserVerificationCode(12345);
    device.setSoftwareVersion({3, 49, 0});
    device.setBootloaderVersion({1, 2, 3});
    const fwup::Version version =
        target == QLatin1String("bootloader") ? fwup::Version{1, 2, 3} : fwup::Version{3, 49, 0};
    if (fault.contains(QLatin1String("type silent"))) {
        device.addFault(command_id::PRODUCT_TYPE, SimulatedFault::silence(),
                        fault.contains(QLatin1String("type silent 2")) ? 2 : SimulatedComponent::kAlways);
    }
    if (fault.contains(QLatin1String("hardware silent"))) {
        device.addFault(command_id::HARDWARE_VERSION, SimulatedFault::silence(),
                        fault.contains(QLatin1String("hardware silent 2")) ? 2 : SimulatedComponent::kAlways);
    }
    if (fault == QLatin1String("serial login")) {
        device.setLoginRequired(command_id::SERIAL_NUMBER, true);
        QTest::ignoreMessage(QtDebugMsg, "\"Received error UNAUTHORISED for serial number\"");
    } else if (fault == QLatin1String("serial err")) {
        device.addFault(command_id::SERIAL_NUMBER, SimulatedFault::error(8));
    } else if (fault == QLatin1String("code err")) {
        device.addFault(command_id::USER_VERIFICATION_CODE, SimulatedFault::error(8));
        QTest::ignoreMessage(QtDebugMsg, "\"Received error FAILED for user verification code\"");
    } else if (fault == QLatin1String("version short")) {
        device.addFault(command_id::SOFTWARE_VERSION, SimulatedFault::shortInf());
    }
    if (!complete) {
        QTest::ignoreMessage(QtWarningMsg, "Command retry exceeded, giving up");
    }
    const auto connection = fwup::MuppetConnection::establishConnection(
        gateway ? TUNNEL_PREFIX + detector_->location() : detector_->location());
    QVERIFY(connection);
    fwup::MuppetDeviceIdentifier identifier(product_types(accepted));
    QCOMPARE(identifier.replyWaitMs(), qint64(251));
    identifier.setReplyWaitMs(WAIT_MS);
    QCOMPARE(identifier.state(), fwup::MuppetDeviceIdentifier::IDLE);
    QVERIFY(!identifier.isRunning());

    QElapsedTimer clock;
    clock.start();
    const std::optional<fwup::MuppetDeviceDetails> details = identifier.identifyDevice(*connection);
    QVERIFY(clock.elapsed() >= fullWaits * WAIT_MS);
    QVERIFY(!identifier.isRunning());
    QCOMPARE(identifier.hasCompletedSuccessfully(), complete);
    QCOMPARE(identifier.state(),
             complete ? fwup::MuppetDeviceIdentifier::COMPLETE : fwup::MuppetDeviceIdentifier::ERROR);
    QCOMPARE(device.requestLog(), requests);
    QCOMPARE(details.has_value(), complete);
    if (!complete) {
        return;
    }
    QCOMPARE(details->productType, std::optional<cvsw::muppet::ProductTypeId>(device.productType()));
    QCOMPARE(details->hardwareRevision, std::optional<std::uint8_t>(7));
    QCOMPARE(details->softwareVersion, std::optional<fwup::Version>(version));
    QCOMPARE(details->serialNumber.has_value(), hasSerial);
    if (hasSerial) {
        QCOMPARE(*details->serialNumber, device.serialNumberText());
    }
    QCOMPARE(details->userVerificationCode.has_value(), hasCode);
    if (hasCode) {
        QCOMPARE(*details->userVerificationCode, 12345u);
    }
}

void TestMuppetDeviceIdentifier::userVerificationCodeHasFiveDigits() {
    detector_->plug();
    detector_->pod().setUserVerificationCode(42);
    const auto connection = fwup::MuppetConnection::establishConnection(detector_->location());
    QVERIFY(connection);
    fwup::MuppetDeviceIdentifier identifier({144});

    QTest::ignoreMessage(QtDebugMsg, "Received device user verification code \"00042\"");
    const std::optional<fwup::MuppetDeviceDetails> details = identifier.identifyDevice(*connection);
    QVERIFY(details);
    QCOMPARE(details->userVerificationCode, std::optional<std::uint32_t>(42));
}

// Answers, questions and the resend budget all belong to one run.
void TestMuppetDeviceIdentifier::secondRunStartsAfresh() {
    detector_->plug();
    SimulatedComponent& pod = detector_->pod();
    pod.setSerialNumber(QByteArray::fromHex("00112233445566778899aabbccddeeff"));
    // The first run spends all three resends on the product type.
    pod.addFault(command_id::PRODUCT_TYPE, SimulatedFault::silence(), 3);
    const auto connection = fwup::MuppetConnection::establishConnection(detector_->location());
    QVERIFY(connection);
    fwup::MuppetDeviceIdentifier identifier({144});
    identifier.setReplyWaitMs(WAIT_MS);

    const std::optional<fwup::MuppetDeviceDetails> first = identifier.identifyDevice(*connection);
    QVERIFY(first);
    QCOMPARE(*first->serialNumber, QStringLiteral("00112233445566778899aabbccddeeff"));

    pod.setSerialNumber(QByteArray::fromHex("ffeeddccbbaa99887766554433221100"));
    pod.addFault(command_id::PRODUCT_TYPE, SimulatedFault::silence(), 1);
    pod.addFault(command_id::USER_VERIFICATION_CODE, SimulatedFault::error(9));
    pod.clearTraffic();
    const std::optional<fwup::MuppetDeviceDetails> second = identifier.identifyDevice(*connection);
    QVERIFY(second);
    QCOMPARE(*second->serialNumber, QStringLiteral("ffeeddccbbaa99887766554433221100"));
    QVERIFY(!second->userVerificationCode); // not carried over from the first run
    QCOMPARE(pod.requestLog(), (QStringList{"GET 20", "GET 20", "GET 35", "GET 56", "GET 17", "GET 3"}));
}

QTEST_GUILESS_MAIN(TestMuppetDeviceIdentifier)
#include "tst_muppet_device_identifier.moc"
