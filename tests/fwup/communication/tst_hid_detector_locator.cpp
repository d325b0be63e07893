#include "fwup/communication/hid_detector_locator.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/fake_hidapi/fake_hid_device.h"

#include <QTest>

#include <memory>

using cuu::test::FakeHidBus;
using cuu::test::FakeHidDevice;

namespace {

struct PluggedDevice {
    quint16 vendorId = 0;
    quint16 productId = 0;
    QString path;
};

} // namespace

Q_DECLARE_METATYPE(QList<PluggedDevice>)

class TestHidDetectorLocator : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    void getConnectedDetectors_data();
    void getConnectedDetectors();
    void failedEnumerationGivesNothing();
};

void TestHidDetectorLocator::cleanup() {
    FakeHidBus::instance().reset();
}

void TestHidDetectorLocator::getConnectedDetectors_data() {
    QTest::addColumn<QList<PluggedDevice>>("devices");
    QTest::addColumn<quint16>("vendorId");
    QTest::addColumn<quint16>("productId");
    QTest::addColumn<QStringList>("locations");

    QTest::newRow("nothing plugged") << QList<PluggedDevice>() << quint16(0x2E7A) << quint16(0x1320)
                                     << QStringList();
    QTest::newRow("only the configured ids")
        << QList<PluggedDevice>{{0x2E7A, 0x1321, "/dev/hidraw1"},
                                {0x2E7A, 0x1320, "/dev/hidraw2"},
                                {0x1234, 0x1320, "/dev/hidraw3"},
                                {0x2E7A, 0x1320, "/dev/hidraw4"}}
        << quint16(0x2E7A) << quint16(0x1320)
        << QStringList{"HID::0x2e7a::0x1320::/dev/hidraw2", "HID::0x2e7a::0x1320::/dev/hidraw4"};
    QTest::newRow("other product id")
        << QList<PluggedDevice>{{0x2E7A, 0x1320, "/dev/hidraw2"}, {0x2E7A, 0x1321, "/dev/hidraw5"}}
        << quint16(0x2E7A) << quint16(0x1321) << QStringList{"HID::0x2e7a::0x1321::/dev/hidraw5"};
    // One record per HID interface, in enumeration order, nothing merged.
    QTest::newRow("two interfaces of one device")
        << QList<PluggedDevice>{{0x2E7A, 0x1320, "1-2:1.1"}, {0x2E7A, 0x1320, "1-2:1.0"}} << quint16(0x2E7A)
        << quint16(0x1320) << QStringList{"HID::0x2e7a::0x1320::1-2:1.1", "HID::0x2e7a::0x1320::1-2:1.0"};
    QTest::newRow("same path twice") << QList<PluggedDevice>{{0x2E7A, 0x1320, "/dev/hidraw2"},
                                                             {0x2E7A, 0x1320, "/dev/hidraw2"}}
                                     << quint16(0x2E7A) << quint16(0x1320)
                                     << QStringList{"HID::0x2e7a::0x1320::/dev/hidraw2",
                                                    "HID::0x2e7a::0x1320::/dev/hidraw2"};
    QTest::newRow("small ids padded") << QList<PluggedDevice>{{0x00AB, 0x0001, "p"}} << quint16(0x00AB)
                                      << quint16(0x0001) << QStringList{"HID::0x00ab::0x0001::p"};
    // The path goes in as it is, separators and all.
    QTest::newRow("path with separators")
        << QList<PluggedDevice>{{0x2E7A, 0x1320, "IOService:/AppleACPI::USB@14/Détecteur"}} << quint16(0x2E7A)
        << quint16(0x1320) << QStringList{"HID::0x2e7a::0x1320::IOService:/AppleACPI::USB@14/Détecteur"};
    QTest::newRow("empty path") << QList<PluggedDevice>{{0x2E7A, 0x1320, ""}} << quint16(0x2E7A)
                                << quint16(0x1320) << QStringList{"HID::0x2e7a::0x1320::"};
}

void TestHidDetectorLocator::getConnectedDetectors() {
    QFETCH(QList<PluggedDevice>, devices);
    QFETCH(quint16, vendorId);
    QFETCH(quint16, productId);
    QFETCH(QStringList, locations);

    for (const PluggedDevice& plugged : devices) {
        FakeHidBus::instance().plug(
            std::make_shared<FakeHidDevice>(plugged.vendorId, plugged.productId, plugged.path));
    }
    fwup::HidDetectorLocator locator(vendorId, productId);
    QCOMPARE(locator.getConnectedDetectors(), locations);
    QCOMPARE(FakeHidBus::instance().outstandingEnumerationCount(), 0);
    // Each call is a fresh enumeration.
    FakeHidBus::instance().reset();
    QCOMPARE(locator.getConnectedDetectors(), QStringList());
}

void TestHidDetectorLocator::failedEnumerationGivesNothing() {
    FakeHidBus::instance().plug(
        std::make_shared<FakeHidDevice>(0x2E7A, 0x1320, QStringLiteral("/dev/hidraw2")));
    FakeHidBus::instance().setEnumerationFails(true);
    QCOMPARE(fwup::HidDetectorLocator(0x2E7A, 0x1320).getConnectedDetectors(), QStringList());
}

QTEST_GUILESS_MAIN(TestHidDetectorLocator)
#include "tst_hid_detector_locator.moc"
