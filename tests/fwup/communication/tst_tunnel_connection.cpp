#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/muppet_connection.h"
#include "muppet/control_centre.h"
#include "muppet/product_type_command.h"
#include "tests/fwup/communication/connection_test_support.h"
#include "tests/fwup/communication/control_message_recorder.h"
#include "tests/fwup/communication/framed_hid_device.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"

#include <QTest>

#include <memory>
#include <utility>
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
using fwup::FrameHandler;
using fwup::MuppetConnection;

namespace {

const QString kPath = QStringLiteral("/dev/hidraw2");
const QString kLocation = QStringLiteral("HID::0x2e7a::0x1320::/dev/hidraw2");
const QString kTunnelLocation = QStringLiteral("TNLV3::1::OUT::0::") + kLocation;

const QByteArray kProductTypeRequest = hex("020014");

// A product-type reply as the gateway forwards it to channel 1.
ReceivedFrame tunnelledReply(quint16 productType) {
    return {0xF4, hex("01ff") + productTypeReply(productType)};
}

// An outer connection played by the test: records what the tunnel queues on it and hands scripted
// frames to the frame handler of its next service. Each payload is handed out in storage of exactly
// its size, so a read past its end shows under the address sanitizer.
class ScriptedConnection final : public MuppetConnection {
public:
    void service() override { ++serviceCalls; }

    void service(FrameHandler& handler) override {
        ++serviceCalls;
        const QList<ReceivedFrame> frames = std::exchange(inbound, {});
        for (const ReceivedFrame& frame : frames) {
            const std::vector<char> storage(frame.payload.begin(), frame.payload.end());
            const QByteArray exact = storage.empty()
                                         ? QByteArray()
                                         : QByteArray::fromRawData(storage.data(), qsizetype(storage.size()));
            handler.handleFrame(frame.type, exact);
        }
    }

    void sendFrame(std::uint8_t frameType, const QByteArray& payload) override {
        sent << describe(frameType, payload);
    }

    QList<ReceivedFrame> inbound;
    QStringList sent;
    int serviceCalls = 0;
};

} // namespace

class TestTunnelConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void setUpThenDataFrames_data();
    void setUpThenDataFrames();
    void tunnelOnConnectionRejects();
    void inboundRouting_data();
    void inboundRouting();
    void controlCentresDrainedAfterOuterService();
    void conversationOverTheDevice();
    void oneByteTunnelFrameFromTheDevice();
    void nestedTunnelServiceDeliversEachFrameOnceInOrder();
    void frameReadByTheOuterConnectionReachesTheTunnel();

private:
    std::shared_ptr<FramedHidDevice> device_;
};

void TestTunnelConnection::initTestCase() {
    fwup::muppet_connection_mechanism_factory_registry().append(
        QSharedPointer<fwup::HidConnectionMechanismFactory>::create(
            fwup::HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY));
}

void TestTunnelConnection::cleanupTestCase() {
    fwup::muppet_connection_mechanism_factory_registry().clear();
}

void TestTunnelConnection::init() {
    device_ = std::make_shared<FramedHidDevice>(0x2E7A, 0x1320, kPath);
    FakeHidBus::instance().plug(device_);
}

void TestTunnelConnection::cleanup() {
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
    device_.reset();
}

void TestTunnelConnection::setUpThenDataFrames_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QStringList>("sent");

    QTest::newRow("port 1, OUT, forwarding 0")
        << QStringLiteral("TNLV3::1::OUT::0::X") << QStringList{"f5 4201a2", "f5 440100", "f4 11ff020014"};
    QTest::newRow("port 3, OUT, forwarding 7")
        << QStringLiteral("TNLV3::3::OUT::7::X") << QStringList{"f5 4203a2", "f5 440307", "f4 13ff020014"};
    // IN leaves bit 4 clear; port 20 is capped to channel 15.
    QTest::newRow("port 20, IN, forwarding 5")
        << QStringLiteral("TNLV3::20::IN::5::X") << QStringList{"f5 420fa2", "f5 440f05", "f4 0fff020014"};
    // Only the low byte counts: port 258 is channel 2, forwarding port 300 (low byte 44) is sent as 15.
    QTest::newRow("port 258, OUT, forwarding 300") << QStringLiteral("TNLV3::258::OUT::300::X")
                                                   << QStringList{"f5 4202a2", "f5 44020f", "f4 12ff020014"};
}

void TestTunnelConnection::setUpThenDataFrames() {
    QFETCH(QString, location);
    QFETCH(QStringList, sent);

    const auto outer = std::make_shared<ScriptedConnection>();
    const auto tunnel = MuppetConnection::establishTunnelOnConnection(outer, location);
    QVERIFY(tunnel);
    tunnel->sendFrame(0xFF, kProductTypeRequest);
    QCOMPARE(outer->sent, sent);
}

void TestTunnelConnection::tunnelOnConnectionRejects() {
    const auto outer = std::make_shared<ScriptedConnection>();
    QVERIFY(!MuppetConnection::establishTunnelOnConnection(nullptr, QStringLiteral("TNLV3::1::OUT::0::X")));
    QVERIFY(!MuppetConnection::establishTunnelOnConnection(outer, kLocation));
    QVERIFY(!MuppetConnection::establishTunnelOnConnection(outer, QStringLiteral("TNLV3::1::OUT::0")));
    QVERIFY(outer->sent.isEmpty());
}

void TestTunnelConnection::inboundRouting_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("controlMessages");
    QTest::addColumn<QStringList>("handlerFrames");

    // The tunnel under test listens on channel 3.
    QTest::newRow("control message") << 0xF4 << hex("03ff820014") << QStringList{"820014"}
                                     << QStringList{"ff 820014"};
    QTest::newRow("sent towards the gateway") << 0xF4 << hex("13ff820014") << QStringList() << QStringList();
    QTest::newRow("other channel") << 0xF4 << hex("04ff820014") << QStringList() << QStringList();
    QTest::newRow("not tunnel data") << 0xFF << hex("03ff820014") << QStringList() << QStringList();
    QTest::newRow("set-up frame") << 0xF5 << hex("034203") << QStringList() << QStringList();
    QTest::newRow("other inner type") << 0xF4 << hex("0301aabb") << QStringList() << QStringList{"01 aabb"};
    QTest::newRow("address byte only") << 0xF4 << hex("03") << QStringList() << QStringList{"00 "};
    QTest::newRow("address and type only") << 0xF4 << hex("03ff") << QStringList{""} << QStringList{"ff "};
    QTest::newRow("empty") << 0xF4 << QByteArray() << QStringList() << QStringList();
}

void TestTunnelConnection::inboundRouting() {
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, controlMessages);
    QFETCH(QStringList, handlerFrames);

    const auto outer = std::make_shared<ScriptedConnection>();
    const auto tunnel =
        MuppetConnection::establishTunnelOnConnection(outer, QStringLiteral("TNLV3::3::OUT::7::X"));
    ControlMessageRecorder recorder;
    tunnel->addControlCentre(recorder.controlCentre);

    outer->inbound << ReceivedFrame{static_cast<std::uint8_t>(type), payload};
    RecordingFrameHandler handler;
    tunnel->service(handler);
    QCOMPARE(describe(recorder.messages), controlMessages);
    QCOMPARE(handler.frames, handlerFrames);

    // Without a handler of its own the tunnel still feeds its control centres.
    outer->inbound << ReceivedFrame{static_cast<std::uint8_t>(type), payload};
    tunnel->service();
    QCOMPARE(recorder.messages.size(), 2 * controlMessages.size());
    QCOMPARE(handler.frames, handlerFrames);
}

void TestTunnelConnection::controlCentresDrainedAfterOuterService() {
    const auto outer = std::make_shared<ScriptedConnection>();
    const auto tunnel =
        MuppetConnection::establishTunnelOnConnection(outer, QStringLiteral("TNLV3::1::OUT::0::X"));
    const auto first = std::make_shared<ControlCentre>();
    auto released = std::make_shared<ControlCentre>();
    const auto last = std::make_shared<ControlCentre>();
    tunnel->addControlCentre(first);
    tunnel->addControlCentre(released);
    tunnel->addControlCentre(last);
    last->queueMessage({0x02, 0x00, 0x03});
    first->queueMessage({0x02, 0x00, 0x01});
    first->queueMessage({0x02, 0x00, 0x02});
    released->queueMessage({0x02, 0x00, 0x09});
    released.reset();

    QCOMPARE(outer->sent.size(), 2); // the set-up frames
    tunnel->service();
    QCOMPARE(outer->serviceCalls, 1);
    QCOMPARE(outer->sent.mid(2), (QStringList{"f4 11ff020001", "f4 11ff020002", "f4 11ff020003"}));
}

void TestTunnelConnection::conversationOverTheDevice() {
    device_->setResponder([](FramedHidDevice& device, const ReceivedFrame& frame) {
        if (frame.type == 0xF4 && frame.payload == hex("11ff") + kProductTypeRequest) {
            device.sendFrames({tunnelledReply(161)});
        }
    });
    const auto tunnel = MuppetConnection::establishConnection(kTunnelLocation);
    QVERIFY(tunnel);
    const auto controlCentre = std::make_shared<ControlCentre>();
    tunnel->addControlCentre(controlCentre);
    QList<int> productTypes;
    controlCentre->setHandler<ProductTypeCommand>(
        [&](std::unique_ptr<ProductTypeCommand>&& reply) { productTypes << reply->productType; });
    controlCentre->queueCommand(ProductTypeCommand(Mode::GET));

    QVERIFY(serviceUntil(*tunnel, [&] { return !productTypes.isEmpty(); }));
    QCOMPARE(productTypes, QList<int>{161});
    QCOMPARE(describe(device_->receivedFrames()), (QStringList{"f5 4201a2", "f5 440100", "f4 11ff020014"}));
}

void TestTunnelConnection::oneByteTunnelFrameFromTheDevice() {
    const auto tunnel = MuppetConnection::establishConnection(kTunnelLocation);
    QVERIFY(tunnel);
    ControlMessageRecorder recorder;
    tunnel->addControlCentre(recorder.controlCentre);

    device_->sendFrames({{0xF4, hex("01")}, tunnelledReply(161)});
    RecordingFrameHandler handler;
    for (int i = 0; i < 5 && handler.frames.size() < 2; ++i) {
        tunnel->service(handler);
    }
    QCOMPARE(handler.frames,
             (QStringList{"00 ", "ff " + QString::fromLatin1(productTypeReply(161).toHex())}));
    QCOMPARE(describe(recorder.messages), QStringList{QString::fromLatin1(productTypeReply(161).toHex())});
}

void TestTunnelConnection::nestedTunnelServiceDeliversEachFrameOnceInOrder() {
    const auto tunnel = MuppetConnection::establishConnection(kTunnelLocation);
    QVERIFY(tunnel);
    const auto controlCentre = std::make_shared<ControlCentre>();
    tunnel->addControlCentre(controlCentre);

    QList<int> productTypes;
    MuppetConnection* link = tunnel.get();
    controlCentre->setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&& reply) {
        productTypes << reply->productType;
        if (productTypes.size() == 1) {
            device_->sendFrames({tunnelledReply(163)});
            for (int i = 0; i < 3; ++i) {
                link->service();
            }
            // Read by the outer call once the nested ones have returned.
            device_->sendFrames({tunnelledReply(164)});
        }
    });

    device_->sendFrames({tunnelledReply(161), tunnelledReply(162)});
    QCOMPARE(device_->pendingReportCount(), 1);
    tunnel->service();
    QCOMPARE(productTypes, (QList<int>{161, 162, 163, 164}));
}

void TestTunnelConnection::frameReadByTheOuterConnectionReachesTheTunnel() {
    const auto outer = MuppetConnection::establishConnection(kLocation);
    QVERIFY(outer);
    const auto tunnel = MuppetConnection::establishTunnelOnConnection(outer, kTunnelLocation);
    QVERIFY(tunnel);
    const auto controlCentre = std::make_shared<ControlCentre>();
    tunnel->addControlCentre(controlCentre);

    QList<int> productTypes;
    controlCentre->setHandler<ProductTypeCommand>([&](std::unique_ptr<ProductTypeCommand>&& reply) {
        productTypes << reply->productType;
        if (productTypes.size() == 1) {
            // Another agent pumps the outer connection while the tunnel's reply is being handled;
            // what it reads for the tunnel must not be lost.
            device_->sendFrames({tunnelledReply(162)});
            outer->service();
        }
    });

    device_->sendFrames({tunnelledReply(161)});
    tunnel->service();
    QCOMPARE(productTypes, (QList<int>{161, 162}));
}

QTEST_GUILESS_MAIN(TestTunnelConnection)
#include "tst_tunnel_connection.moc"
