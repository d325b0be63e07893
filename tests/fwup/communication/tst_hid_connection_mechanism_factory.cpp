#include "fwup/communication/connection_mechanism.h"
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "muppet/basic_std_vector_buffer.h"
#include "muppet/dle16_escaped_codec.h"
#include "muppet/mcobs1_codec.h"
#include "muppet/seven_e_demarcated_codec.h"
#include "muppet/usb_hid_endpoint.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/fake_hidapi/fake_hid_device.h"
#include "tests/support/framing/codec_harness.h"

#include <QTest>

#include <memory>

using cuu::test::FakeHidBus;
using cuu::test::FakeHidDevice;
using fwup::ConnectionMechanism;
using fwup::HidConnectionMechanismFactory;

using HidEndpoint = cvsw::muppet::UsbHidEndpoint<64, 0>;

namespace {

const QString kPath = QStringLiteral("/dev/hidraw2");
const QString kLocation = QStringLiteral("HID::0x2e7a::0x1320::/dev/hidraw2");

enum class CodecKind { Mcobs1, Dle16, SevenE };

bool isKind(const cvsw::muppet::Codec* codec, CodecKind kind) {
    switch (kind) {
    case CodecKind::Mcobs1:
        return dynamic_cast<const cvsw::muppet::Mcobs1Codec*>(codec) != nullptr;
    case CodecKind::Dle16:
        return dynamic_cast<const cvsw::muppet::Dle16EscapedCodec*>(codec) != nullptr;
    case CodecKind::SevenE:
        return dynamic_cast<const cvsw::muppet::SevenEDemarcatedCodec*>(codec) != nullptr;
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(CodecKind)

class TestHidConnectionMechanismFactory : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void makesAnOpenEndpointAndTheFactorysCodec_data();
    void makesAnOpenEndpointAndTheFactorysCodec();
    void sameLocationSharesTheMechanismWhileHeld();
    void locationsDifferingInCaseAreDifferentKeys();
    void rejects_data();
    void rejects();
    void missingCodecFactoryIsReportedEachTime();
    void unopenableDeviceStillGivesAMechanism();
    void closedEndpointDropsDataAndReopensByPath();

private:
    std::shared_ptr<FakeHidDevice> device_;
};

void TestHidConnectionMechanismFactory::init() {
    device_ = std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, kPath);
    FakeHidBus::instance().plug(device_);
}

void TestHidConnectionMechanismFactory::cleanup() {
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
    device_.reset();
}

void TestHidConnectionMechanismFactory::makesAnOpenEndpointAndTheFactorysCodec_data() {
    QTest::addColumn<HidConnectionMechanismFactory::CodecFactory>("codecFactory");
    QTest::addColumn<CodecKind>("kind");

    QTest::newRow("Mcobs1") << HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY << CodecKind::Mcobs1;
    QTest::newRow("DLE16") << HidConnectionMechanismFactory::DLE16_ESCAPED_CODEC_FACTORY << CodecKind::Dle16;
    QTest::newRow("7E") << HidConnectionMechanismFactory::SEVEN_E_DEMARCATED_CODEC_FACTORY
                        << CodecKind::SevenE;
}

void TestHidConnectionMechanismFactory::makesAnOpenEndpointAndTheFactorysCodec() {
    QFETCH(HidConnectionMechanismFactory::CodecFactory, codecFactory);
    QFETCH(CodecKind, kind);

    HidConnectionMechanismFactory factory(codecFactory);
    const auto mechanism = factory.tryCreate(kLocation);
    QVERIFY(mechanism);
    QVERIFY(isKind(mechanism->codec.get(), kind));
    const auto* endpoint = dynamic_cast<const HidEndpoint*>(mechanism->endpoint.get());
    QVERIFY(endpoint);
    QVERIFY(endpoint->isOpen());
    QCOMPARE(FakeHidBus::instance().openPathLog(), QStringList{kPath});
    QVERIFY(FakeHidBus::instance().openIdLog().isEmpty());
}

void TestHidConnectionMechanismFactory::sameLocationSharesTheMechanismWhileHeld() {
    HidConnectionMechanismFactory factory(HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY);
    auto first = factory.tryCreate(kLocation);
    auto second = factory.tryCreate(kLocation);
    QVERIFY(first);
    QCOMPARE(second, first);
    QCOMPARE(device_->openCount(), 1);

    first.reset();
    second.reset();
    QCOMPARE(device_->openHandleCount(), 0);

    const auto third = factory.tryCreate(kLocation);
    QVERIFY(third);
    QCOMPARE(device_->openCount(), 2);
    QCOMPARE(device_->openHandleCount(), 1);
    QCOMPARE(factory.tryCreate(kLocation), third);
}

void TestHidConnectionMechanismFactory::locationsDifferingInCaseAreDifferentKeys() {
    HidConnectionMechanismFactory factory(HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY);
    const auto lower = factory.tryCreate(kLocation);
    const auto upper = factory.tryCreate(QStringLiteral("HID::0x2E7A::0x1320::/dev/hidraw2"));
    QVERIFY(lower);
    QVERIFY(upper);
    QVERIFY(lower != upper);
    QCOMPARE(device_->openCount(), 2);
}

void TestHidConnectionMechanismFactory::rejects_data() {
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("message");

    QTest::newRow("foreign vendor") << QStringLiteral("HID::0x1234::0x1320::/dev/hidraw2")
                                    << QStringLiteral("Unexpected VID: 4660");
    QTest::newRow("vendor 0") << QStringLiteral("HID::0x0::0x1320::/dev/hidraw2")
                              << QStringLiteral("Unexpected VID: 0");
    QTest::newRow("bad product id") << QStringLiteral("HID::0x2e7a::0x10000::/dev/hidraw2")
                                    << QStringLiteral("Cannot convert PID string to quint16.");
    QTest::newRow("path with separator") << QStringLiteral("HID::0x2e7a::0x1320::a::b")
                                         << QStringLiteral("HID detector location information is Invalid");
    QTest::newRow("other kind") << QStringLiteral("SRL::0x2e7a::0x1320::ttyACM0::/dev/ttyACM0") << QString();
    QTest::newRow("tunnel") << QStringLiteral("TNLV3::1::OUT::0::") + kLocation << QString();
}

void TestHidConnectionMechanismFactory::rejects() {
    QFETCH(QString, location);
    QFETCH(QString, message);

    if (!message.isEmpty()) {
        QTest::ignoreMessage(QtDebugMsg, qPrintable(message));
    }
    HidConnectionMechanismFactory factory(HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY);
    QVERIFY(!factory.tryCreate(location));
    QVERIFY(FakeHidBus::instance().openPathLog().isEmpty());
}

void TestHidConnectionMechanismFactory::missingCodecFactoryIsReportedEachTime() {
    HidConnectionMechanismFactory factory{HidConnectionMechanismFactory::CodecFactory()};
    for (int i = 0; i < 2; ++i) {
        QTest::ignoreMessage(QtCriticalMsg, "The codec factory has not been set!");
        QVERIFY(!factory.tryCreate(kLocation));
    }
    QVERIFY(FakeHidBus::instance().openPathLog().isEmpty());
}

void TestHidConnectionMechanismFactory::unopenableDeviceStillGivesAMechanism() {
    device_->setOpenFailures(1);
    HidConnectionMechanismFactory factory(HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY);
    const auto mechanism = factory.tryCreate(kLocation);
    QVERIFY(mechanism);
    QVERIFY(!static_cast<const HidEndpoint&>(*mechanism->endpoint).isOpen());
    QCOMPARE(device_->openAttemptCount(), 1);
}

void TestHidConnectionMechanismFactory::closedEndpointDropsDataAndReopensByPath() {
    HidConnectionMechanismFactory factory(HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY);
    const auto mechanism = factory.tryCreate(kLocation);
    QVERIFY(mechanism);
    cuu::test::RecordingNotifier notifier;

    device_->setWriteFailures(1);
    auto tx = cuu::test::bufferOf(QByteArray(10, 'x'));
    mechanism->endpoint->write(notifier, tx);
    QCOMPARE(tx.size(), std::size_t{0}); // cleared on close
    QCOMPARE(device_->openHandleCount(), 0);

    // While closed, 50 calls do nothing and drop what they were to send; the 51st reopens.
    for (int i = 0; i < 50; ++i) {
        tx = cuu::test::bufferOf(QByteArray(10, 'x'));
        mechanism->endpoint->write(notifier, tx);
        QCOMPARE(tx.size(), std::size_t{0});
    }
    QCOMPARE(device_->openAttemptCount(), 1);
    cvsw::muppet::BasicStdVectorBuffer rx;
    mechanism->endpoint->read(notifier, rx);
    QCOMPARE(device_->openAttemptCount(), 2);
    QCOMPARE(device_->openHandleCount(), 1);
    QCOMPARE(FakeHidBus::instance().openPathLog(), (QStringList{kPath, kPath}));
}

QTEST_GUILESS_MAIN(TestHidConnectionMechanismFactory)
#include "tst_hid_connection_mechanism_factory.moc"
