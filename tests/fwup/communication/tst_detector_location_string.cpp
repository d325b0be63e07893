#include "fwup/communication/detector_location_string.h"

#include <QTest>

using namespace fwup;

namespace {

// Collects the debug messages logged while it lives.
class DebugMessages {
public:
    DebugMessages() {
        messages_.clear();
        previous_ = qInstallMessageHandler(&DebugMessages::handle);
    }
    ~DebugMessages() { qInstallMessageHandler(previous_); }

    DebugMessages(const DebugMessages&) = delete;
    DebugMessages& operator=(const DebugMessages&) = delete;

    QStringList take() {
        QStringList taken;
        taken.swap(messages_);
        return taken;
    }

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (type == QtDebugMsg) {
            messages_.append(message);
        } else if (previous_ != nullptr) {
            previous_(type, context, message);
        }
    }

    static inline QStringList messages_;
    static inline QtMessageHandler previous_ = nullptr;
};

const QString kHid = QStringLiteral("HID::0x2e7a::0x1321::/dev/hidraw0");

} // namespace

class TestDetectorLocationString : public QObject {
    Q_OBJECT

private slots:
    void hid_data();
    void hid();
    void serial_data();
    void serial();
    void tcp_data();
    void tcp();
    void muppetCommander_data();
    void muppetCommander();
    void tunnel_data();
    void tunnel();
    void cvxValidator_data();
    void cvxValidator();
    void hidValidator_data();
    void hidValidator();
};

void TestDetectorLocationString::hid_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("with prefix") << "HID::0x2e7a::0x1321::path" << true << 0x2E7A << 0x1321 << "path"
                                 << QStringList{};
    QTest::newRow("without prefix") << "HID::2e7a::1321::path" << true << 0x2E7A << 0x1321 << "path"
                                    << QStringList{};
    QTest::newRow("upper case digits")
        << "HID::0x2E7A::0x1320::/dev/hidraw4" << true << 0x2E7A << 0x1320 << "/dev/hidraw4" << QStringList{};
    QTest::newRow("largest ids") << "HID::0xffff::0x0::p" << true << 0xFFFF << 0 << "p" << QStringList{};
    QTest::newRow("empty path") << "HID::0x1::0x2::" << true << 1 << 2 << "" << QStringList{};
    QTest::newRow("vendor too large") << "HID::0x12345::0x1::p" << false << 0 << 0 << ""
                                      << QStringList{"Cannot convert VID string to quint16."};
    QTest::newRow("vendor empty") << "HID::::0x1::p" << false << 0 << 0 << ""
                                  << QStringList{"Cannot convert VID string to quint16."};
    QTest::newRow("product too large") << "HID::0x2e7a::0x10000::p" << false << 0 << 0 << ""
                                       << QStringList{"Cannot convert PID string to quint16."};
    QTest::newRow("product not hexadecimal") << "HID::0x2e7a::g1::p" << false << 0 << 0 << ""
                                             << QStringList{"Cannot convert PID string to quint16."};
    QTest::newRow("path with separator") << "HID::0x2e7a::0x1321::a::b" << false << 0 << 0 << ""
                                         << QStringList{"HID detector location information is Invalid"};
    QTest::newRow("no path") << "HID::0x2e7a::0x1321" << false << 0 << 0 << ""
                             << QStringList{"HID detector location information is Invalid"};
    QTest::newRow("lower-case kind") << "hid::0x2e7a::0x1321::path" << false << 0 << 0 << "" << QStringList{};
    QTest::newRow("other kind") << "SRL::0x1::0x2::a::b" << false << 0 << 0 << "" << QStringList{};
    QTest::newRow("empty") << "" << false << 0 << 0 << "" << QStringList{};
}

void TestDetectorLocationString::hid() {
    QFETCH(QString, location);
    QFETCH(bool, ok);
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    QFETCH(QString, path);
    QFETCH(QStringList, messages);

    DebugMessages logged;
    HidLocationInfo info;
    QCOMPARE(try_split_detector_location_string(location, info), ok);
    QCOMPARE(logged.take(), messages);
    if (ok) {
        QCOMPARE(info.vendorId, vendorId);
        QCOMPARE(info.productId, productId);
        QCOMPARE(info.path, path);
    }
}

void TestDetectorLocationString::serial_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("vendorId");
    QTest::addColumn<int>("productId");
    QTest::addColumn<QString>("portName");
    QTest::addColumn<QString>("systemLocation");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("valid") << "SRL::0x2e7a::0x1321::ttyACM0::/dev/ttyACM0" << true << 0x2E7A << 0x1321
                           << "ttyACM0"
                           << "/dev/ttyACM0" << QStringList{};
    QTest::newRow("too few fields") << "SRL::0x2e7a::0x1321::ttyACM0" << false << 0 << 0 << ""
                                    << "" << QStringList{"Serial detector location information is Invalid"};
    QTest::newRow("too many fields") << "SRL::0x2e7a::0x1321::a::b::c" << false << 0 << 0 << ""
                                     << "" << QStringList{"Serial detector location information is Invalid"};
    QTest::newRow("bad vendor") << "SRL::0xfffff::0x1::a::b" << false << 0 << 0 << ""
                                << "" << QStringList{"Cannot convert VID string to quint16."};
    QTest::newRow("bad product") << "SRL::0x1::xyz::a::b" << false << 0 << 0 << ""
                                 << "" << QStringList{"Cannot convert PID string to quint16."};
    QTest::newRow("other kind") << kHid << false << 0 << 0 << ""
                                << "" << QStringList{};
}

void TestDetectorLocationString::serial() {
    QFETCH(QString, location);
    QFETCH(bool, ok);
    QFETCH(int, vendorId);
    QFETCH(int, productId);
    QFETCH(QString, portName);
    QFETCH(QString, systemLocation);
    QFETCH(QStringList, messages);

    DebugMessages logged;
    SerialLocationInfo info;
    QCOMPARE(try_split_detector_location_string(location, info), ok);
    QCOMPARE(logged.take(), messages);
    if (ok) {
        QCOMPARE(info.vendorId, vendorId);
        QCOMPARE(info.productId, productId);
        QCOMPARE(info.portName, portName);
        QCOMPARE(info.systemLocation, systemLocation);
    }
}

void TestDetectorLocationString::tcp_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("port");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("valid") << "TCP_CLIENT::192.168.1.20::9800" << true << "192.168.1.20" << 9800
                           << QStringList{};
    QTest::newRow("largest port") << "TCP_CLIENT::127.0.0.1::65535" << true << "127.0.0.1" << 65535
                                  << QStringList{};
    QTest::newRow("address out of range")
        << "TCP_CLIENT::256.1.1.1::9800" << false << "" << 0 << QStringList{"Bad address supplied"};
    QTest::newRow("host name") << "TCP_CLIENT::localhost::9800" << false << "" << 0
                               << QStringList{"Bad address supplied"};
    QTest::newRow("three parts") << "TCP_CLIENT::10.0.1::9800" << false << "" << 0
                                 << QStringList{"Bad address supplied"};
    QTest::newRow("no address") << "TCP_CLIENT::::9800" << false << "" << 0
                                << QStringList{"No address is provided!"};
    QTest::newRow("port too large") << "TCP_CLIENT::10.0.0.1::65536" << false << "" << 0
                                    << QStringList{"Cannot convert Port string to quint16"};
    QTest::newRow("port not decimal") << "TCP_CLIENT::10.0.0.1::0x10" << false << "" << 0
                                      << QStringList{"Cannot convert Port string to quint16"};
    QTest::newRow("no port") << "TCP_CLIENT::10.0.0.1" << false << "" << 0
                             << QStringList{"TCP location information is Invalid"};
    QTest::newRow("other kind") << kHid << false << "" << 0 << QStringList{};
}

void TestDetectorLocationString::tcp() {
    QFETCH(QString, location);
    QFETCH(bool, ok);
    QFETCH(QString, address);
    QFETCH(int, port);
    QFETCH(QStringList, messages);

    DebugMessages logged;
    TcpLocationInfo info;
    QCOMPARE(try_split_detector_location_string(location, info), ok);
    QCOMPARE(logged.take(), messages);
    if (ok) {
        QCOMPARE(info.address, QHostAddress(address));
        QCOMPARE(info.port, port);
    }
}

void TestDetectorLocationString::muppetCommander_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QUuid>("uuid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QStringList>("messages");

    const QUuid uuid(QStringLiteral("{67c8770b-44f1-410a-ab9a-f9b5446f13ee}"));
    const QStringList countMessage{"MC_M2M detector location information is Invalid"};

    QTest::newRow("braced uuid") << "MC_M2M::{67C8770B-44F1-410A-AB9A-F9B5446F13EE}::localhost::9800" << true
                                 << uuid << "localhost" << 9800 << QStringList{};
    QTest::newRow("bare uuid") << "MC_M2M::67c8770b-44f1-410a-ab9a-f9b5446f13ee::127.0.0.1::1" << true << uuid
                               << "127.0.0.1" << 1 << QStringList{};
    QTest::newRow("not a uuid") << "MC_M2M::gateway::localhost::9800" << false << QUuid() << "" << 0
                                << QStringList{"Invalid device UUID string."};
    QTest::newRow("null uuid") << "MC_M2M::{00000000-0000-0000-0000-000000000000}::h::1" << false << QUuid()
                               << "" << 0 << QStringList{"Invalid device UUID string."};
    QTest::newRow("port too large") << "MC_M2M::{67C8770B-44F1-410A-AB9A-F9B5446F13EE}::h::65536" << false
                                    << QUuid() << "" << 0
                                    << QStringList{"Cannot convert port number string to quint16."};
    QTest::newRow("too few fields") << "MC_M2M::x::y" << false << QUuid() << "" << 0 << countMessage;
    // The count is checked before the kind, so other kinds with another field count are reported too.
    QTest::newRow("tcp string") << "TCP_CLIENT::10.0.0.1::9800" << false << QUuid() << "" << 0
                                << countMessage;
    QTest::newRow("hid string") << kHid << false << QUuid() << "" << 0 << QStringList{};
}

void TestDetectorLocationString::muppetCommander() {
    QFETCH(QString, location);
    QFETCH(bool, ok);
    QFETCH(QUuid, uuid);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QStringList, messages);

    DebugMessages logged;
    MuppetCommanderLocationInfo info;
    QCOMPARE(try_split_detector_location_string(location, info), ok);
    QCOMPARE(logged.take(), messages);
    if (ok) {
        QCOMPARE(info.deviceUuid, uuid);
        QCOMPARE(info.host, host);
        QCOMPARE(info.port, port);
    }
}

void TestDetectorLocationString::tunnel_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("tunnelPort");
    QTest::addColumn<int>("facet");
    QTest::addColumn<int>("forwardingPort");
    QTest::addColumn<QString>("inner");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("out to hid") << "TNLV3::2::OUT::5::HID::0x2e7a::0x1321::path" << true << 2 << 1 << 5
                                << "HID::0x2e7a::0x1321::path" << QStringList{};
    QTest::newRow("tamarind") << "TNLV3::1::OUT::0::" + kHid << true << 1 << 1 << 0 << kHid << QStringList{};
    QTest::newRow("in") << "TNLV3::65535::IN::65535::X" << true << 65535 << 0 << 65535 << "X"
                        << QStringList{};
    QTest::newRow("nested") << "TNLV3::1::OUT::0::TNLV3::2::IN::3::" + kHid << true << 1 << 1 << 0
                            << "TNLV3::2::IN::3::" + kHid << QStringList{};
    QTest::newRow("no inner location") << "TNLV3::2::OUT::5" << false << 0 << 0 << 0 << "" << QStringList{};
    QTest::newRow("empty inner location")
        << "TNLV3::2::OUT::5::" << false << 0 << 0 << 0 << "" << QStringList{};
    QTest::newRow("bad facet") << "TNLV3::2::SIDEWAYS::5::X" << false << 0 << 0 << 0 << ""
                               << QStringList{"Invalid facet information \"SIDEWAYS\""};
    QTest::newRow("lower-case facet") << "TNLV3::2::out::5::X" << false << 0 << 0 << 0 << ""
                                      << QStringList{"Invalid facet information \"out\""};
    QTest::newRow("tunnel port too large") << "TNLV3::65536::OUT::5::X" << false << 0 << 0 << 0 << ""
                                           << QStringList{"Invalid tunnel port information provided!"};
    QTest::newRow("forwarding port not decimal")
        << "TNLV3::2::OUT::x::X" << false << 0 << 0 << 0 << ""
        << QStringList{"Invalid forwarding port information provided!"};
    QTest::newRow("too few fields") << "TNLV3::2::OUT" << false << 0 << 0 << 0 << ""
                                    << QStringList{"Tunnel location information is Invalid"};
    QTest::newRow("lower-case kind") << "tnlv3::2::OUT::5::X" << false << 0 << 0 << 0 << "" << QStringList{};
    QTest::newRow("hid string") << kHid << false << 0 << 0 << 0 << "" << QStringList{};
}

void TestDetectorLocationString::tunnel() {
    QFETCH(QString, location);
    QFETCH(bool, ok);
    QFETCH(int, tunnelPort);
    QFETCH(int, facet);
    QFETCH(int, forwardingPort);
    QFETCH(QString, inner);
    QFETCH(QStringList, messages);

    DebugMessages logged;
    TunnelInfo info;
    QCOMPARE(try_split_detector_location_string(location, info), ok);
    QCOMPARE(logged.take(), messages);
    if (ok) {
        QCOMPARE(info.tunnelPort, tunnelPort);
        QCOMPARE(info.facet, facet);
        QCOMPARE(info.forwardingPort, forwardingPort);
        QCOMPARE(info.innerLocation, inner);
    }
}

void TestDetectorLocationString::cvxValidator_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("valid") << "CVX::/media/detector::UPDATE.CVX"
                           << QStringList{"CVX", "/media/detector", "UPDATE.CVX"} << QStringList{};
    QTest::newRow("lower-case extension") << "CVX::/media::update.cvx" << QStringList{}
                                          << QStringList{"File is not a '.CVX' file: \"update.cvx\""};
    QTest::newRow("relative path") << "CVX::media::UPDATE.CVX" << QStringList{}
                                   << QStringList{"Path to CVX file is not valid: \"media\""};
    QTest::newRow("path with colon") << "CVX::/a:b::UPDATE.CVX" << QStringList{}
                                     << QStringList{"Path to CVX file is not valid: \"/a:b\""};
    QTest::newRow("other kind") << "HID::/a::UPDATE.CVX" << QStringList{}
                                << QStringList{"This is not a valid CVX detector!"};
    QTest::newRow("too few fields") << "CVX::/a" << QStringList{}
                                    << QStringList{"Detector information not valid"};
}

void TestDetectorLocationString::cvxValidator() {
    QFETCH(QString, location);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, messages);

    DebugMessages logged;
    QCOMPARE(msd::split_and_validate_detector_location_string(location), fields);
    QCOMPARE(logged.take(), messages);
}

void TestDetectorLocationString::hidValidator_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("valid") << "HID::0x2E7A::0x1321::USB_2E7A_1321_00140000"
                           << QStringList{"HID", "0x2E7A", "0x1321", "USB_2E7A_1321_00140000"}
                           << QStringList{};
    QTest::newRow("lower case") << "HID::0x2e7a::0x1321::usb_2e7a_1321_0014000a"
                                << QStringList{"HID", "0x2e7a", "0x1321", "usb_2e7a_1321_0014000a"}
                                << QStringList{};
    QTest::newRow("vendor without prefix") << "HID::2E7A::0x1321::USB_2E7A_1321_00140000" << QStringList{}
                                           << QStringList{"VID is not valid for this detector"};
    QTest::newRow("short product") << "HID::0x2E7A::0x132::USB_2E7A_1321_00140000" << QStringList{}
                                   << QStringList{"PID is not valid for this detector"};
    QTest::newRow("hidraw path") << "HID::0x2E7A::0x1321::/dev/hidraw0" << QStringList{}
                                 << QStringList{"Platform-specific device path is not valid!"};
    QTest::newRow("other kind") << "SRL::0x2E7A::0x1321::USB_2E7A_1321_00140000" << QStringList{}
                                << QStringList{"This is not a valid HID detector!"};
    QTest::newRow("too few fields") << "HID::0x2E7A::0x1321" << QStringList{}
                                    << QStringList{"HID detector location information is Invalid"};
}

void TestDetectorLocationString::hidValidator() {
    QFETCH(QString, location);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, messages);

    DebugMessages logged;
    QCOMPARE(hid::split_and_validate_detector_location_string(location), fields);
    QCOMPARE(logged.take(), messages);
}

QTEST_GUILESS_MAIN(TestDetectorLocationString)
#include "tst_detector_location_string.moc"
