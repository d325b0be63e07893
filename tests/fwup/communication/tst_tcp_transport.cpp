#include "fwup/communication/connection_mechanism.h"
#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/detector_location_string.h"
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/tcp_detector_locator.h"
#include "muppet/qt_tcp_client_endpoint.h"
#include "tests/fwup/communication/product_type_read.h"
#include "tests/fwup/communication/stream_detector.h"

#include <QTest>

using cuu::test::readProductType;
using cuu::test::TcpDetectorServer;
using fwup::TcpDetectorLocator;

namespace {

// No factory of the program serves TCP_CLIENT locations; a configuration that wants them pairs the
// TCP endpoint with the detectors' own framing, as this one does.
class TcpClientFactory final : public fwup::ConnectionMechanismFactory {
public:
    std::shared_ptr<fwup::ConnectionMechanism> tryCreate(const QString& location) override {
        fwup::TcpLocationInfo info;
        if (!fwup::try_split_detector_location_string(location, info)) {
            return {};
        }
        auto endpoint = std::make_unique<cvsw::muppet::QtTcpClientEndpoint>();
        endpoint->socket().connectToHost(info.address, info.port);
        return std::make_shared<fwup::ConnectionMechanism>(fwup::ConnectionMechanism{
            std::move(endpoint), fwup::HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY()});
    }
};

} // namespace

class TestTcpTransport : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void locatorNamesOneAddress_data();
    void locatorNamesOneAddress();
    void productTypeIsReadOverASocket();
};

void TestTcpTransport::cleanup() {
    fwup::muppet_connection_mechanism_factory_registry().clear();
}

void TestTcpTransport::locatorNamesOneAddress_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("message");

    QTest::newRow("loopback") << "127.0.0.1" << 9800 << QStringList{"TCP_CLIENT::127.0.0.1::9800"}
                              << QString();
    QTest::newRow("leading zeros") << "010.000.000.001" << 0 << QStringList{"TCP_CLIENT::010.000.000.001::0"}
                                   << QString();
    QTest::newRow("highest port") << "192.168.1.20" << 65535 << QStringList{"TCP_CLIENT::192.168.1.20::65535"}
                                  << QString();
    QTest::newRow("empty address") << "" << 9800 << QStringList() << R"(No address is provided! "")";
    QTest::newRow("octet above 255") << "256.1.1.1" << 9800 << QStringList()
                                     << R"(Bad address supplied "256.1.1.1")";
    QTest::newRow("host name") << "localhost" << 9800 << QStringList()
                               << R"(Bad address supplied "localhost")";
    QTest::newRow("three octets") << "10.0.1" << 9800 << QStringList() << R"(Bad address supplied "10.0.1")";
}

void TestTcpTransport::locatorNamesOneAddress() {
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(QStringList, expected);
    QFETCH(QString, message);

    if (!message.isEmpty()) {
        QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    }
    TcpDetectorLocator locator(address, static_cast<unsigned short>(port));
    const QStringList locations = locator.getConnectedDetectors();
    QCOMPARE(locations, expected);

    // What the locator names, the location parser takes back.
    for (const QString& location : locations) {
        fwup::TcpLocationInfo info;
        QVERIFY(fwup::try_split_detector_location_string(location, info));
        QCOMPARE(info.port, port);
    }
}

void TestTcpTransport::productTypeIsReadOverASocket() {
    TcpDetectorServer detector;
    QVERIFY(detector.listen());
    fwup::muppet_connection_mechanism_factory_registry().append(QSharedPointer<TcpClientFactory>::create());

    TcpDetectorLocator locator(QStringLiteral("127.0.0.1"), detector.port());
    const QStringList locations = locator.getConnectedDetectors();
    QCOMPARE(locations.size(), 1);

    const auto connection = fwup::MuppetConnection::establishConnection(locations.first());
    QVERIFY(connection);
    QCOMPARE(readProductType(connection), std::optional<quint16>(144));
    QCOMPARE(detector.pod().requestLog(), QStringList{"GET 20"});
    QCOMPARE(detector.connectionCount(), 1);
}

QTEST_GUILESS_MAIN(TestTcpTransport)
#include "tst_tcp_transport.moc"
