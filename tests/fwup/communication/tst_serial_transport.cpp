#include "fwup/communication/connection_mechanism.h"
#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/serial_connection_mechanism_factory.h"
#include "fwup/communication/serial_detector_locator.h"
#include "fwup/communication/serial_port_endpoint.h"
#include "muppet/dle16_escaped_codec.h"
#include "muppet/mcobs1_codec.h"
#include "muppet/seven_e_demarcated_codec.h"
#include "tests/fwup/communication/product_type_read.h"
#include "tests/fwup/communication/stream_detector.h"
#include "tests/support/framing/codec_harness.h"

#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

using cuu::test::bufferOf;
using cuu::test::bytesOf;
using cuu::test::readProductType;
using cuu::test::RecordingNotifier;
using cuu::test::Report;
using cuu::test::SimulatedComponent;
using cuu::test::StreamDeviceSide;
using cvsw::muppet::BasicStdVectorBuffer;
using fwup::SerialConnectionMechanismFactory;
using fwup::SerialDetectorLocator;
using fwup::SerialPortEndpoint;
using Port = SerialDetectorLocator::PortDescription;

namespace {

enum class CodecKind { None, Mcobs1, Dle16, SevenE };

CodecKind kindOf(const cvsw::muppet::Codec* codec) {
    if (dynamic_cast<const cvsw::muppet::Mcobs1Codec*>(codec) != nullptr) {
        return CodecKind::Mcobs1;
    }
    if (dynamic_cast<const cvsw::muppet::Dle16EscapedCodec*>(codec) != nullptr) {
        return CodecKind::Dle16;
    }
    if (dynamic_cast<const cvsw::muppet::SevenEDemarcatedCodec*>(codec) != nullptr) {
        return CodecKind::SevenE;
    }
    return CodecKind::None;
}

// A pseudo-terminal pair: the program opens the slave as its serial port, the test is the device on
// the master.
class PseudoTerminal {
public:
    PseudoTerminal() {
        termios raw{};
        cfmakeraw(&raw);
        char name[256] = {};
        if (openpty(&master_, &slave_, name, &raw, nullptr) == 0) {
            slaveName_ = QString::fromLocal8Bit(name);
            fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
        }
    }
    ~PseudoTerminal() {
        if (master_ >= 0) {
            close(master_);
        }
        if (slave_ >= 0) {
            close(slave_);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool isOpen() const { return master_ >= 0; }
    int master() const { return master_; }
    QString portName() const { return slaveName_; }
    QString location(quint16 productId) const {
        return QStringLiteral("SRL::0x2e7a::0x%1::%2::%2")
            .arg(productId, 4, 16, QLatin1Char('0'))
            .arg(slaveName_);
    }

    QByteArray readMaster() const {
        QByteArray bytes;
        char chunk[256];
        ssize_t n = 0;
        while ((n = ::read(master_, chunk, sizeof chunk)) > 0) {
            bytes.append(chunk, n);
        }
        return bytes;
    }
    bool writeMaster(const QByteArray& bytes) const {
        return ::write(master_, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size();
    }

private:
    int master_ = -1;
    int slave_ = -1;
    QString slaveName_;
};

// Collects the application's log lines while it lives.
class LogCapture {
public:
    LogCapture() {
        lines().clear();
        previous_ = qInstallMessageHandler(&LogCapture::record);
    }
    ~LogCapture() { qInstallMessageHandler(previous_); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static QStringList& lines() {
        static QStringList captured;
        return captured;
    }

private:
    static void record(QtMsgType, const QMessageLogContext&, const QString& message) {
        lines().append(message);
    }

    QtMessageHandler previous_ = nullptr;
};

} // namespace

Q_DECLARE_METATYPE(CodecKind)

class TestSerialTransport : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void locatorListsMatchingPorts_data();
    void locatorListsMatchingPorts();

    void factoryPicksTheProductsCodec_data();
    void factoryPicksTheProductsCodec();
    void productWithoutCodecIsRefusedBeforeOpening();
    void portThatDoesNotOpenGivesNothing();
    void sameLocationSharesTheMechanismWhileHeld();

    void endpointMovesBytesBothWays();
    void closedPortDropsWritesAndReadsNothing();
    void productTypeIsReadOverAPseudoTerminal();
};

void TestSerialTransport::cleanup() {
    fwup::muppet_connection_mechanism_factory_registry().clear();
}

void TestSerialTransport::locatorListsMatchingPorts_data() {
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addColumn<QStringList>("expected");

    // In the system's order: a detector, one of another product, one of another vendor, a port
    // without USB identifiers, and one with small identifiers.
    QTest::newRow("detector product")
        << 0x2E7A << 0x1310 << QStringList{"SRL::0x2e7a::0x1310::ttyACM0::/dev/ttyACM0"};
    QTest::newRow("two ports of one product") << 0x2E7A << 0x1300
                                              << QStringList{"SRL::0x2e7a::0x1300::ttyUSB0::/dev/ttyUSB0",
                                                             "SRL::0x2e7a::0x1300::ttyUSB3::/dev/ttyUSB3"};
    QTest::newRow("zero filter takes ports without identifiers")
        << 0 << 0 << QStringList{"SRL::0x0000::0x0000::ttyS0::/dev/ttyS0"};
    QTest::newRow("small identifiers are padded")
        << 0xAB << 0x1 << QStringList{"SRL::0x00ab::0x0001::cu.x::/dev/cu.x"};
    QTest::newRow("vendor alone is not enough") << 0x2E7A << 0x9999 << QStringList();
    QTest::newRow("product alone is not enough") << 0x1234 << 0x1310 << QStringList();
}

void TestSerialTransport::locatorListsMatchingPorts() {
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    QFETCH(QStringList, expected);

    const QList<Port> ports{
        {QStringLiteral("ttyUSB0"), QStringLiteral("/dev/ttyUSB0"), 0x2E7A, 0x1300},
        {QStringLiteral("ttyACM0"), QStringLiteral("/dev/ttyACM0"), 0x2E7A, 0x1310},
        {QStringLiteral("ttyACM1"), QStringLiteral("/dev/ttyACM1"), 0x1234, 0x1300},
        {QStringLiteral("ttyS0"), QStringLiteral("/dev/ttyS0"), 0, 0},
        {QStringLiteral("ttyUSB3"), QStringLiteral("/dev/ttyUSB3"), 0x2E7A, 0x1300},
        {QStringLiteral("cu.x"), QStringLiteral("/dev/cu.x"), 0xAB, 0x1},
    };
    SerialDetectorLocator locator(static_cast<unsigned short>(vendorId),
                                  static_cast<unsigned short>(productId), [&ports] { return ports; });
    QCOMPARE(locator.getConnectedDetectors(), expected);
}

void TestSerialTransport::factoryPicksTheProductsCodec_data() {
    QTest::addColumn<int>("productId");
    QTest::addColumn<CodecKind>("kind");
    QTest::newRow("0x1300 DLE16") << 0x1300 << CodecKind::Dle16;
    QTest::newRow("0x1301 DLE16") << 0x1301 << CodecKind::Dle16;
    QTest::newRow("0x10b3 7E") << 0x10B3 << CodecKind::SevenE;
    QTest::newRow("0x1310 Mcobs1") << 0x1310 << CodecKind::Mcobs1;
    QTest::newRow("0x1320 none, refused") << 0x1320 << CodecKind::None;
}

void TestSerialTransport::factoryPicksTheProductsCodec() {
    QFETCH(int, productId);
    QFETCH(CodecKind, kind);

    PseudoTerminal terminal;
    QVERIFY(terminal.isOpen());
    SerialConnectionMechanismFactory factory;
    // The vendor field plays no part.
    const QString location = QStringLiteral("SRL::0x1234::0x%1::%2::elsewhere")
                                 .arg(productId, 4, 16, QLatin1Char('0'))
                                 .arg(terminal.portName());
    if (kind == CodecKind::None) {
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression(QStringLiteral("^No codec for serial product id: ")));
    }
    const auto mechanism = factory.tryCreate(location);
    if (kind == CodecKind::None) {
        // A mechanism without a codec would break the connection's first pump pass.
        QVERIFY(!mechanism);
        return;
    }
    QVERIFY(mechanism);
    QCOMPARE(kindOf(mechanism->codec.get()), kind);
    const auto* endpoint = dynamic_cast<const SerialPortEndpoint*>(mechanism->endpoint.get());
    QVERIFY(endpoint != nullptr);
    QVERIFY(endpoint->isOpen());
}

void TestSerialTransport::productWithoutCodecIsRefusedBeforeOpening() {
    SerialConnectionMechanismFactory factory;
    fwup::muppet_connection_mechanism_factory_registry().append(
        QSharedPointer<SerialConnectionMechanismFactory>::create());
    const QString location = QStringLiteral("SRL::0x2e7a::0x1320::no-such-port::/dev/no-such-port");

    LogCapture log;
    QVERIFY(!factory.tryCreate(location));
    // Without a codec the connection's pump would have nothing to frame with, so there is no
    // connection either.
    QVERIFY(!fwup::MuppetConnection::establishConnection(location));
    QVERIFY(LogCapture::lines().contains(QStringLiteral("No codec for serial product id: 4896")));
    for (const QString& line : LogCapture::lines()) {
        QVERIFY2(!line.contains(QLatin1String("Failed to open")), qPrintable(line));
    }
}

void TestSerialTransport::portThatDoesNotOpenGivesNothing() {
    SerialConnectionMechanismFactory factory;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^Failed to open port: ")));
    QTest::ignoreMessage(QtDebugMsg, "Failed to open serial port.");
    QVERIFY(!factory.tryCreate(QStringLiteral("SRL::0x2e7a::0x1310::no-such-port::/dev/no-such-port")));
}

void TestSerialTransport::sameLocationSharesTheMechanismWhileHeld() {
    PseudoTerminal terminal;
    QVERIFY(terminal.isOpen());
    SerialConnectionMechanismFactory factory;
    const QString location = terminal.location(0x1310);

    auto first = factory.tryCreate(location);
    QVERIFY(first);
    QCOMPARE(factory.tryCreate(location), first);
    first.reset();

    // Released: the port was closed and opens again for a new mechanism.
    const auto second = factory.tryCreate(location);
    QVERIFY(second);
    QVERIFY(dynamic_cast<const SerialPortEndpoint*>(second->endpoint.get())->isOpen());
}

void TestSerialTransport::endpointMovesBytesBothWays() {
    PseudoTerminal terminal;
    QVERIFY(terminal.isOpen());
    SerialPortEndpoint endpoint;
    QVERIFY(endpoint.open(terminal.portName()));

    RecordingNotifier notifier;
    BasicStdVectorBuffer tx = bufferOf(QByteArray("\x00\x01\x7e\x10\xff", 5));
    endpoint.write(notifier, tx);
    QCOMPARE(tx.size(), std::size_t{0});
    QByteArray arrived;
    QTRY_COMPARE((arrived += terminal.readMaster()), QByteArray("\x00\x01\x7e\x10\xff", 5));

    QVERIFY(terminal.writeMaster(QByteArray("\x7e\x00reply", 7)));
    BasicStdVectorBuffer rx;
    QTRY_COMPARE((endpoint.read(notifier, rx), bytesOf(rx)), QByteArray("\x7e\x00reply", 7));
    QCOMPARE(notifier.reports, QList<Report>());
}

void TestSerialTransport::closedPortDropsWritesAndReadsNothing() {
    SerialPortEndpoint endpoint;
    RecordingNotifier notifier;
    BasicStdVectorBuffer tx = bufferOf("frame");
    endpoint.write(notifier, tx);
    BasicStdVectorBuffer rx;
    endpoint.read(notifier, rx);

    QCOMPARE(tx.size(), std::size_t{0});
    QCOMPARE(rx.size(), std::size_t{0});
    QCOMPARE(notifier.reports, QList<Report>());
}

void TestSerialTransport::productTypeIsReadOverAPseudoTerminal() {
    PseudoTerminal terminal;
    QVERIFY(terminal.isOpen());
    SimulatedComponent pod(SimulatedComponent::Personality::ControlPodApplication);
    StreamDeviceSide device(pod);
    QSocketNotifier incoming(terminal.master(), QSocketNotifier::Read);
    connect(&incoming, &QSocketNotifier::activated, this, [&] {
        const QByteArray answer = device.receive(terminal.readMaster());
        if (!answer.isEmpty()) {
            terminal.writeMaster(answer);
        }
    });

    fwup::muppet_connection_mechanism_factory_registry().append(
        QSharedPointer<SerialConnectionMechanismFactory>::create());
    SerialDetectorLocator locator(0x2E7A, 0x1310, [&terminal] {
        return QList<Port>{{terminal.portName(), terminal.portName(), 0x2E7A, 0x1310}};
    });
    const QStringList locations = locator.getConnectedDetectors();
    QCOMPARE(locations.size(), 1);

    const auto connection = fwup::MuppetConnection::establishConnection(locations.first());
    QVERIFY(connection);
    QCOMPARE(readProductType(connection), std::optional<quint16>(144));
    QCOMPARE(pod.requestLog(), QStringList{"GET 20"});
}

QTEST_GUILESS_MAIN(TestSerialTransport)
#include "tst_serial_transport.moc"
