// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QTemporaryDir>
#include <QTest>

#include "fwup/communication/detector_locator.h"
#include "fwup/coordination/application_configuration.h"
#include "fwup/coordination/detector_support.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/registries/registry_reset.h"

// This executable names nothing of the Lodestar family, so it sees the detector-support list as a
// program does that only links the family in.

class TestDetectorSupport : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    // As main does it; the number of functions called.
    int startUp(bool production = true) {
        const fwup::ApplicationConfiguration config{QDir(dir_.path()), QUrl(), production};
        int called = 0;
        fwup::for_each_supported_detector([&](const fwup::DetectorSupport& support) {
            ++called;
            support(config);
        });
        return called;
    }

private slots:
    void initTestCase() { cuu::test::FakeHidBus::instance().reset(); }
    void cleanup() { regtest::clear_all_registries(); }

    // First, while the list holds only what static initialisers put there.
    void holdsTheFamilyBeforeMain() {
        QCOMPARE(startUp(), 1);
        QList<qsizetype> sizes = regtest::registry_sizes();
        QCOMPARE(sizes.takeAt(2), 1);
        QCOMPARE(sizes, (QList<qsizetype>{2, 1, 2, 2, 2, 2, 1, 1, 0, 0, 0}));
        // A second run registers everything again: fresh objects are never already present.
        QCOMPARE(startUp(false), 1);
        sizes = regtest::registry_sizes();
        sizes.removeAt(2);
        QCOMPARE(sizes, (QList<qsizetype>{4, 2, 4, 4, 4, 4, 2, 2, 0, 0, 0}));
    }

    void visitsInTheOrderAdded() {
        static QList<QPair<char, qsizetype>> calls; // each function, and the locators it found
        fwup::add_detector_support([](const fwup::ApplicationConfiguration&) {
            calls.append({'a', fwup::global_detector_locator_registry().size()});
        });
        fwup::add_detector_support([](const fwup::ApplicationConfiguration&) {
            calls.append({'b', fwup::global_detector_locator_registry().size()});
        });
        QCOMPARE(startUp(), 3);
        QCOMPARE(calls, (QList<QPair<char, qsizetype>>{{'a', 2}, {'b', 2}}));
        QVERIFY_THROWS_EXCEPTION(std::bad_function_call, fwup::for_each_supported_detector({}));
    }
};

QTEST_GUILESS_MAIN(TestDetectorSupport)
#include "tst_detector_support.moc"
