#include "fwup/communication/connection_mechanism.h"
#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/mcm2m_api_codec.h"
#include "fwup/communication/mcm2m_api_detector_locator.h"
#include "fwup/communication/mcm2m_connection_mechanism_factory.h"
#include "fwup/communication/muppet_connection.h"
#include "muppet/qt_tcp_client_endpoint.h"
#include "tests/fwup/communication/fake_mcm2m_gateway.h"
#include "tests/fwup/communication/product_type_read.h"
#include "tests/support/framing/codec_harness.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using cuu::test::CodecHarness;
using cuu::test::FakeMcm2mGateway;
using cuu::test::readProductType;
using cuu::test::ReceivedFrame;
using cuu::test::Report;
using fwup::MCM2MAPICodec;
using fwup::MCM2MApiDetectorLocator;
using fwup::MCM2MConnectionMechanismFactory;

namespace {

const QUuid kDevice = QUuid::fromString(QLatin1String("{3F2504E0-4F89-41D3-9A0C-0305E82C3301}"));
const QString kDeviceText = QStringLiteral("{3f2504e0-4f89-41d3-9a0c-0305e82c3301}");
const QByteArray kProductTypeRequest = QByteArray::fromHex("020014");
const QByteArray kProductTypeReply = QByteArray::fromHex("820014009000000000");

QByteArray line(const QJsonObject& object) {
    return FakeMcm2mGateway::line(object);
}

QByteArray rxFrame(const QJsonValue& deviceUuid, const QJsonValue& frameType, const QJsonValue& payload) {
    QJsonObject frame;
    if (!frameType.isUndefined()) {
        frame.insert(QStringLiteral("frameType"), frameType);
    }
    if (!payload.isUndefined()) {
        frame.insert(QStringLiteral("payload"), payload);
    }
    QJsonObject notification{{QStringLiteral("name"), QStringLiteral("rxFrame")},
                             {QStringLiteral("frame"), frame}};
    if (!deviceUuid.isUndefined()) {
        notification.insert(QStringLiteral("deviceUuid"), deviceUuid);
    }
    return line({{QStringLiteral("notification"), notification}});
}

QByteArray rxFrame(int frameType, const QByteArray& payload) {
    return rxFrame(kDeviceText, frameType, QString::fromLatin1(payload.toBase64()));
}

QList<QJsonObject> requestsOf(const QByteArray& text) {
    QList<QJsonObject> requests;
    const QByteArrayList lines = text.split('\n');
    for (const QByteArray& entry : lines) {
        if (!entry.isEmpty()) {
            requests.append(
                QJsonDocument::fromJson(entry).object().value(QLatin1String("request")).toObject());
        }
    }
    return requests;
}

QJsonObject device(const QString& uuid, const QString& name) {
    return {{QStringLiteral("uuid"), uuid}, {QStringLiteral("name"), name}};
}

} // namespace

class TestMcm2mTransport : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void encodeConnectsBeforeTheFirstFrame();
    void decode_data();
    void decode();
    void connectAnswerIsMatchedToTheConnectRequest();
    void overLongLinesAreDropped_data();
    void overLongLinesAreDropped();
    void longLineIsScannedOnce();

    void locatorListsTheGatewaysDevices_data();
    void locatorListsTheGatewaysDevices();
    void silentGatewayTimesOut();

    void factoryServesOnlyGatewayLocations();
    void productTypeIsReadThroughTheGateway();
};

void TestMcm2mTransport::cleanup() {
    fwup::muppet_connection_mechanism_factory_registry().clear();
}

void TestMcm2mTransport::encodeConnectsBeforeTheFirstFrame() {
    MCM2MAPICodec codec(kDevice);
    CodecHarness harness(codec);

    const QByteArray first = harness.encode(0xFF, kProductTypeRequest);
    const QByteArray second = harness.encode(0xF4, QByteArray("abcd"));

    // Compact documents, one per line.
    QVERIFY(!first.contains(' ') && !second.contains(' '));
    QCOMPARE(first.count('\n'), 2);
    QVERIFY(second.endsWith('\n') && second.count('\n') == 1);

    const QList<QJsonObject> requests = requestsOf(first + second);
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.at(0).value(QLatin1String("name")).toString(), QStringLiteral("connectToDevice"));
    QCOMPARE(requests.at(0).value(QLatin1String("id")).toInt(), 1);
    QCOMPARE(requests.at(0).value(QLatin1String("parameters")).toObject(),
             (QJsonObject{{QStringLiteral("uuid"), kDeviceText}}));

    QCOMPARE(requests.at(1).value(QLatin1String("name")).toString(), QStringLiteral("sendFrameToDevice"));
    QCOMPARE(requests.at(1).value(QLatin1String("id")).toInt(), 2);
    QCOMPARE(requests.at(1).value(QLatin1String("parameters")).toObject(),
             (QJsonObject{{QStringLiteral("uuid"), kDeviceText},
                          {QStringLiteral("frameType"), 255},
                          {QStringLiteral("payload"), QStringLiteral("AgAU")}}));

    QCOMPARE(requests.at(2).value(QLatin1String("id")).toInt(), 3);
    QCOMPARE(requests.at(2).value(QLatin1String("parameters")).toObject(),
             (QJsonObject{{QStringLiteral("uuid"), kDeviceText},
                          {QStringLiteral("frameType"), 0xF4},
                          {QStringLiteral("payload"), QStringLiteral("YWJjZA==")}}));
    QCOMPARE(harness.notifier.reports, QList<Report>());
}

void TestMcm2mTransport::decode_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QList<ReceivedFrame>>("frames");
    QTest::addColumn<int>("unusableLines");

    const ReceivedFrame reply{0xFF, kProductTypeReply};
    const QByteArray good = rxFrame(0xFF, kProductTypeReply);
    const QJsonValue none(QJsonValue::Undefined);
    const QString payloadText = QString::fromLatin1(kProductTypeReply.toBase64());

    QTest::newRow("rxFrame") << good << 0 << QList<ReceivedFrame>{reply} << 0;
    QTest::newRow("uuid without braces") << rxFrame(kDevice.toString(QUuid::WithoutBraces), 0xFF, payloadText)
                                         << 0 << QList<ReceivedFrame>{reply} << 0;
    QTest::newRow("two lines in one read")
        << good + rxFrame(0xF4, "xy") << 0 << QList<ReceivedFrame>{reply, {0xF4, "xy"}} << 0;
    QTest::newRow("line split over reads") << good + good << 7 << QList<ReceivedFrame>{reply, reply} << 0;
    QTest::newRow("no line feed yet") << good.chopped(1) << 0 << QList<ReceivedFrame>{} << 0;
    QTest::newRow("line that is not JSON")
        << "this is not json\n" + good << 0 << QList<ReceivedFrame>{reply} << 1;
    QTest::newRow("JSON that is no object") << QByteArray("[1,2]\n") << 0 << QList<ReceivedFrame>{} << 1;
    QTest::newRow("empty line") << QByteArray("\n") << 0 << QList<ReceivedFrame>{} << 1;
    QTest::newRow("empty payload") << rxFrame(0xFF, QByteArray()) << 0 << QList<ReceivedFrame>{{0xFF, {}}}
                                   << 0;
    QTest::newRow("payload not Base64")
        << rxFrame(kDeviceText, 0xFF, QStringLiteral("!!!!")) << 0 << QList<ReceivedFrame>{} << 1;
    QTest::newRow("frame type keeps its low byte") << rxFrame(kDeviceText, 0x1F4, payloadText) << 0
                                                   << QList<ReceivedFrame>{{0xF4, kProductTypeReply}} << 0;
    QTest::newRow("another device") << rxFrame(QUuid::createUuid().toString(), 0xFF, payloadText) << 0
                                    << QList<ReceivedFrame>{} << 0;
    QTest::newRow("no device uuid") << rxFrame(none, 0xFF, payloadText) << 0 << QList<ReceivedFrame>{} << 1;
    QTest::newRow("no frame type") << rxFrame(kDeviceText, none, payloadText) << 0 << QList<ReceivedFrame>{}
                                   << 1;
    QTest::newRow("frame type as text")
        << rxFrame(kDeviceText, QStringLiteral("255"), payloadText) << 0 << QList<ReceivedFrame>{} << 1;
    QTest::newRow("no payload") << rxFrame(kDeviceText, 0xFF, none) << 0 << QList<ReceivedFrame>{} << 1;
    QTest::newRow("frame not an object")
        << line({{QStringLiteral("notification"),
                  QJsonObject{{QStringLiteral("name"), QStringLiteral("rxFrame")},
                              {QStringLiteral("deviceUuid"), kDeviceText},
                              {QStringLiteral("frame"), 7}}}})
        << 0 << QList<ReceivedFrame>{} << 1;
    QTest::newRow("another notification")
        << line({{QStringLiteral("notification"),
                  QJsonObject{{QStringLiteral("name"), QStringLiteral("deviceLost")}}}})
        << 0 << QList<ReceivedFrame>{} << 0;
    QTest::newRow("frame response") << line({{QStringLiteral("response"),
                                              QJsonObject{{QStringLiteral("name"),
                                                           QStringLiteral("sendFrameToDevice")},
                                                          {QStringLiteral("requestId"), 9},
                                                          {QStringLiteral("resultCode"), 0}}}})
                                    << 0 << QList<ReceivedFrame>{} << 0;
}

void TestMcm2mTransport::decode() {
    QFETCH(QByteArray, input);
    QFETCH(int, chunk);
    QFETCH(QList<ReceivedFrame>, frames);
    QFETCH(int, unusableLines);

    MCM2MAPICodec codec(kDevice);
    CodecHarness harness(codec);
    harness.decode(input, chunk);

    QCOMPARE(harness.portal.frames, frames);
    QCOMPARE(harness.notifier.reports, QList<Report>(unusableLines, Report{2, 6, -1}));
}

void TestMcm2mTransport::connectAnswerIsMatchedToTheConnectRequest() {
    MCM2MAPICodec codec(kDevice);
    CodecHarness harness(codec);
    harness.encode(0xFF, kProductTypeRequest);

    // The frame went out with id 2 in the same write; the gateway answers the connect (id 1).
    QTest::ignoreMessage(QtDebugMsg, "Response resultCode is non-zero:  5");
    harness.decode(line(
        {{QStringLiteral("response"), QJsonObject{{QStringLiteral("name"), QStringLiteral("connectToDevice")},
                                                  {QStringLiteral("requestId"), 1},
                                                  {QStringLiteral("deviceUuid"), kDeviceText},
                                                  {QStringLiteral("resultCode"), 5}}}}));
    // A refused connect does not stop frames.
    QCOMPARE(requestsOf(harness.encode(0xFF, kProductTypeRequest)).size(), 1);
}

namespace {

constexpr qsizetype kLineLimit = 64 * 1024;

// The good rxFrame line padded with blanks inside the document to exactly length bytes, line feed
// included.
QByteArray paddedTo(const QByteArray& goodLine, qsizetype length) {
    QByteArray padded = goodLine.chopped(2);
    padded += QByteArray(length - goodLine.size(), ' ');
    return padded + "}\n";
}

} // namespace

void TestMcm2mTransport::overLongLinesAreDropped_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<int>("frameCount");
    QTest::addColumn<int>("droppedLines");

    const QByteArray good = rxFrame(0xFF, kProductTypeReply);
    const QByteArray longest = paddedTo(good, kLineLimit + 1);
    const QByteArray tooLong = paddedTo(good, kLineLimit + 2);
    const QByteArray endless(3 * kLineLimit, 'x');

    QTest::newRow("at the limit, in one read") << longest + good << 0 << 2 << 0;
    QTest::newRow("at the limit, in pieces") << longest + good << 64 << 2 << 0;
    QTest::newRow("one byte over, in one read") << good + tooLong + good << 0 << 2 << 1;
    QTest::newRow("one byte over, in pieces") << good + tooLong + good << 64 << 2 << 1;
    QTest::newRow("line feed long after the limit") << endless + "\n" + good << 1000 << 1 << 1;
    QTest::newRow("line feed ends the read") << endless + "\n" + good << int(endless.size()) + 1 << 1 << 1;
    QTest::newRow("line feed starts the read") << endless + "\n" + good << int(endless.size()) << 1 << 1;
    QTest::newRow("two in a row") << endless + "\n" + endless + "\n" + good << 4096 << 1 << 2;
}

// A gateway that never ends its line cannot make the codec hold it without bound; the next line
// after the line feed is read as usual.
void TestMcm2mTransport::overLongLinesAreDropped() {
    QFETCH(QByteArray, input);
    QFETCH(int, chunk);
    QFETCH(int, frameCount);
    QFETCH(int, droppedLines);

    MCM2MAPICodec codec(kDevice);
    CodecHarness harness(codec);
    for (int i = 0; i < droppedLines; ++i) {
        QTest::ignoreMessage(QtWarningMsg, "Dropped a gateway line longer than 65536 bytes");
    }
    harness.decode(input, chunk);

    QCOMPARE(harness.portal.frames, QList<ReceivedFrame>(frameCount, ReceivedFrame{0xFF, kProductTypeReply}));
    QCOMPARE(harness.notifier.reports, QList<Report>(droppedLines, Report{2, 6, -1}));
}

// Each read scans only the bytes it brought: rescanning the pending line from its start made a
// long line fed in small reads cost time by the square of its length (here some 5 s against well
// under 100 ms in the debug build).
void TestMcm2mTransport::longLineIsScannedOnce() {
    const QByteArray good = rxFrame(0xFF, kProductTypeReply);
    const QByteArray input = paddedTo(good, 60 * 1024);

    MCM2MAPICodec codec(kDevice);
    CodecHarness harness(codec);
    QElapsedTimer timer;
    timer.start();
    harness.decode(input, 2);
    const qint64 elapsedMs = timer.elapsed();

    QCOMPARE(harness.portal.frames, (QList<ReceivedFrame>{{0xFF, kProductTypeReply}}));
    QVERIFY2(elapsedMs < 1000, QByteArray::number(elapsedMs).constData());
}

void TestMcm2mTransport::locatorListsTheGatewaysDevices_data() {
    QTest::addColumn<QByteArrayList>("greeting");
    QTest::addColumn<bool>("splitAnswer");
    QTest::addColumn<QJsonArray>("devices");
    QTest::addColumn<QStringList>("expectedUuids");

    const QString first = QStringLiteral("{0b7c0c1e-5f4a-4f38-9a55-6a1f8e3c0001}");
    const QString second = QStringLiteral("0b7c0c1e-5f4a-4f38-9a55-6a1f8e3c0002");
    const QJsonArray two{device(first, QStringLiteral("Lodestar pod")),
                         device(second, QStringLiteral("Other"))};
    const QByteArray hello = line(
        {{QStringLiteral("notification"), QJsonObject{{QStringLiteral("name"), QStringLiteral("hello")}}}});

    QTest::newRow("two devices, in order, uuid text unchanged")
        << QByteArrayList{hello} << false << two << QStringList{first, second};
    QTest::newRow("no devices") << QByteArrayList{hello} << false << QJsonArray() << QStringList();
    QTest::newRow("a line that is not JSON comes first")
        << QByteArrayList{"this is not json\n", hello} << false << two << QStringList{first, second};
    QTest::newRow("greeting in the same write as other lines")
        << QByteArrayList{"this is not json\n" + hello} << false << two << QStringList{first, second};
    QTest::newRow("answer split over two writes")
        << QByteArrayList{hello} << true << two << QStringList{first, second};
    QTest::newRow("greeting split over two writes")
        << QByteArrayList{hello.left(10), hello.mid(10)} << false << two << QStringList{first, second};
    QTest::newRow("a response to another request first")
        << QByteArrayList{line({{QStringLiteral("response"), QJsonObject{{QStringLiteral("requestId"), 0}}}})}
        << false << two << QStringList{first, second};
}

void TestMcm2mTransport::locatorListsTheGatewaysDevices() {
    QFETCH(QByteArrayList, greeting);
    QFETCH(bool, splitAnswer);
    QFETCH(QJsonArray, devices);
    QFETCH(QStringList, expectedUuids);

    FakeMcm2mGateway gateway;
    gateway.setGreeting(greeting);
    gateway.setSplitAnswers(splitAnswer);
    gateway.setDevices(devices);
    QVERIFY(gateway.listen());

    MCM2MApiDetectorLocator locator;
    QCOMPARE(locator.muppetCommanderServer(),
             std::make_pair(QHostAddress(QHostAddress::LocalHost), quint16{9800}));
    locator.setMuppetCommanderServer(QHostAddress::LocalHost, gateway.port());

    QElapsedTimer clock;
    clock.start();
    const QStringList locations = locator.getConnectedDetectors();

    QStringList expected;
    for (const QString& uuid : expectedUuids) {
        expected << QStringLiteral("MC_M2M::%1::127.0.0.1::%2").arg(uuid).arg(gateway.port());
    }
    QCOMPARE(locations, expected);
    // The answer ends the wait; only a silent gateway costs the whole time-out.
    QVERIFY2(clock.elapsed() < locator.responseTimeout() / 2, qPrintable(QString::number(clock.elapsed())));
    // The request goes out in its fixed text, once per line that was not the answer.
    QVERIFY(!gateway.requests().isEmpty());
    QCOMPARE(gateway.requests().first().value(QLatin1String("name")).toString(),
             QStringLiteral("getAvailableDevices"));
    QCOMPARE(gateway.requests().first().value(QLatin1String("id")).toInt(), 1);
}

void TestMcm2mTransport::silentGatewayTimesOut() {
    FakeMcm2mGateway gateway;
    gateway.setGreeting({});
    QVERIFY(gateway.listen());
    MCM2MApiDetectorLocator locator;
    locator.setMuppetCommanderServer(QHostAddress::LocalHost, gateway.port());
    locator.setResponseTimeout(200);

    QElapsedTimer clock;
    clock.start();
    QCOMPARE(locator.getConnectedDetectors(), QStringList());
    QVERIFY(clock.elapsed() >= 200);
    // It never spoke, so it was never asked.
    QCOMPARE(gateway.requests().size(), 0);
}

void TestMcm2mTransport::factoryServesOnlyGatewayLocations() {
    MCM2MConnectionMechanismFactory factory;
    QVERIFY(!factory.tryCreate(QStringLiteral("HID::0x2e7a::0x1320::/dev/hidraw0")));
    QTest::ignoreMessage(QtDebugMsg, "Invalid device UUID string.");
    QVERIFY(!factory.tryCreate(QStringLiteral("MC_M2M::not-a-uuid::127.0.0.1::9800")));

    const QString location = QStringLiteral("MC_M2M::%1::127.0.0.1::9").arg(kDeviceText);
    auto mechanism = factory.tryCreate(location);
    QVERIFY(mechanism);
    QVERIFY(dynamic_cast<MCM2MAPICodec*>(mechanism->codec.get()) != nullptr);
    QVERIFY(dynamic_cast<cvsw::muppet::QtTcpClientEndpoint*>(mechanism->endpoint.get()) != nullptr);
    QCOMPARE(factory.tryCreate(location), mechanism);
}

void TestMcm2mTransport::productTypeIsReadThroughTheGateway() {
    FakeMcm2mGateway gateway;
    gateway.setDevices({device(gateway.podUuid().toString(), QStringLiteral("Lodestar pod"))});
    QVERIFY(gateway.listen());
    fwup::muppet_connection_mechanism_factory_registry().append(
        QSharedPointer<MCM2MConnectionMechanismFactory>::create());

    MCM2MApiDetectorLocator locator;
    locator.setMuppetCommanderServer(QHostAddress::LocalHost, gateway.port());
    const QStringList locations = locator.getConnectedDetectors();
    QCOMPARE(locations.size(), 1);

    const auto connection = fwup::MuppetConnection::establishConnection(locations.first());
    QVERIFY(connection);
    QCOMPARE(readProductType(connection), std::optional<quint16>(144));
    QCOMPARE(gateway.pod().requestLog(), QStringList{"GET 20"});

    // The locator's list request, then the connection's connect and its one frame.
    const QList<QJsonObject> requests = gateway.requests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.at(1).value(QLatin1String("name")).toString(), QStringLiteral("connectToDevice"));
    QCOMPARE(requests.at(1).value(QLatin1String("id")).toInt(), 1);
    QCOMPARE(requests.at(2).value(QLatin1String("name")).toString(), QStringLiteral("sendFrameToDevice"));
    QCOMPARE(requests.at(2).value(QLatin1String("id")).toInt(), 2);
    QCOMPARE(requests.at(2)
                 .value(QLatin1String("parameters"))
                 .toObject()
                 .value(QLatin1String("payload"))
                 .toString(),
             QStringLiteral("AgAU"));
}

QTEST_GUILESS_MAIN(TestMcm2mTransport)
#include "tst_mcm2m_transport.moc"
