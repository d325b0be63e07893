// The Lodestar updater as the family registrar builds it, with every wait at its real length: one
// update along each path on the simulated detector. About two and a half minutes.
#include <QElapsedTimer>
#include <QTest>

#include "tests/fwup/installation/updater_test_support.h"

using namespace updater_test;
using PodMode = SimulatedDetector::PodMode;

Q_DECLARE_METATYPE(PodMode)

namespace {

// The Tamarind restart alone shows its animation for about 35 s.
constexpr int REAL_PATIENCE_MS = 240000;

} // namespace

class TestMbuAndTamarindUpdaterTiming : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerUpdateStack(fwup::IdentificationTiming{}); }
    void cleanupTestCase() { unregisterUpdateStack(); }

    void updatesAtRealPace_data();
    void updatesAtRealPace();
};

void TestMbuAndTamarindUpdaterTiming::updatesAtRealPace_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::newRow("application path") << PodMode::Application;
    QTest::newRow("bootloader path") << PodMode::Bootloader;
}

void TestMbuAndTamarindUpdaterTiming::updatesAtRealPace() {
    QFETCH(PodMode, mode);
    const auto firmware = extractFirmware();
    QVERIFY(firmware);
    const auto detector = plugDetector(mode);
    installOnRestart(*detector, *firmware);
    const auto identity = identify(*detector);
    QVERIFY(identity);

    fwup::LodestarDetectorUpdater updater(LODESTAR_SETTINGS_TABLE);
    UpdateRecord record(updater);
    QElapsedTimer clock;
    qint64 ninetyOneAt = -1;
    qint64 hundredAt = -1;
    QObject::connect(&updater, &fwup::DetectorUpdater::updateProgress, &updater,
                     [&](bool determinate, int percent) {
                         // Only the closing stretch reports 91: the Tamarind share ends at 90.
                         if (determinate && percent == 91) {
                             ninetyOneAt = clock.elapsed();
                         }
                         if (determinate && percent == 100) {
                             hundredAt = clock.elapsed();
                         }
                     });
    clock.start();
    QVERIFY(updater.startUpdate(*identity, detector->location(), *firmware->update));
    QTRY_COMPARE_WITH_TIMEOUT(record.ends.size(), 1, REAL_PATIENCE_MS);
    qInfo() << "update took" << clock.elapsed() << "ms";

    QCOMPARE(record.ends.first(), UpdaterStatus::COMPLETE);
    QCOMPARE(detector->pod().file(POD_IMAGE), firmware->podImage);
    QCOMPARE(detector->tamarind().file(CPUAPP_IMAGE), firmware->cpuAppImage);
    QCOMPARE(detector->tamarind().file(CPUNET_IMAGE), firmware->cpuNetImage);
    QCOMPARE(record.progress.last(), qMakePair(false, 100));
    QVERIFY(record.isMonotonic());
    // Every step waits at least one 1000 ms tick; the bootloader path closes with 500 ms stretches.
    QVERIFY(clock.elapsed() > 10000);
    if (mode == PodMode::Bootloader) {
        QVERIFY(ninetyOneAt >= 0);
        QVERIFY2(hundredAt - ninetyOneAt >= 4500, qPrintable(QString::number(hundredAt - ninetyOneAt)));
    }
}

QTEST_GUILESS_MAIN(TestMbuAndTamarindUpdaterTiming)
#include "tst_mbu_and_tamarind_updater_timing.moc"
