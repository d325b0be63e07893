#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/hid_detector_locator.h"
#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/pump_events.h"
#include "muppet/control_centre.h"
#include "muppet/product_type_command.h"
#include "muppet/serial_number_command.h"
#include "tests/fwup/communication/connection_test_support.h"
#include "tests/fwup/communication/control_message_recorder.h"
#include "tests/fwup/communication/framed_hid_device.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"

#include <QTest>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

using cuu::test::ControlMessageRecorder;
using cuu::test::describe;
using cuu::test::FakeHidBus;
using cuu::test::FramedHidDevice;
using cuu::test::hex;
using cuu::test::productTypeReply;
using cuu::test::ReceivedFrame;
using cuu::test::RecordingFrameHandler;
using cuu::test::serviceUntil;
using cvsw::muppet::ControlCentre;
using cvsw::muppet::control::Mode;
using cvsw::muppet::control::ProductTypeCommand;
using cvsw::muppet::control::SerialNumberCommand;
using fwup::MuppetConnection;

namespace {

const QString kPath = QStringLiteral("/dev/hidraw2");
const QString kLocation = QStringLiteral("HID::0x2e7a::0x1320::/dev/hidraw2");

const QByteArray kProductTypeRequest = hex("020014");
const QByteArray kSerialNumberRequest = hex("020011");

QByteArray serialNumberReply() {
    return hex("820011") + QByteArray(16, 'S');
}

std::vector<std::uint8_t> messageOf(const QByteArray& bytes) {
    return {bytes.begin(), bytes.end()};
}

QByteArray ramp(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i + 1);
    }
    return bytes;
}

} // namespace

class TestMuppetConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void establishConnection_data();
    void establishConnection();
    void locatedDeviceIsOpened();
    void controlMessageLeavesAsMcobs1Reports_data();
    void controlMessageLeavesAsMcobs1Reports();
    void servicePasses_data();
    void servicePasses();
    void replyReachesRegisteredHandler();
    void controlCentresGoFirstInListOrder();
    void everyFrameReachesControlCentresAndFrameHandler();
    void controlCentreRegistration_data();
    void controlCentreRegistration();
    void releasedControlCentreIsDropped();
    void changesDuringDelivery_data();
    void changesDuringDelivery();
    void handlerReplacedWhileRunning();
    void nestedServiceDeliversEachFrameOnceInOrder();
    void agentPumpingEventsInsideHandlerGetsItsReply();
    void handlerReleasingConnectionDuringService();

private:
    std::shared_ptr<MuppetConnection> connect();

    std::shared_ptr<FramedHidDevice> device_;
};

void TestMuppetConnection::initTestCase() {
    fwup::muppet_connection_mechanism_factory_registry().append(
        QSharedPointer<fwup::HidConnectionMechanismFactory>::create(
            fwup::HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY));
}

void TestMuppetConnection::cleanupTestCase() {
    fwup::muppet_connection_mechanism_factory_registry().clear();
}

void TestMuppetConnection::init() {
    device_ = std::make_shared<FramedHidDevice>(0x2E7A, 0x1320, kPath);
    FakeHidBus::instance().plug(device_);
}

void TestMuppetConnection::cleanup() {
    // Every connection of a test is gone by now, so its device must be closed.
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
    device_.reset();
}

std::shared_ptr<MuppetConnection> TestMuppetConnection::connect() {
    auto connection = MuppetConnection::establishConnection(kLocation);
    if (!connection) {
        qFatal("no connection to the simulated device");
    }
    return connection;
}

void TestMuppetConnection::establishConnection_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("deviceOpened");
    QTest::addColumn<QString>("message");

    QTest::newRow("HID") << kLocation << true << true << QString();
    QTest::newRow("HID, upper-case digits")
        << QStringLiteral("HID::0x2E7A::0x1320::/dev/hidraw2") << true << true << QString();
    // The endpoint keeps trying to reopen a device that is not there yet.
    QTest::newRow("device absent") << QStringLiteral("HID::0x2e7a::0x1320::/dev/hidraw9") << true << false
                                   << QString();
    QTest::newRow("foreign vendor") << QStringLiteral("HID::0x1234::0x1320::/dev/hidraw2") << false << false
                                    << QStringLiteral("Unexpected VID: 4660");
    QTest::newRow("malformed HID") << QStringLiteral("HID::0x2e7a::/dev/hidraw2") << false << false
                                   << QStringLiteral("HID detector location information is Invalid");
    QTest::newRow("no factory for the kind")
        << QStringLiteral("TCP_CLIENT::127.0.0.1::9800") << false << false << QString();
    QTest::newRow("tunnel") << QStringLiteral("TNLV3::1::OUT::0::") + kLocation << true << true << QString();
    QTest::newRow("tunnel to a foreign vendor") << QStringLiteral("TNLV3::1::OUT::0::HID::0x1234::0x1320::p")
                                                << false << false << QStringLiteral("Unexpected VID: 4660");
    QTest::newRow("tunnel without inner location")
        << QStringLiteral("TNLV3::1::OUT::0") << false << false << QString();
}

void TestMuppetConnection::establishConnection() {
    QFETCH(QString, location);
    QFETCH(bool, connected);
    QFETCH(bool, deviceOpened);
    QFETCH(QString, message);

    if (!message.isEmpty()) {
        QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    }
    const auto connection = MuppetConnection::establishConnection(location);
    QCOMPARE(bool(connection), connected);
    QCOMPARE(device_->openHandleCount(), deviceOpened ? 1 : 0);
}

void TestMuppetConnection::locatedDeviceIsOpened() {
    const QStringList located = fwup::HidDetectorLocator(0x2E7A, 0x1320).getConnectedDetectors();
    QCOMPARE(located, QStringList{kLocation});

    const auto connection = MuppetConnection::establishConnection(located.first());
    QVERIFY(connection);
    QCOMPARE(FakeHidBus::instance().openPathLog(), QStringList{kPath});
    QCOMPARE(device_->openHandleCount(), 1);
}

void TestMuppetConnection::controlMessageLeavesAsMcobs1Reports_data() {
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("header only") << kProductTypeRequest;
    QTest::newRow("one report") << hex("420014") + ramp(40);
    QTest::newRow("several reports") << hex("420014") + ramp(200);
}

void TestMuppetConnection::controlMessageLeavesAsMcobs1Reports() {
    QFETCH(QByteArray, message);

    const auto connection = connect();
    const auto controlCentre = std::make_shared<ControlCentre>();
    connection->addControlCentre(controlCentre);
    controlCentre->queueMessage(messageOf(message));

    QVERIFY(serviceUntil(*connection, [&] { return !device_->receivedFrames().isEmpty(); }));
    QCOMPARE(describe(device_->receivedFrames()), QStringList{describe(0xFF, message)});

    cvsw::muppet::Mcobs1Codec codec;
    const QByteArray wire = cuu::test::CodecHarness(codec).encode(0xFF, message);
    const QList<QByteArray> reports = device_->writtenReports();
    QCOMPARE(reports.size(), (wire.size() + 63) / 64);
    QByteArray written;
    for (const QByteArray& report : reports) {
        QCOMPARE(report.size(), 65);
        QCOMPARE(report.at(0), '\0'); // report id
        written += report.mid(1);
    }
    QCOMPARE(written.left(wire.size()), wire);
    QCOMPARE(written.mid(wire.size()), QByteArray(written.size() - wire.size(), '\0'));
}

void TestMuppetConnection::servicePasses_data() {
    QTest::addColumn<int>("messageSize");
    QTest::addColumn<int>("reads");
    QTest::addColumn<int>("writes");

    // Nothing to do: both idle after the first pass.
    QTest::newRow("idle") << 0 << 1 << 0;
    // Encoded in the first pass, written in the second, nothing left in the third.
    QTest::newRow("one report") << 3 << 3 << 1;
    // Five passes at most: one to encode, four reports.
    QTest::newRow("more than four reports") << 300 << 5 << 4;
}

void TestMuppetConnection::servicePasses() {
    QFETCH(int, messageSize);
    QFETCH(int, reads);
    QFETCH(int, writes);

    const auto connection = connect();
    const auto controlCentre = std::make_shared<ControlCentre>();
    connection->addControlCentre(controlCentre);
    if (messageSize > 0) {
        controlCentre->queueMessage(messageOf(hex("420014") + ramp(messageSize - 3)));
    }

    connection->service();
    QCOMPARE(device_->readCallCount(), reads);
    QCOMPARE(device_->writeCallCount(), writes);
}

void TestMuppetConnection::replyReachesRegisteredHandler() {
    device_->setResponder([](FramedHidDevice& device, const ReceivedFrame& frame) {
        if (frame.type == 0xFF && frame.payload == kProductTypeRequest) {
            device.sendFrame(0xFF, productTypeReply(144));
        }
    });
    const auto connection = connect();
    const auto controlCentre = std::make_shared<ControlCentre>();
    connection->addControlCentre(controlCentre);

    std::vector<std::unique_ptr<ProductTypeCommand>> replies;
    controlCentre->setHandler<ProductTypeCommand>(
        [&replies](std::unique_ptr<ProductTypeCommand>&& reply) { replies.push_back(std::move(reply)); });
    controlCentre->queueCommand(ProductTypeCommand(Mode::GET));

    QVERIFY(serviceUntil(*connection, [&] { return !replies.empty(); }));
    QCOMPARE(replies.size(), std::size_t{1});
    QCOMPARE(replies.front()->mode, Mode::INF);
    QCOMPARE(replies.front()->productType, 144);
}

void TestMuppetConnection::controlCentresGoFirstInListOrder() {
    const auto connection = connect();
    const auto first = std::make_shared<ControlCentre>();
    const auto second = std::make_shared<ControlCentre>();
    connection->addControlCentre(first);
    connection->addControlCentre(second);

    connection->sendFrame(0x01, hex("aabb"));
    second->queueMessage(messageOf(hex("020003")));
    first->queueMessage(messageOf(hex("020001")));
    first->queueMessage(messageOf(hex("020002")));

    QVERIFY(serviceUntil(*connection, [&] { return device_->receivedFrames().size() == 4; }));
    QCOMPARE(describe(device_->receivedFrames()),
             (QStringList{"ff 020001", "ff 020002", "ff 020003", "01 aabb"}));
}

void TestMuppetConnection::everyFrameReachesControlCentresAndFrameHandler() {
    const auto connection = connect();
    ControlMessageRecorder first;
    ControlMessageRecorder second;
    connection->addControlCentre(first.controlCentre);
    connection->addControlCentre(second.controlCentre);

    device_->sendFrames({{0xF4, hex("01ff820014")}, {0xFF, hex("8200140090")}});
    RecordingFrameHandler handler;
    for (int i = 0; i < 10 && handler.frames.size() < 2; ++i) {
        connection->service(handler);
    }
    const QStringList expected{"01ff820014", "8200140090"};
    QCOMPARE(describe(first.messages), expected);
    QCOMPARE(describe(second.messages), expected);
    QCOMPARE(handler.frames, (QStringList{"f4 01ff820014", "ff 8200140090"}));

    // The handler only sees frames of the calls it was passed to.
    device_->sendFrame(0xFF, hex("8200140091"));
    QVERIFY(serviceUntil(*connection, [&] { return first.messages.size() == 3; }));
    QCOMPARE(handler.frames.size(), 2);
}

void TestMuppetConnection::controlCentreRegistration_data() {
    QTest::addColumn<QStringList>("operations");
    QTest::addColumn<int>("deliveries");

    QTest::newRow("added") << QStringList{"add"} << 1;
    QTest::newRow("added twice") << QStringList{"add", "add"} << 2;
    QTest::newRow("added twice, removed once") << QStringList{"add", "add", "remove"} << 1;
    QTest::newRow("removed") << QStringList{"add", "remove"} << 0;
    QTest::newRow("another removed") << QStringList{"add", "remove other"} << 1;
    QTest::newRow("empty removed") << QStringList{"add", "remove empty"} << 1;
}

void TestMuppetConnection::controlCentreRegistration() {
    QFETCH(QStringList, operations);
    QFETCH(int, deliveries);

    const auto connection = connect();
    ControlMessageRecorder recorder;
    const auto other = std::make_shared<ControlCentre>();
    for (const QString& operation : operations) {
        if (operation == QLatin1String("add")) {
            connection->addControlCentre(recorder.controlCentre);
        } else if (operation == QLatin1String("remove")) {
            connection->removeControlCentre(recorder.controlCentre);
        } else if (operation == QLatin1String("remove other")) {
            connection->removeControlCentre(other);
        } else {
            connection->removeControlCentre(nullptr);
        }
    }

    device_->sendFrame(0xFF, hex("8200140090"));
    for (int i = 0; i < 3; ++i) {
        connection->service();
    }
    QCOMPARE(device_->pendingReportCount(), 0);
    QCOMPARE(recorder.messages.size(), deliveries);
}

void TestMuppetConnection::releasedControlCentreIsDropped() {
    const auto connection = connect();
    auto released = std::make_shared<ControlCentre>();
    released->queueMessage(messageOf(hex("020001")));
    connection->addControlCentre(released);
    ControlMessageRecorder kept;
    connection->addControlCentre(kept.controlCentre);
    kept.controlCentre->queueMessage(messageOf(hex("020002")));
    released.reset();

    device_->sendFrame(0xFF, hex("8200140090"));
    QVERIFY(serviceUntil(*connection, [&] { return !device_->receivedFrames().isEmpty(); }));
    QCOMPARE(describe(device_->receivedFrames()), QStringList{"ff 020002"});
    QCOMPARE(describe(kept.messages), QStringList{"8200140090"});
}

void TestMuppetConnection::changesDuringDelivery_data() {
    QTest::addColumn<QString>("change");
    QTest::addColumn<int>("secondDeliveries");
    QTest::addColumn<int>("thirdDeliveries");

    QTest::newRow("none") << QString() << 1 << 0;
    // The owner of the second is gone: its fallback must not run.
    QTest::newRow("second released") << QStringLiteral("release") << 0 << 0;
    QTest::newRow("second removed") << QStringLiteral("remove") << 0 << 0;
    // A centre added meanwhile waits for the next frame.
    QTest::newRow("third added") << QStringLiteral("add") << 1 << 0;
}

void TestMuppetConnection::changesDuringDelivery() {
    QFETCH(QString, change);
    QFETCH(int, secondDeliveries);
    QFETCH(int, thirdDeliveries);

    const auto connection = connect();
    int secondCount = 0;
    int thirdCount = 0;
    auto second = std::make_shared<ControlCentre>();
    second->setFallback([&secondCount](Mode, auto, auto, auto, auto) { ++secondCount; });
    const auto third = std::make_shared<ControlCentre>();
    third->setFallback([&thirdCount](Mode, auto, auto, auto, auto) { ++thirdCount; });

    const auto first = std::make_shared<ControlCentre>();
    bool changed = false;
    first->setFallback([&](Mode, auto, auto, auto, auto) {
        if (changed) {
            return;
        }
        changed = true;
        if (change == QLatin1String("release")) {
            second.reset();
        } else if (change == QLatin1String("remove")) {
            connection->removeControlCentre(second);
        } else if (change == QLatin1String("add")) {
            connection->addControlCentre(third);
        }
    });
    connection->addControlCentre(first);
    connection->addControlCentre(second);

    device_->sendFrame(0xFF, hex("8200140090"));
    QVERIFY(serviceUntil(*connection, [&] { return changed; }));
    QCOMPARE(secondCount, secondDeliveries);
    QCOMPARE(thirdCount, thirdDeliveries);

    if (change == QLatin1String("add")) {
        device_->sendFrame(0xFF, hex("8200140091"));
        QVERIFY(serviceUntil(*connection, [&] { return thirdCount == 1; }));
    }
}

void TestMuppetConnection::handlerReplacedWhileRunning() {
    const auto connection = connect();
    const auto controlCentre = std::make_shared<ControlCentre>();
    connection->addControlCentre(controlCentre);
    ControlCentre* centre = controlCentre.get();

    QStringList calls;
    // Captured state that the replaced function object owns: reading it after the replacement shows
    // under the address sanitizer if the running handler was destroyed.
    const std::string tag(64, 'x');
    centre->setHandler<ProductTypeCommand>(
        [&calls, centre, tag](std::unique_ptr<ProductTypeCommand>&& reply) {
            calls << QStringLiteral("first %1").arg(reply->productType);
            centre->setHandler<ProductTypeCommand>([&calls](std::unique_ptr<ProductTypeCommand>&& next) {
                calls << QStringLiteral("second %1").arg(next->productType);
            });
            calls << QStringLiteral("first still running %1").arg(tag.size());
        });

    device_->sendFrames({{0xFF, productTypeReply(144)}, {0xFF, productTypeReply(145)}});
    QVERIFY(serviceUntil(*connection, [&] { return calls.size() == 3; }));
    QCOMPARE(calls, (QStringList{"first 144", "first still running 64", "second 145"}));
}

void TestMuppetConnection::nestedServiceDeliversEachFrameOnceInOrder() {
    const auto connection = connect();
    const auto controlCentre = std::make_shared<ControlCentre>();
    connection->addControlCentre(controlCentre);

    QList<int> productTypes;
    MuppetConnection* link = connection.get();
    controlCentre->setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&& reply) {
        productTypes << reply->productType;
        if (productTypes.size() == 1) {
            // The device answers again while the first reply is still being handled, and the
            // handler pumps the connection itself, as an agent waiting for its reply does.
            device_->sendFrame(0xFF, productTypeReply(146));
            for (int i = 0; i < 3; ++i) {
                link->service();
            }
        }
    });

    // Two replies in one report: the second is still waiting when the first one's handler runs.
    device_->sendFrames({{0xFF, productTypeReply(144)}, {0xFF, productTypeReply(145)}});
    QCOMPARE(device_->pendingReportCount(), 1);
    for (int i = 0; i < 3; ++i) {
        connection->service();
    }
    QCOMPARE(productTypes, (QList<int>{144, 145, 146}));
}

void TestMuppetConnection::agentPumpingEventsInsideHandlerGetsItsReply() {
    device_->setResponder([](FramedHidDevice& device, const ReceivedFrame& frame) {
        if (frame.payload == kProductTypeRequest) {
            device.sendFrame(0xFF, productTypeReply(144));
        } else if (frame.payload == kSerialNumberRequest) {
            device.sendFrame(0xFF, serialNumberReply());
        }
    });
    const auto connection = connect();
    const auto controlCentre = std::make_shared<ControlCentre>();
    connection->addControlCentre(controlCentre);

    // The owner's poll timer, which keeps calling service while events are processed.
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, [&connection] { connection->service(); });

    bool serialNumberArrived = false;
    bool arrivedInsideFirstHandler = false;
    controlCentre->setHandler<SerialNumberCommand>(
        [&](std::unique_ptr<SerialNumberCommand>&&) { serialNumberArrived = true; });
    controlCentre->setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&&) {
        // A synchronous step started from a reply handler: ask the next question and wait for its
        // answer by processing events until a deadline.
        controlCentre->queueCommand(SerialNumberCommand(Mode::GET));
        poll.start();
        fwup::pump_events_until([&] { return serialNumberArrived; }, {}, QDeadlineTimer(5000));
        arrivedInsideFirstHandler = serialNumberArrived;
    });

    controlCentre->queueCommand(ProductTypeCommand(Mode::GET));
    QVERIFY(serviceUntil(*connection, [&] { return serialNumberArrived; }));
    poll.stop();
    QVERIFY(arrivedInsideFirstHandler);
    QCOMPARE(describe(device_->receivedFrames()), (QStringList{"ff 020014", "ff 020011"}));
}

void TestMuppetConnection::handlerReleasingConnectionDuringService() {
    auto connection = connect();
    const auto controlCentre = std::make_shared<ControlCentre>();
    connection->addControlCentre(controlCentre);

    int replies = 0;
    controlCentre->setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&&) {
        ++replies;
        // An agent that finishes drops its connection, here the last share of it.
        connection.reset();
    });
    device_->sendFrames({{0xFF, productTypeReply(144)}, {0xFF, productTypeReply(145)}});
    MuppetConnection* link = connection.get();
    link->service();

    QVERIFY(!connection);
    QVERIFY(replies >= 1);
    QCOMPARE(device_->openHandleCount(), 0);
}

QTEST_GUILESS_MAIN(TestMuppetConnection)
#include "tst_muppet_connection.moc"
