// The device file putter's GET schedule at the device's own timings: about 40 s.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/installation/muppet_device_file_putter.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/legacy_test_support.h"

using namespace installation_test;
using fwup::MuppetDeviceFilePutter;

class TestLegacyUpdatersTiming : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerLinkStack(); }
    void cleanupTestCase() { unregisterLinkStack(); }

    void getScheduleAtDeviceTimings();
};

void TestLegacyUpdatersTiming::getScheduleAtDeviceTimings() {
    const auto detector = plugDetector(SimulatedDetector::PodMode::Bootloader);
    detector->pod().addFault(command_id::FILE_PUT_LPD, SimulatedFault::silence(),
                             SimulatedComponent::kAlways);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("image.mbu"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(100, 'x')) == 100);
    file.close();
    const auto connection = fwup::MuppetConnection::establishConnection(detector->location());
    QVERIFY(connection);
    MuppetDeviceFilePutter putter(11000, 1024);
    legacy_test::GetScheduleRecorder recorder;

    QVERIFY(!putter.filePutToDevice(*connection, path));

    // 50, 100, 200, 800, 3200, 6400 and 12800 ms after the chunk, then 25600 ms for the last GET.
    recorder.verify(MuppetDeviceFilePutter::DEFAULT_RETRY_BASE_MS);
}

QTEST_MAIN(TestLegacyUpdatersTiming)
#include "tst_legacy_updaters_timing.moc"
