#include "getter_test_support.h"

#include "fwup/identification/hardware_revision_getter.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/identification/ranged_integer.h"
#include "fwup/identification/serial_number_getter.h"
#include "fwup/identification/software_version_getter.h"
#include "fwup/identification/user_verification_code_getter.h"
#include "muppet/version.h"

#include <QTest>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

using namespace getter_test;
using cuu::test::ControlCentreDevice;
using cvsw::muppet::ControlCentre;

namespace {

// What one read handed over: the value as text, or a failure. Every getter is driven through this
// one shape so a table can cover the family.
struct Read {
    QStringList values;
    int failures = 0;
    int outcomes() const { return int(values.size()) + failures; }
};

// Starts a read of the getter with the given command id and records its outcome as text.
class AnyGetter {
public:
    virtual ~AnyGetter() = default;
    virtual void start(Read& read) = 0;
    virtual void cancel() = 0;
};

template <typename Getter, typename Format>
class GetterOf final : public AnyGetter {
public:
    GetterOf(const std::shared_ptr<ControlCentre>& centre, std::uint32_t attempts, std::uint64_t first,
             std::uint64_t resend, Format format)
        : getter_(centre, attempts, first, resend)
        , format_(format) {}

    void start(Read& read) override {
        getter_.start([&read, this](const auto& value) { read.values << format_(value); },
                      [&read] { ++read.failures; });
    }
    void cancel() override { getter_.cancel(); }

private:
    Getter getter_;
    Format format_;
};

template <typename Getter, typename Format>
std::unique_ptr<AnyGetter> makeGetter(const std::shared_ptr<ControlCentre>& centre, std::uint32_t attempts,
                                      std::uint64_t first, std::uint64_t resend, Format format) {
    return std::make_unique<GetterOf<Getter, Format>>(centre, attempts, first, resend, format);
}

// The getter that reads the command with this id, with the given exchange timing.
std::unique_ptr<AnyGetter> getterFor(std::uint16_t id, const std::shared_ptr<ControlCentre>& centre,
                                     std::uint32_t attempts = 10, std::uint64_t first = 1000,
                                     std::uint64_t resend = 1000) {
    switch (id) {
    case 20:
        return makeGetter<fwup::ProductTypeGetter>(
            centre, attempts, first, resend,
            [](const cvsw::muppet::ProductTypeId& type) { return QString::number(type); });
    case 3:
        return makeGetter<fwup::SoftwareVersionGetter>(
            centre, attempts, first, resend, [](fwup::Version version) { return version.toString(); });
    case 35:
        return makeGetter<fwup::HardwareRevisionGetter>(
            centre, attempts, first, resend,
            [](unsigned char revision) { return QString::number(revision); });
    case 56:
        return makeGetter<fwup::UserVerificationCodeGetter>(
            centre, attempts, first, resend,
            [](const fwup::UserVerificationCode& code) { return QString::number(code.value()); });
    case 17:
        return makeGetter<fwup::SerialNumberGetter>(centre, attempts, first, resend,
                                                    [](const QString& serial) { return serial; });
    }
    return {};
}

} // namespace

class TestDeviceInfoGetters : public QObject {
    Q_OBJECT

private slots:
    void readsValue_data();
    void readsValue();
    void errorReplyFails_data();
    void errorReplyFails();
    void silenceFailsAfterAttemptLimit_data();
    void silenceFailsAfterAttemptLimit();
    void shortReplyIsNoReply();
    void cancel_data();
    void cancel();
    void secondStartFailsAtOnce();
    void handlerMayStartNextRead();
    void emptyHandlersThrow();
    void versionText_data();
    void versionText();
    void rangedIntegerClamps();
};

void TestDeviceInfoGetters::readsValue_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QByteArray>("payload"); // hex
    QTest::addColumn<QString>("expected");   // empty: the read fails
    QTest::addColumn<QString>("logLine");

    QTest::newRow("product type 144") << 20 << QByteArray("009000010002") << "144"
                                      << "Received product type LODESTAR_CONTROL_POD";
    QTest::newRow("product type 161") << 20 << QByteArray("00a100000000") << "161"
                                      << "Received product type NORDIC_BLUETOOTH_LE_GATEWAY";
    QTest::newRow("unknown product type still handed over")
        << 20 << QByteArray("00b600000000") << "182"
        << "Received product type ?INVALID_PRODUCT_TYPE_ID?";
    QTest::newRow("software version") << 3 << QByteArray("0331000000") << "3.49.0"
                                      << "Received SW Version \"3.49.0\"";
    QTest::newRow("software version 255.255.255") << 3 << QByteArray("ffffff0000") << "255.255.255"
                                                  << "Received SW Version \"255.255.255\"";
    QTest::newRow("hardware revision") << 35 << QByteArray("07") << "7"
                                       << "Received device hardware revision 7";
    QTest::newRow("hardware revision 255") << 35 << QByteArray("ff") << "255"
                                           << "Received device hardware revision 255";
    QTest::newRow("uvc 0 padded") << 56 << QByteArray("00000000") << "0"
                                  << "Received device UVC \"00000\"";
    QTest::newRow("uvc 42") << 56 << QByteArray("0000002a") << "42"
                            << "Received device UVC \"00042\"";
    QTest::newRow("uvc 99999 accepted") << 56 << QByteArray("0001869f") << "99999"
                                        << "Received device UVC \"99999\"";
    QTest::newRow("uvc 100000 refused")
        << 56 << QByteArray("000186a0") << QString() << "Received device UVC \"100000\"";
    QTest::newRow("uvc max refused") << 56 << QByteArray("ffffffff") << QString()
                                     << "Received device UVC \"4294967295\"";
    QTest::newRow("serial") << 17 << QByteArray("00112233445566778899aabbccddeeff")
                            << "00112233445566778899aabbccddeeff"
                            << "Received device serial number \"00112233445566778899aabbccddeeff\"";
    QTest::newRow("serial of zeros") << 17 << QByteArray(32, '0') << QString(32, QLatin1Char('0'))
                                     << "Received device serial number \"00000000000000000000000000000000\"";
    QTest::newRow("serial upper-case bytes are written lower-case")
        << 17 << QByteArray("DEADBEEF0A0B0C0D0E0F101112131415") << "deadbeef0a0b0c0d0e0f101112131415"
        << "Received device serial number \"deadbeef0a0b0c0d0e0f101112131415\"";
    QTest::newRow("bytes after the payload are ignored") << 35 << QByteArray("09aabb") << "9"
                                                         << "Received device hardware revision 9";
}

void TestDeviceInfoGetters::readsValue() {
    QFETCH(int, id);
    QFETCH(QByteArray, payload);
    QFETCH(QString, expected);
    QFETCH(QString, logLine);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.setResponder(
        ScriptedAnswers(std::uint16_t(id), {infReply(std::uint16_t(id), payload.constData())}));
    const auto getter = getterFor(std::uint16_t(id), centre);
    Read read;

    QTest::ignoreMessage(QtDebugMsg, qPrintable(logLine));
    getter->start(read);
    QCOMPARE(device.service(), 1);

    QCOMPARE(device.requests().front(), getRequest(std::uint16_t(id)));
    if (expected.isEmpty()) {
        QCOMPARE(read.failures, 1);
        QVERIFY(read.values.isEmpty());
    } else {
        QCOMPARE(read.values, QStringList{expected});
        QCOMPARE(read.failures, 0);
    }
}

void TestDeviceInfoGetters::errorReplyFails_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("errorCode");
    QTest::addColumn<QString>("logLine");

    QTest::newRow("product type unauthorised")
        << 20 << 4 << "\"Received error UNAUTHORISED to Product Type\"";
    QTest::newRow("version failed") << 3 << 8 << "\"Received error FAILED to Software Version\"";
    QTest::newRow("hardware unknown code")
        << 35 << 200 << "\"Received error ?INVALID_MUPPET_ERROR? to Hardware Version\"";
    QTest::newRow("uvc") << 56 << 2 << "\"Received error PARAMETER to User Verification Code\"";
    QTest::newRow("serial") << 17 << 10 << "\"Received error UNSUPPORTED_OPERATION to Serial Number\"";
}

void TestDeviceInfoGetters::errorReplyFails() {
    QFETCH(int, id);
    QFETCH(int, errorCode);
    QFETCH(QString, logLine);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.setResponder(
        ScriptedAnswers(std::uint16_t(id), {errReply(std::uint16_t(id), std::uint8_t(errorCode))}));
    const auto getter = getterFor(std::uint16_t(id), centre);
    Read read;

    QTest::ignoreMessage(QtDebugMsg, qPrintable(logLine));
    getter->start(read);
    device.service();
    QCOMPARE(read.failures, 1);
    QVERIFY(read.values.isEmpty());
}

void TestDeviceInfoGetters::silenceFailsAfterAttemptLimit_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("attempts");
    QTest::addColumn<int>("sends");

    QTest::newRow("product type, 4 attempts") << 20 << 4 << 4;
    QTest::newRow("version, 3 attempts") << 3 << 3 << 3;
    QTest::newRow("hardware, 1 attempt") << 35 << 1 << 1;
    QTest::newRow("uvc, 0 attempts act as 1") << 56 << 0 << 1;
    QTest::newRow("serial, 2 attempts") << 17 << 2 << 2;
}

void TestDeviceInfoGetters::silenceFailsAfterAttemptLimit() {
    QFETCH(int, id);
    QFETCH(int, attempts);
    QFETCH(int, sends);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.startServicing();
    const auto getter = getterFor(std::uint16_t(id), centre, std::uint32_t(attempts), 5, 10);
    Read read;

    getter->start(read);
    QTRY_COMPARE(read.failures, 1);
    device.service();
    QCOMPARE(int(device.requests().size()), sends);
    for (const Message& request : device.requests()) {
        QCOMPARE(request, getRequest(std::uint16_t(id)));
    }
    QVERIFY(read.values.isEmpty());
}

void TestDeviceInfoGetters::shortReplyIsNoReply() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    // 15 serial bytes are no reply; the resend gets all 16. The first wait must run out; the resend's
    // has room for an answer that comes late on a busy machine.
    device.setResponder(ScriptedAnswers(17, {infReply(17, "000102030405060708090a0b0c0d0e"),
                                             infReply(17, "000102030405060708090a0b0c0d0e0f")}));
    device.startServicing();
    fwup::SerialNumberGetter getter(centre, 3, 20, 150);
    QStringList serials;
    int failures = 0;

    getter.start([&](const QString& serial) { serials << serial; }, [&] { ++failures; });
    QTRY_COMPARE(serials, QStringList{QStringLiteral("000102030405060708090a0b0c0d0e0f")});
    QCOMPARE(failures, 0);
    QCOMPARE(int(device.requests().size()), 2);
}

void TestDeviceInfoGetters::cancel_data() {
    QTest::addColumn<int>("id");
    QTest::newRow("product type") << 20;
    QTest::newRow("software version") << 3;
    QTest::newRow("hardware revision") << 35;
    QTest::newRow("uvc") << 56;
    QTest::newRow("serial") << 17;
}

void TestDeviceInfoGetters::cancel() {
    QFETCH(int, id);

    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    const auto getter = getterFor(std::uint16_t(id), centre);
    Read read;

    getter->cancel(); // idle: nothing at all
    QCOMPARE(read.outcomes(), 0);

    getter->start(read);
    device.service();
    getter->cancel();
    QCOMPARE(read.failures, 1);
    getter->cancel();
    QCOMPARE(read.failures, 1);

    // A reply after the cancel finds the getter idle.
    const char* payloads[] = {"009000000000", "0102030000", "01", "00000001",
                              "00000000000000000000000000000000"};
    const int index = id == 20 ? 0 : id == 3 ? 1 : id == 35 ? 2 : id == 56 ? 3 : 4;
    device.deliver(infReply(std::uint16_t(id), payloads[index]));
    QCOMPARE(read.outcomes(), 1);

    // And the getter reads again afterwards.
    getter->start(read);
    device.service();
    device.deliver(infReply(std::uint16_t(id), payloads[index]));
    QCOMPARE(read.values.size(), 1);
}

void TestDeviceInfoGetters::secondStartFailsAtOnce() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    fwup::ProductTypeGetter getter(centre, 10, 250, 1000);
    std::vector<int> first;
    int firstFailures = 0;
    int secondFailures = 0;

    getter.start([&](const cvsw::muppet::ProductTypeId& type) { first.push_back(type); },
                 [&] { ++firstFailures; });
    QTest::ignoreMessage(QtDebugMsg, "Attempt to start while busy");
    getter.start([](const cvsw::muppet::ProductTypeId&) { QFAIL("the second read must not succeed"); },
                 [&] { ++secondFailures; });
    QCOMPARE(secondFailures, 1);

    QCOMPARE(device.service(), 1); // only the first read asked
    device.deliver(infReply(20, "009100000000"));
    QCOMPARE(first, std::vector<int>{145});
    QCOMPARE(firstFailures, 0);
    QCOMPARE(secondFailures, 1);
}

void TestDeviceInfoGetters::handlerMayStartNextRead() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    device.setResponder([](const Message& request) -> std::vector<Message> {
        return {
            infReply(std::uint16_t((request[1] << 8) | request[2]), request[2] == 3 ? "0102030000" : "05")};
    });
    fwup::SoftwareVersionGetter versionGetter(centre, 10, 1000, 1000);
    fwup::HardwareRevisionGetter revisionGetter(centre, 10, 1000, 1000);
    QString version;
    int revision = -1;

    versionGetter.start(
        [&](fwup::Version read) {
            version = read.toString();
            revisionGetter.start([&](unsigned char value) { revision = value; }, [] {});
        },
        [] {});
    device.service();
    QCOMPARE(version, QStringLiteral("1.2.3"));
    QCOMPARE(revision, 5);
}

void TestDeviceInfoGetters::emptyHandlersThrow() {
    auto centre = std::make_shared<ControlCentre>();
    ControlCentreDevice device(centre);
    fwup::SerialNumberGetter getter(centre, 10, 1000, 1000);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, getter.start({}, [] {}));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument, getter.start([](const QString&) {}, {}));
    QCOMPARE(device.service(), 0);
}

void TestDeviceInfoGetters::versionText_data() {
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<int>("patch");
    QTest::addColumn<QString>("text");
    QTest::newRow("program") << 3 << 49 << 0 << "3.49.0";
    QTest::newRow("none") << 0 << 0 << 0 << "0.0.0";
    QTest::newRow("largest") << 255 << 255 << 255 << "255.255.255";
    QTest::newRow("no padding") << 1 << 2 << 10 << "1.2.10";
}

void TestDeviceInfoGetters::versionText() {
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(int, patch);
    QFETCH(QString, text);
    const fwup::Version version{std::uint8_t(major), std::uint8_t(minor), std::uint8_t(patch)};
    QCOMPARE(version.toString(), text);
}

void TestDeviceInfoGetters::rangedIntegerClamps() {
    using Percent = cvsw::v2::RangedInteger<unsigned char, 0, 100>;
    using Signed = cvsw::v2::RangedInteger<int, -5, 5>;
    QCOMPARE(int(Percent(150).value()), 100);
    QCOMPARE(int(Percent(37).value()), 37);
    QCOMPARE(int(Percent().value()), 0);
    QCOMPARE(Signed(-9).value(), -5);
    QCOMPARE(Signed(9).value(), 5);
    QCOMPARE(fwup::UserVerificationCode(100000u).value(), 99999u);
    QVERIFY(Percent(3) < Percent(4));
}

QTEST_GUILESS_MAIN(TestDeviceInfoGetters)
#include "tst_device_info_getters.moc"
