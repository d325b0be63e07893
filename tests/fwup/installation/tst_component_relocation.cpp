// The indirect relocator finding the Tamarind gateway behind the pod's tunnel again after it has
// restarted, against the simulated detector.
#include <QTest>

#include "fwup/installation/indirect_connection_component_relocator.h"
#include "fwup/installation/software_reset_to_application_requester.h"
#include "tests/fwup/installation/installation_test_support.h"

#include <optional>

using namespace installation_test;

namespace {

constexpr std::uint8_t OPERATOR_LOGGED_IN = 1u << SimulatedComponent::kOperator;
constexpr std::uint64_t WAIT_MS = 100;

// What one relocation reported.
struct Relocation {
    std::optional<std::pair<cvsw::muppet::ProductTypeId, QString>> found;
    int foundCount = 0;
    int failures = 0;
    int total() const { return foundCount + failures; }
    fwup::IComponentRelocator::FoundHandler onFound() {
        return [this](cvsw::muppet::ProductTypeId type, const QString& location) {
            found = std::make_pair(type, location);
            ++foundCount;
        };
    }
    std::function<void()> onFailure() {
        return [this] {
            ++failures;
        };
    }
};

int countEvents(const SimulatedDetector& detector, const QString& prefix) {
    const QStringList events = detector.linkEvents();
    return int(std::count_if(events.cbegin(), events.cend(),
                             [&](const QString& e) { return e.startsWith(prefix); }));
}

} // namespace

class TestComponentRelocation : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void relocatesTamarindAfterReset_data();
    void relocatesTamarindAfterReset();
    void givesUpWhenTamarindStaysAway();
    void reportsWhateverTypeAnswers();
    void emptyLocationFails();
    void secondRelocateWhileRunningFails();
    void cancelCallsNoHandler();
    void relocatesAfreshFromFoundHandler();
    void emptyHandlerThrows();

private:
    QString tamarindLocation() const { return TUNNEL_PREFIX + detector_->location(); }
    // Restarts the gateway as the Tamarind file putter does, through a connection of its own.
    void resetTamarind();

    std::unique_ptr<SimulatedDetector> detector_;
};

void TestComponentRelocation::initTestCase() {
    registerLinkStack();
}

void TestComponentRelocation::init() {
    detector_ = plugDetector(SimulatedDetector::PodMode::Application);
    detector_->tamarind().setLoggedInUsers(OPERATOR_LOGGED_IN);
}

void TestComponentRelocation::cleanup() {
    detector_.reset();
    QCOMPARE(FakeHidBus::instance().openHandleCount(), 0);
    FakeHidBus::instance().reset();
}

void TestComponentRelocation::cleanupTestCase() {
    unregisterLinkStack();
}

void TestComponentRelocation::resetTamarind() {
    Link link(tamarindLocation());
    QVERIFY(link.connection);
    fwup::SoftwareResetToApplicationRequester requester(link.centre, 0, WAIT_MS, WAIT_MS);
    Ends ends;
    requester.start(ends.onDone(), ends.onFailure());
    QTRY_COMPARE(ends.total(), 1);
    QCOMPARE(ends.done, 1);
    QCOMPARE(detector_->tamarind().restartCount(), 1);
    detector_->clearRecords();
}

void TestComponentRelocation::relocatesTamarindAfterReset_data() {
    QTest::addColumn<int>("rebootMs");
    QTest::newRow("back at once") << 0;
    QTest::newRow("silent for a while") << 350;
}

void TestComponentRelocation::relocatesTamarindAfterReset() {
    QFETCH(int, rebootMs);
    detector_->setTamarindRebootTime(rebootMs);
    resetTamarind();
    fwup::IndirectConnectionComponentRelocator relocator(30, WAIT_MS, WAIT_MS);
    Relocation relocation;

    relocator.relocate(tamarindLocation(), detector_->usbSerialNumber(), relocation.onFound(),
                       relocation.onFailure());
    QVERIFY(relocator.isBusy());
    QTRY_COMPARE_WITH_TIMEOUT(relocation.total(), 1, 10000);

    QCOMPARE(relocation.foundCount, 1);
    QCOMPARE(relocation.found->first, cvsw::muppet::ProductTypeId(161));
    QCOMPARE(relocation.found->second, tamarindLocation());
    QVERIFY(!relocator.isBusy());
    // While it reboots the pod drops what the tunnel carries; then the gateway answers.
    QCOMPARE(countEvents(*detector_, QStringLiteral("tunnel data ignored")) > 0, rebootMs > 0);
    QCOMPARE(detector_->tamarind().requestLog(), QStringList{"GET 20"});
}

void TestComponentRelocation::givesUpWhenTamarindStaysAway() {
    detector_->setTamarindStaysAwayAfterReset();
    resetTamarind();
    fwup::IndirectConnectionComponentRelocator relocator(3, WAIT_MS, WAIT_MS);
    Relocation lost;

    relocator.relocate(tamarindLocation(), {}, lost.onFound(), lost.onFailure());
    QTRY_COMPARE(lost.total(), 1);
    QCOMPARE(lost.failures, 1);
    QVERIFY(!relocator.isBusy());
    QCOMPARE(countEvents(*detector_, QStringLiteral("tunnel data ignored")), 3);

    // The same relocator serves the next relocation.
    detector_->bringTamarindBack();
    Relocation back;
    relocator.relocate(tamarindLocation(), {}, back.onFound(), back.onFailure());
    QTRY_COMPARE(back.total(), 1);
    QCOMPARE(back.foundCount, 1);
    QCOMPARE(lost.total(), 1);
}

void TestComponentRelocation::reportsWhateverTypeAnswers() {
    detector_->setPodMode(SimulatedDetector::PodMode::Bootloader);
    fwup::IndirectConnectionComponentRelocator relocator(3, WAIT_MS, WAIT_MS);
    Relocation relocation;

    relocator.relocate(detector_->location(), {}, relocation.onFound(), relocation.onFailure());
    QTRY_COMPARE(relocation.total(), 1);
    QCOMPARE(relocation.found,
             std::make_optional(std::make_pair(cvsw::muppet::ProductTypeId(145), detector_->location())));
}

void TestComponentRelocation::emptyLocationFails() {
    fwup::IndirectConnectionComponentRelocator relocator(3, WAIT_MS, WAIT_MS);
    Relocation relocation;

    QTest::ignoreMessage(QtDebugMsg, "Failed to establish a connection to \"\"");
    relocator.relocate({}, {}, relocation.onFound(), relocation.onFailure());
    QCOMPARE(relocation.failures, 1);
    QVERIFY(!relocator.isBusy());

    // A later relocation reports only to its own handlers.
    Relocation next;
    relocator.relocate(tamarindLocation(), {}, next.onFound(), next.onFailure());
    QTRY_COMPARE(next.total(), 1);
    QCOMPARE(next.foundCount, 1);
    QCOMPARE(relocation.total(), 1);
}

void TestComponentRelocation::secondRelocateWhileRunningFails() {
    detector_->setTamarindRebootTime(300);
    resetTamarind();
    fwup::IndirectConnectionComponentRelocator relocator(30, WAIT_MS, WAIT_MS);
    Relocation first;
    Relocation second;

    relocator.relocate(tamarindLocation(), {}, first.onFound(), first.onFailure());
    QTest::ignoreMessage(QtDebugMsg, "Attempt to Connect while busy connecting");
    relocator.relocate(tamarindLocation(), {}, second.onFound(), second.onFailure());
    QCOMPARE(second.failures, 1);

    QTRY_COMPARE_WITH_TIMEOUT(first.total(), 1, 10000);
    QCOMPARE(first.foundCount, 1);
    QCOMPARE(second.total(), 1);
}

void TestComponentRelocation::cancelCallsNoHandler() {
    fwup::IndirectConnectionComponentRelocator relocator(30, WAIT_MS, WAIT_MS);
    relocator.cancel(); // idle: nothing to end

    detector_->setTamarindStaysAwayAfterReset();
    resetTamarind();
    Relocation cancelled;
    relocator.relocate(tamarindLocation(), {}, cancelled.onFound(), cancelled.onFailure());
    QTRY_VERIFY(countEvents(*detector_, QStringLiteral("tunnel data ignored")) >= 1);
    relocator.cancel();
    QVERIFY(!relocator.isBusy());

    detector_->bringTamarindBack();
    Relocation next;
    relocator.relocate(tamarindLocation(), {}, next.onFound(), next.onFailure());
    QTRY_COMPARE(next.total(), 1);
    QCOMPARE(next.foundCount, 1);
    // Longer than the cancelled read would have waited for its next send.
    QTest::qWait(3 * WAIT_MS);
    QCOMPARE(cancelled.total(), 0);
    QCOMPARE(next.total(), 1);
}

void TestComponentRelocation::relocatesAfreshFromFoundHandler() {
    fwup::IndirectConnectionComponentRelocator relocator(3, WAIT_MS, WAIT_MS);
    Relocation second;
    int firstFound = 0;

    relocator.relocate(
        tamarindLocation(), {},
        [&](cvsw::muppet::ProductTypeId, const QString& location) {
            ++firstFound;
            QVERIFY(!relocator.isBusy());
            relocator.relocate(location, {}, second.onFound(), second.onFailure());
        },
        [] { QFAIL("first relocation failed"); });
    QTRY_COMPARE(second.total(), 1);

    QCOMPARE(firstFound, 1);
    QCOMPARE(second.foundCount, 1);
    QCOMPARE(detector_->tamarind().requestLog(), (QStringList{"GET 20", "GET 20"}));
    // Each relocation connects afresh, so each opens the tunnel.
    QCOMPARE(countEvents(*detector_, QStringLiteral("tunnel set-up 42")), 2);
}

void TestComponentRelocation::emptyHandlerThrows() {
    fwup::IndirectConnectionComponentRelocator relocator(3, WAIT_MS, WAIT_MS);
    Relocation relocation;
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             relocator.relocate(tamarindLocation(), {}, {}, relocation.onFailure()));
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             relocator.relocate(tamarindLocation(), {}, relocation.onFound(), {}));
    QVERIFY(!relocator.isBusy());
}

QTEST_GUILESS_MAIN(TestComponentRelocation)
#include "tst_component_relocation.moc"
