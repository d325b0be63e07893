// A whole Tamarind update at the real waits: the 35 s restart animation, the found animation and the
// six one-second pauses, with the relocator the owner makes. About 45 s.
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/identification/tamarind_component_identity.h"
#include "fwup/installation/indirect_connection_component_relocator.h"
#include "fwup/installation/tamarind_component_updater.h"
#include "tests/fwup/installation/installation_test_support.h"
#include "tests/fwup/installation/tamarind_test_support.h"

#include <ctime>

using namespace installation_test;
using namespace tamarind_test;

namespace {

constexpr fwup::Version WANTED{2, 4, 1};
// Qt's timers may fire a little early.
constexpr double EARLY = 0.95;

} // namespace

class TestTamarindUpdateTiming : public QObject {
    Q_OBJECT

private slots:
    void wholeUpdateAtRealWaits();
};

void TestTamarindUpdateTiming::wholeUpdateAtRealWaits() {
    registerLinkStack();
    QTemporaryDir dir;
    const auto update = extractLodestarFirmware(QDir(dir.path()), WANTED, 5000, 3000);
    auto detector = plugDetector(SimulatedDetector::PodMode::Application);
    detector->tamarind().setLoggedInUsers(OPERATOR_LOGGED_IN);
    detector->tamarind().setImageVersion(WANTED);
    detector->setTamarindRebootTime(3000);
    fwup::TamarindComponentIdentity identity;
    identity.serialNumber = detector->tamarind().serialNumberText();
    fwup::TamarindComponentUpdater updater(
        161, 1, std::make_shared<fwup::IndirectConnectionComponentRelocator>(30, 2000));

    QElapsedTimer clock;
    QList<std::pair<int, qint64>> reports;
    QList<bool> results;
    const std::clock_t cpuAtStart = std::clock();
    clock.start();
    QVERIFY(updater.startUpdate(
        identity, detector->location(), update->tamarindUpdate(),
        [&](fwup::ProgressPercentage p) {
            reports.append({p.value(), clock.elapsed()});
        },
        [&](bool success) { results.append(success); }, TUNNEL_PREFIX));
    QTRY_COMPARE_WITH_TIMEOUT(results.size(), 1, 90000);
    const qint64 wall = clock.elapsed();
    const double cpuMs = double(std::clock() - cpuAtStart) * 1000.0 / CLOCKS_PER_SEC;
    QCOMPARE(results, QList<bool>{true});

    const auto firstAt = [&](int value) {
        const auto found = std::find_if(reports.cbegin(), reports.cend(),
                                        [value](const auto& report) { return report.first == value; });
        return found == reports.cend() ? qint64(-1) : found->second;
    };
    // 90 steps of 388 ms from restart progress 0 (75) to 90 (94), 10 of 100 ms on to 100 (97), then
    // six one-second pauses before the report.
    const qint64 restartAnimation = firstAt(94) - firstAt(75);
    QVERIFY2(restartAnimation >= 90 * 388 * EARLY, qPrintable(QString::number(restartAnimation)));
    const qint64 foundAnimation = firstAt(97) - firstAt(94);
    QVERIFY2(foundAnimation >= 10 * 100 * EARLY, qPrintable(QString::number(foundAnimation)));
    QVERIFY2(wall - firstAt(97) >= 6 * 1000 * EARLY, qPrintable(QString::number(wall - firstAt(97))));
    // The waits sleep: a spinning wait would keep a core busy all along.
    QVERIFY2(cpuMs < 0.5 * double(wall),
             qPrintable(QStringLiteral("%1 ms CPU in %2 ms").arg(cpuMs).arg(wall)));

    detector.reset();
    FakeHidBus::instance().reset();
    unregisterLinkStack();
}

QTEST_GUILESS_MAIN(TestTamarindUpdateTiming)
#include "tst_tamarind_update_timing.moc"
