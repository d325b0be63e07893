#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/controlled_connection.h"
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/communication/muppet_connection.h"
#include "muppet/control_centre.h"
#include "muppet/file_put_lpd_command.h"
#include "muppet/lpd_vector.h"
#include "muppet/user_login_session_command.h"
#include "tests/fwup/communication/connection_test_support.h"
#include "tests/fwup/communication/control_message_recorder.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/simulated_detector.h"
#include "tests/support/simulated_detector/simulated_hid_port.h"

#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

using cuu::test::ControlMessageRecorder;
using cuu::test::FakeHidBus;
using cuu::test::FakeHidDevice;
using cuu::test::hex;
using cuu::test::serviceUntil;
using cuu::test::SimulatedDetector;
using cvsw::muppet::ControlCentre;
using cvsw::muppet::control::LpdVector;
using cvsw::muppet::control::Mode;
using fwup::MuppetCommandExchange;
using fwup::MuppetConnection;

namespace command_id = cuu::test::command_id;

namespace {

using FilePut = cvsw::muppet::control::FilePutLpdCommand<LpdVector<unsigned short>>;
using LoginSession = cvsw::muppet::control::UserLoginSessionCommand<LpdVector<unsigned char>>;

constexpr int kSessionLength = 150;
const QByteArray kProductTypeRequest = hex("020014");
const QByteArray kSessionRequest = hex("02005101");

std::shared_ptr<MuppetConnection> openConnection(const QString& location) {
    auto connection = MuppetConnection::establishConnection(location);
    if (!connection) {
        qFatal("no connection to the simulated detector");
    }
    return connection;
}

QString tunnelLocation(const SimulatedDetector& detector) {
    return QStringLiteral("TNLV3::1::OUT::0::") + detector.location();
}

QByteArray ramp(int size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + 1);
    }
    return bytes;
}

void queue(ControlCentre& controlCentre, const QByteArray& message) {
    controlCentre.queueMessage(std::vector<std::uint8_t>(message.begin(), message.end()));
}

// The asker services until the device has its request, while the device's answer is held back;
// returns the answer's reports for the test to hand out.
QList<QByteArray> sendHoldingAnswer(SimulatedDetector& detector, MuppetConnection& asker,
                                    const std::function<bool()>& received) {
    detector.port()->setReadStalls(FakeHidDevice::kAlways);
    const bool sent = serviceUntil(asker, received);
    detector.port()->setReadStalls(0);
    return sent ? detector.port()->takePendingReports() : QList<QByteArray>();
}

// Hands out the reports one at a time; reader(i) services after report i arrived.
void handOut(SimulatedDetector& detector, const QList<QByteArray>& reports,
             const std::function<MuppetConnection&(qsizetype)>& reader) {
    for (qsizetype i = 0; i < reports.size(); ++i) {
        detector.port()->pushReport(reports.at(i));
        reader(i).service();
    }
}

} // namespace

class TestSharedConnection : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void answerReachesTheAsker_data();
    void answerReachesTheAsker();
    void framesOfTwoConnectionsStayWhole();
    void exchangeOnEachConnectionAtOnce_data();
    void exchangeOnEachConnectionAtOnce();
    void controlledConnectionReopensOnTheSameHandle();
    void controlledConnectionClosedByItsOwnReply();
};

void TestSharedConnection::initTestCase() {
    fwup::muppet_connection_mechanism_factory_registry().append(
        QSharedPointer<fwup::HidConnectionMechanismFactory>::create(
            fwup::HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY));
}

void TestSharedConnection::cleanupTestCase() {
    fwup::muppet_connection_mechanism_factory_registry().clear();
}

void TestSharedConnection::cleanup() {
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestSharedConnection::answerReachesTheAsker_data() {
    QTest::addColumn<QString>("asker");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("readers");
    QTest::addColumn<int>("reports");

    // The asker is a second connection to the pod, a tunnel to the Tamarind opened from the pod's
    // location, or a tunnel on the pod connection itself; the other owner holds the pod connection.
    // The letters say whose owner services after each report of the answer arrives (Asker, Other);
    // the last one repeats.
    const QString pod = QStringLiteral("pod");
    const QString tunnel = QStringLiteral("tunnel");
    const QByteArray& productType = kProductTypeRequest;
    const QByteArray& session = kSessionRequest;
    QTest::newRow("one report, the asker reads") << pod << productType << "A" << 1;
    QTest::newRow("one report, the other owner reads") << pod << productType << "O" << 1;
    QTest::newRow("several reports, the asker reads") << pod << session << "A" << 3;
    QTest::newRow("several reports, the other owner reads") << pod << session << "O" << 3;
    QTest::newRow("several reports, the other owner begins") << pod << session << "OA" << 3;
    QTest::newRow("several reports, the asker begins") << pod << session << "AO" << 3;
    QTest::newRow("tunnel, the tunnel reads") << tunnel << productType << "A" << 1;
    QTest::newRow("tunnel, the pod's owner reads") << tunnel << productType << "O" << 1;
    QTest::newRow("tunnel, several reports, split") << tunnel << session << "OA" << 3;
    QTest::newRow("tunnel on the pod connection, the tunnel reads")
        << "tunnel on pod" << productType << "A" << 1;
    QTest::newRow("tunnel on the pod connection, the pod's owner reads")
        << "tunnel on pod" << productType << "O" << 1;
}

void TestSharedConnection::answerReachesTheAsker() {
    QFETCH(QString, asker);
    QFETCH(QByteArray, request);
    QFETCH(QString, readers);
    QFETCH(int, reports);

    SimulatedDetector detector;
    detector.pod().setSessionLength(kSessionLength);
    detector.tamarind().setSessionLength(kSessionLength);
    detector.plug();
    const auto other = openConnection(detector.location());
    const auto asking = asker == QLatin1String("pod") ? openConnection(detector.location())
                        : asker == QLatin1String("tunnel")
                            ? openConnection(tunnelLocation(detector))
                            : MuppetConnection::establishTunnelOnConnection(other, tunnelLocation(detector));
    QCOMPARE(detector.port()->openHandleCount(), 1);
    const bool tunnelled = asker != QLatin1String("pod");
    const cuu::test::SimulatedComponent& asked = tunnelled ? detector.tamarind() : detector.pod();
    ControlMessageRecorder askerRecorder;
    ControlMessageRecorder otherRecorder;
    asking->addControlCentre(askerRecorder.controlCentre);
    other->addControlCentre(otherRecorder.controlCentre);

    queue(*askerRecorder.controlCentre, request);
    const QList<QByteArray> answer =
        sendHoldingAnswer(detector, *asking, [&] { return !asked.traffic().isEmpty(); });
    QCOMPARE(answer.size(), reports);
    handOut(detector, answer, [&](qsizetype i) -> MuppetConnection& {
        return readers.at(std::min(i, readers.size() - 1)) == QLatin1Char('A') ? *asking : *other;
    });

    QCOMPARE(askerRecorder.messages.size(), 1);
    const QByteArray reply = askerRecorder.messages.first();
    QCOMPARE(reply.left(3), QByteArray(1, '\x82') + request.mid(1, 2));
    QCOMPARE(reply.size(), request == kSessionRequest ? 6 + kSessionLength : 9);
    // Every direct connection on the device sees every frame; a Tamarind answer as tunnel data.
    QCOMPARE(otherRecorder.messages, QList<QByteArray>{(tunnelled ? hex("01ff") : QByteArray()) + reply});
}

void TestSharedConnection::framesOfTwoConnectionsStayWhole() {
    SimulatedDetector detector;
    detector.plug();
    const auto a = openConnection(detector.location());
    const auto b = openConnection(detector.location());
    const auto first = std::make_shared<ControlCentre>();
    const auto second = std::make_shared<ControlCentre>();
    a->addControlCentre(first);
    b->addControlCentre(second);

    // Seven reports each: more than one service writes.
    queue(*first, hex("420014") + ramp(400));
    queue(*second, hex("420003") + ramp(400));
    for (int i = 0; i < 20 && detector.pod().traffic().size() < 2; ++i) {
        a->service();
        b->service();
    }
    QCOMPARE(detector.badFrameCount(), 0);
    QCOMPARE(detector.pod().requestLog(), (QStringList{"SET 20", "SET 3"}));
}

void TestSharedConnection::exchangeOnEachConnectionAtOnce_data() {
    QTest::addColumn<bool>("throughTunnel");

    QTest::newRow("two connections to the pod") << false;
    QTest::newRow("the pod and the Tamarind behind it") << true;
}

void TestSharedConnection::exchangeOnEachConnectionAtOnce() {
    QFETCH(bool, throughTunnel);

    SimulatedDetector detector;
    detector.pod().setCommandSupported(command_id::FILE_PUT_LPD, true);
    detector.pod().setLoginRequired(command_id::FILE_PUT_LPD, false);
    detector.pod().setSessionLength(kSessionLength);
    detector.tamarind().setSessionLength(kSessionLength);
    detector.plug();
    cuu::test::SimulatedComponent& asked = throughTunnel ? detector.tamarind() : detector.pod();

    // Each owner services its own connection from its own timer, as the program's agents do: one
    // puts a file chunk of several reports, the other asks for a session, whose answer takes several
    // reports, as the login agent does.
    const auto a = openConnection(detector.location());
    const auto b = openConnection(throughTunnel ? tunnelLocation(detector) : detector.location());
    const auto putCentre = std::make_shared<ControlCentre>();
    const auto sessionCentre = std::make_shared<ControlCentre>();
    a->addControlCentre(putCentre);
    b->addControlCentre(sessionCentre);
    MuppetCommandExchange<FilePut> put(putCentre, 2, 3000, 3000);
    QTimer pumpA;
    QTimer pumpB;
    QObject::connect(&pumpA, &QTimer::timeout, &pumpA, [&a] { a->service(); });
    QObject::connect(&pumpB, &QTimer::timeout, &pumpB, [&b] { b->service(); });
    pumpA.start(1);
    pumpB.start(1);

    const QByteArray chunk = ramp(300);
    std::optional<std::uint32_t> putEnd;
    std::optional<QByteArray> sessionBytes;
    int failures = 0;
    put.start({[&chunk] {
                   auto command = std::make_unique<FilePut>(Mode::SET);
                   command->fileId = 11000;
                   command->fileData.bytes.assign(chunk.begin(), chunk.end());
                   return command;
               },
               [&putEnd](const FilePut& reply) { putEnd = reply.offset; },
               [&failures](auto) {
                   ++failures;
               }});
    sessionCentre->setHandler<LoginSession>([&sessionBytes](std::unique_ptr<LoginSession>&& reply) {
        sessionBytes = QByteArray(reinterpret_cast<const char*>(reply->session.bytes.data()),
                                  qsizetype(reply->session.bytes.size()));
    });
    LoginSession sessionRequest(Mode::GET);
    sessionRequest.hashAlgorithm = 1;
    sessionCentre->queueCommand(sessionRequest);

    QTRY_VERIFY_WITH_TIMEOUT((putEnd && sessionBytes) || failures > 0, 10000);
    QCOMPARE(failures, 0);
    QCOMPARE(putEnd, std::optional<std::uint32_t>(300));
    QCOMPARE(detector.pod().file(11000), chunk);
    QCOMPARE(sessionBytes, std::optional<QByteArray>(asked.session()));
    // Both went out whole at the first attempt.
    QCOMPARE(put.resendCount(), 0u);
    QCOMPARE(detector.pod().requestCount(command_id::FILE_PUT_LPD), 1);
    QCOMPARE(asked.requestCount(command_id::USER_LOGIN_SESSION), 1);
    QCOMPARE(detector.badFrameCount(), 0);
}

void TestSharedConnection::controlledConnectionReopensOnTheSameHandle() {
    SimulatedDetector detector;
    detector.plug();
    fwup::ControlledConnection link;
    ControlMessageRecorder recorder;

    QVERIFY(!link.open(QStringLiteral("HID::no-such-device")));
    QVERIFY(!link.isOpen());
    QVERIFY(link.open(detector.location()));
    QVERIFY(link.open(detector.location()));
    // The handle stood across the change: opened once, and open now.
    QCOMPARE(detector.port()->openCount(), 1);
    QCOMPARE(detector.port()->openHandleCount(), 1);

    // The control centre rides on the new connection: its request goes out and is answered.
    link.connection()->addControlCentre(recorder.controlCentre);
    queue(*link.controlCentre(), kProductTypeRequest);
    for (int i = 0; i < 50 && recorder.messages.isEmpty(); ++i) {
        link.service();
    }
    QCOMPARE(detector.pod().requestLog(), QStringList{"GET 20"});
    QCOMPARE(recorder.messages.size(), 1);

    link.close();
    QVERIFY(!link.isOpen());
    QCOMPARE(detector.port()->openHandleCount(), 0);
    link.service();
}

void TestSharedConnection::controlledConnectionClosedByItsOwnReply() {
    SimulatedDetector detector;
    detector.plug();
    fwup::ControlledConnection link;
    QVERIFY(link.open(detector.location()));
    int replies = 0;
    link.controlCentre()->setHandler<LoginSession>([&](std::unique_ptr<LoginSession>&&) {
        ++replies;
        link.close();
    });
    LoginSession request(Mode::GET);
    request.hashAlgorithm = 1;
    link.controlCentre()->queueCommand(request);
    for (int i = 0; i < 50 && replies == 0; ++i) {
        link.service();
    }
    QCOMPARE(replies, 1);
    QVERIFY(!link.isOpen());
}

QTEST_GUILESS_MAIN(TestSharedConnection)
#include "tst_shared_connection.moc"
