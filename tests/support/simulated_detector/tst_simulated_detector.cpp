#include "muppet/mcobs1_codec.h"
#include "security/sha256.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/framing/codec_harness.h"
#include "tests/support/simulated_detector/command_ids.h"
#include "tests/support/simulated_detector/simulated_detector.h"

#include <hidapi.h>

#include <QTest>

using cuu::test::FakeHidBus;
using cuu::test::SimulatedComponent;
using cuu::test::SimulatedDetector;
using cuu::test::SimulatedFault;

namespace {

QByteArray bytes(const char* hex) {
    return QByteArray::fromHex(hex);
}

// Fills wire bytes up to whole 64-byte reports, as the device sends them.
QByteArray padded(const QByteArray& wire) {
    QByteArray reports = wire;
    if (reports.size() % 64 != 0) {
        reports.append(QByteArray(64 - reports.size() % 64, '\0'));
    }
    return reports;
}

// The host's end of the link, on the hidapi functions alone.
class Host {
public:
    explicit Host(const QString& path)
        : handle_(hid_open_path(path.toUtf8().constData())) {}
    ~Host() {
        if (handle_ != nullptr) {
            hid_close(handle_);
        }
    }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    bool isOpen() const { return handle_ != nullptr; }

    // One output report: the report-id byte 0 and 64 data bytes.
    int writeReport(const QByteArray& data) {
        QByteArray report(1, '\0');
        report.append(data.left(64));
        report.append(QByteArray(65 - report.size(), '\0'));
        return hid_write(handle_, reinterpret_cast<const unsigned char*>(report.constData()),
                         static_cast<size_t>(report.size()));
    }

    void writeWire(const QByteArray& wire) {
        for (qsizetype from = 0; from < wire.size(); from += 64) {
            QCOMPARE(writeReport(wire.mid(from, 64)), 65);
        }
    }

    void send(std::uint8_t type, const QByteArray& payload) { writeWire(harness_.encode(type, payload)); }

    // Everything the device has queued, report by report.
    QByteArray readAll() {
        QByteArray all;
        unsigned char report[64];
        int count = 0;
        while ((count = hid_read(handle_, report, sizeof report)) > 0) {
            all.append(reinterpret_cast<const char*>(report), count);
        }
        return all;
    }

    // The control messages of the frames the device has sent since the last call.
    QList<QByteArray> receiveControl() {
        harness_.portal.frames.clear();
        harness_.decode(readAll());
        QList<QByteArray> messages;
        for (const cuu::test::ReceivedFrame& frame : harness_.portal.frames) {
            if (frame.type == 0xFF) {
                messages.append(frame.payload);
            }
        }
        return messages;
    }

private:
    hid_device* handle_;
    cvsw::muppet::Mcobs1Codec codec_;
    cuu::test::CodecHarness harness_{codec_};
};

QByteArray digestOf(const QByteArray& session, const std::vector<std::uint8_t>& password) {
    QByteArray message = session;
    message.append(reinterpret_cast<const char*>(password.data()), static_cast<qsizetype>(password.size()));
    const auto digest = cvsw::security::sha256(message.constData(), static_cast<std::size_t>(message.size()));
    return QByteArray(reinterpret_cast<const char*>(digest.data()), static_cast<qsizetype>(digest.size()));
}

enum class LoginCase {
    RightPassword,
    WrongPassword,
    RefusedPassword,
    WrongSessionEcho,
};

} // namespace

Q_DECLARE_METATYPE(SimulatedDetector::PodMode)
Q_DECLARE_METATYPE(LoginCase)

class TestSimulatedDetector : public QObject {
    Q_OBJECT

private slots:
    void cleanup();
    void framing_data();
    void framing();
    void loginHandshake_data();
    void loginHandshake();
    void resetComesBackAtNewPath();
    void reportedProductType_data();
    void reportedProductType();
};

void TestSimulatedDetector::cleanup() {
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestSimulatedDetector::framing_data() {
    QTest::addColumn<SimulatedDetector::PodMode>("mode");
    QTest::addColumn<QList<QByteArray>>("reports");
    QTest::addColumn<QByteArray>("expectedWire");
    QTest::addColumn<int>("expectedBadFrames");

    const auto app = SimulatedDetector::PodMode::Application;
    const auto bootloader = SimulatedDetector::PodMode::Bootloader;
    const QByteArray getProductType = bytes("0004 03ff 0204 1468 6a00");
    const QByteArray emptyControlFrame = bytes("0001 04ff 9a30 00");
    const QByteArray podProductType = bytes("0004 09ff 8202 1402 9001 0101 0396 2d00");
    const QByteArray tunnelSetUp = bytes("0008 03f5 4201 a2e9 4000") + bytes("0005 03f5 4401 03ce 4800");
    const QByteArray tunnelGetProductType = bytes("0006 05f4 11ff 0204 142f b500");
    const QByteArray tamarindProductType = bytes("0006 0bf4 01ff 8202 1402 a101 0101 0313 e900");

    QTest::newRow("GET product type")
        << app << QList<QByteArray>{getProductType} << padded(podProductType) << 0;
    QTest::newRow("in the bootloader") << bootloader << QList<QByteArray>{getProductType}
                                       << padded(bytes("0004 09ff 8202 1402 9101 0101 033c 7c00")) << 0;
    QTest::newRow("empty control frame, then a request in the same report")
        << app << QList<QByteArray>{emptyControlFrame + getProductType} << padded(podProductType) << 0;
    QTest::newRow("request split over two reports")
        << app << QList<QByteArray>{QByteArray(60, '\0') + getProductType.left(4), getProductType.mid(4)}
        << padded(podProductType) << 0;
    QByteArray damaged = getProductType;
    damaged[7] = '\x69';
    QTest::newRow("damaged frame dropped, next answered")
        << app << QList<QByteArray>{damaged, getProductType} << padded(podProductType) << 1;
    QTest::newRow("Tamarind through the tunnel")
        << app << QList<QByteArray>{tunnelSetUp, tunnelGetProductType} << padded(tamarindProductType) << 0;
    QTest::newRow("tunnel without set-up")
        << app << QList<QByteArray>{tunnelGetProductType} << QByteArray() << 0;
    QTest::newRow("bootloader ignores the tunnel")
        << bootloader << QList<QByteArray>{tunnelSetUp, tunnelGetProductType} << QByteArray() << 0;
}

void TestSimulatedDetector::framing() {
    QFETCH(SimulatedDetector::PodMode, mode);
    QFETCH(QList<QByteArray>, reports);
    QFETCH(QByteArray, expectedWire);
    QFETCH(int, expectedBadFrames);

    SimulatedDetector detector(mode);
    detector.plug();
    Host host(detector.path());
    QVERIFY(host.isOpen());
    for (const QByteArray& report : reports) {
        QCOMPARE(host.writeReport(report), 65);
    }

    QCOMPARE(host.readAll().toHex(' '), expectedWire.toHex(' '));
    QCOMPARE(detector.badFrameCount(), expectedBadFrames);
}

void TestSimulatedDetector::loginHandshake_data() {
    QTest::addColumn<LoginCase>("loginCase");
    QTest::addColumn<bool>("loggedIn");

    QTest::newRow("right password") << LoginCase::RightPassword << true;
    QTest::newRow("wrong password") << LoginCase::WrongPassword << false;
    QTest::newRow("refused password") << LoginCase::RefusedPassword << false;
    QTest::newRow("wrong session id echoed") << LoginCase::WrongSessionEcho << true;
}

void TestSimulatedDetector::loginHandshake() {
    QFETCH(LoginCase, loginCase);
    QFETCH(bool, loggedIn);

    const std::vector<std::uint8_t> password{'o', 'p', 'e', 'r', 'a', 't', 'o', 'r',
                                             '-', 'p', 'w', '-', '1', '4', '4', '!'};
    SimulatedDetector detector;
    detector.pod().setModel(2);
    std::optional<std::uint8_t> askedModel;
    detector.pod().setPasswordSource([&](std::uint16_t productType, std::optional<std::uint8_t> model) {
        askedModel = model;
        return productType == 144 ? password : std::vector<std::uint8_t>{};
    });
    if (loginCase == LoginCase::RefusedPassword) {
        detector.pod().refuseLogins();
    }
    if (loginCase == LoginCase::WrongSessionEcho) {
        detector.pod().echoWrongSessionId();
    }
    detector.plug();
    Host host(detector.path());
    QVERIFY(host.isOpen());

    // Validity needs the operator.
    host.send(0xFF, bytes("02006f"));
    QCOMPARE(host.receiveControl(), QList<QByteArray>{bytes("c2006f 04 00 00000000")});

    host.send(0xFF, bytes("020052"));
    QCOMPARE(host.receiveControl(), QList<QByteArray>{bytes("820052 01 00 00")});

    host.send(0xFF, bytes("020051 01"));
    const QList<QByteArray> sessionReply = host.receiveControl();
    QCOMPARE(sessionReply.size(), 1);
    const QByteArray session = sessionReply.first().mid(6);
    QCOMPARE(sessionReply.first().left(4), bytes("820051 01"));
    QCOMPARE(static_cast<std::uint8_t>(sessionReply.first().at(5)), session.size());
    QCOMPARE(session, detector.pod().session());
    const auto sessionId = static_cast<std::uint8_t>(sessionReply.first().at(4));

    const std::vector<std::uint8_t> sent =
        loginCase == LoginCase::WrongPassword ? SimulatedComponent::defaultPassword(144, 2) : password;
    QByteArray login = bytes("420050");
    login.append(static_cast<char>(sessionId)).append('\x01').append('\x20').append(digestOf(session, sent));
    host.send(0xFF, login);
    const QList<QByteArray> loginReply = host.receiveControl();
    QCOMPARE(loginReply.size(), 1);
    if (loggedIn) {
        const std::uint8_t echoed = loginCase == LoginCase::WrongSessionEcho ? sessionId + 1 : sessionId;
        QCOMPARE(loginReply.first(),
                 bytes("820050") + QByteArray(1, static_cast<char>(echoed)) + bytes("01 00"));
    } else {
        QCOMPARE(loginReply.first().left(6), bytes("c20050 04 01 00").left(6));
    }
    if (loginCase != LoginCase::RefusedPassword) {
        QCOMPARE(askedModel, std::optional<std::uint8_t>(2));
    }

    host.send(0xFF, bytes("020052"));
    QCOMPARE(host.receiveControl(),
             QList<QByteArray>{loggedIn ? bytes("820052 01 02 00") : bytes("820052 01 00 00")});
    QCOMPARE(detector.pod().isOperatorLoggedIn(), loggedIn);
    QCOMPARE(detector.pod().requestLog(), (QStringList{"GET 111", "GET 82", "GET 81", "SET 80", "GET 82"}));
}

void TestSimulatedDetector::resetComesBackAtNewPath() {
    SimulatedDetector detector;
    detector.pod().setLoginRequired(cuu::test::command_id::SOFTWARE_RESET_TO_BOOTLOADER, false);
    detector.plug();
    const QString applicationPath = detector.path();
    QCOMPARE(detector.location(), QStringLiteral("HID::0x2e7a::0x1320::") + applicationPath);

    Host host(applicationPath);
    QVERIFY(host.isOpen());
    host.send(0xFF, bytes("420013"));

    // Gone at once, without an answer; the old handle is dead.
    QCOMPARE(host.readAll(), QByteArray());
    QCOMPARE(host.writeReport(QByteArray(64, '\0')), -1);
    QVERIFY(hid_enumerate(SimulatedDetector::kVendorId, SimulatedDetector::kApplicationProductId) == nullptr);

    hid_device_info* found =
        hid_enumerate(SimulatedDetector::kVendorId, SimulatedDetector::kBootloaderProductId);
    QVERIFY(found != nullptr);
    QCOMPARE(QString::fromUtf8(found->path), detector.path());
    QCOMPARE(QString::fromWCharArray(found->serial_number), detector.pod().serialNumberText());
    QVERIFY(found->next == nullptr);
    hid_free_enumeration(found);
    QVERIFY(detector.path() != applicationPath);
    QCOMPARE(detector.podMode(), SimulatedDetector::PodMode::Bootloader);
    QCOMPARE(detector.pod().traffic().last().answer, cuu::test::TrafficEntry::Answer::Silent);

    Host bootloader(detector.path());
    bootloader.send(0xFF, bytes("020014"));
    QCOMPARE(bootloader.receiveControl(), QList<QByteArray>{bytes("820014 0091 0000 0000")});
}

void TestSimulatedDetector::reportedProductType_data() {
    QTest::addColumn<SimulatedDetector::PodMode>("mode");
    QTest::addColumn<int>("reported");
    QTest::addColumn<QByteArray>("ownAnswer");

    const auto app = SimulatedDetector::PodMode::Application;
    const auto bootloader = SimulatedDetector::PodMode::Bootloader;
    QTest::newRow("application as the bootloader") << app << 145 << bytes("820014 0090 0000 0000");
    QTest::newRow("application as an unknown type") << app << 0x1234 << bytes("820014 0090 0000 0000");
    QTest::newRow("bootloader as the application") << bootloader << 144 << bytes("820014 0091 0000 0000");
}

void TestSimulatedDetector::reportedProductType() {
    QFETCH(SimulatedDetector::PodMode, mode);
    QFETCH(int, reported);
    QFETCH(QByteArray, ownAnswer);

    SimulatedDetector detector(mode);
    detector.plug();
    Host host(detector.path());
    QVERIFY(host.isOpen());
    const auto ask = [&host](const char* request) {
        host.send(0xFF, bytes(request));
        return host.receiveControl();
    };
    // Versions, serial number, hardware, verification code, login state, model (unknown to the
    // bootloader) and validity (refused without login).
    const auto everythingElse = [&ask] {
        QList<QByteArray> answers;
        for (const char* request : {"020003", "020011", "020023", "020038", "020052", "02006e", "02006f"}) {
            answers += ask(request);
        }
        return answers;
    };
    const QList<QByteArray> before = everythingElse();
    const std::vector<std::uint8_t> password = detector.pod().expectedPassword();

    detector.pod().setReportedProductType(static_cast<std::uint16_t>(reported));
    QByteArray answer = bytes("820014");
    answer.append(static_cast<char>(reported >> 8)).append(static_cast<char>(reported & 0xFF));
    QCOMPARE(ask("020014"), QList<QByteArray>{answer + bytes("0000 0000")});
    QCOMPARE(everythingElse(), before);
    QCOMPARE(detector.pod().expectedPassword(), password);

    detector.pod().setReportedProductType(std::nullopt);
    QCOMPARE(ask("020014"), QList<QByteArray>{ownAnswer});
}

QTEST_GUILESS_MAIN(TestSimulatedDetector)
#include "tst_simulated_detector.moc"
