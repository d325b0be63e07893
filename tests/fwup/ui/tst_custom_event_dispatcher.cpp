#include <QCoreApplication>
#include <QEvent>
#include <QStringList>
#include <QTest>

#include "fwup/ui/custom_event_dispatcher.h"

#include <memory>

using fwup::CustomEventDispatcher;

namespace {

// Records the events it is asked about, in a log shared by all recorders, and consumes the ones of
// one type.
class Recorder : public QObject {
public:
    Recorder(QString name, QStringList& log, QEvent::Type consumed = QEvent::None)
        : name_(std::move(name))
        , log_(log)
        , consumed_(consumed) {}

    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::User) {
            log_ << name_;
        }
        return event->type() == consumed_;
    }

private:
    QString name_;
    QStringList& log_;
    QEvent::Type consumed_;
};

// Counts the User events that reach it.
class Target : public QObject {
public:
    int received = 0;
    bool event(QEvent* event) override {
        if (event->type() == QEvent::User) {
            ++received;
            return true;
        }
        return QObject::event(event);
    }
};

} // namespace

class TestCustomEventDispatcher : public QObject {
    Q_OBJECT

private:
    QStringList log_;
    Target target_;

    void send() {
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&target_, &event);
    }

private slots:
    void initTestCase() {
        QCoreApplication::instance()->installEventFilter(CustomEventDispatcher::instance());
    }

    void init() {
        log_.clear();
        target_.received = 0;
    }

    void isOneObject() { QCOMPARE(CustomEventDispatcher::instance(), CustomEventDispatcher::instance()); }

    void passesEventsWhenNothingIsRegistered() {
        send();
        QCOMPARE(target_.received, 1);
    }

    void asksInKeyOrderAndStopsAtTheFirstThatConsumes_data() {
        QTest::addColumn<bool>("firstConsumes");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<int>("delivered");
        QTest::newRow("none consumes") << false << QStringList{"key 1", "key 2"} << 1;
        QTest::newRow("key 1 consumes") << true << QStringList{"key 1"} << 0;
    }
    void asksInKeyOrderAndStopsAtTheFirstThatConsumes() {
        QFETCH(bool, firstConsumes);
        QFETCH(QStringList, asked);
        QFETCH(int, delivered);
        // Registered in the opposite order to their keys: the keys decide.
        Recorder second(QStringLiteral("key 2"), log_);
        Recorder first(QStringLiteral("key 1"), log_, firstConsumes ? QEvent::User : QEvent::None);
        CustomEventDispatcher::instance()->addEventFilter(&second, 2);
        CustomEventDispatcher::instance()->addEventFilter(&first, 1);
        send();
        QCOMPARE(log_, asked);
        QCOMPARE(target_.received, delivered);
    }

    void aSecondObjectUnderAKeyReplacesTheFirst() {
        Recorder replaced(QStringLiteral("replaced"), log_, QEvent::User);
        Recorder replacement(QStringLiteral("replacement"), log_);
        CustomEventDispatcher::instance()->addEventFilter(&replaced, 1);
        CustomEventDispatcher::instance()->addEventFilter(&replacement, 1);
        send();
        QCOMPARE(log_, QStringList{"replacement"});
        QCOMPARE(target_.received, 1);
    }

    void leavingTakesEveryKeyOfTheObject_data() {
        QTest::addColumn<bool>("byDestruction");
        QTest::newRow("destroyed") << true;
        QTest::newRow("removed") << false;
    }
    void leavingTakesEveryKeyOfTheObject() {
        QFETCH(bool, byDestruction);
        auto leaving = std::make_unique<Recorder>(QStringLiteral("leaving"), log_, QEvent::User);
        Recorder staying(QStringLiteral("staying"), log_);
        CustomEventDispatcher::instance()->addEventFilter(leaving.get(), 1);
        CustomEventDispatcher::instance()->addEventFilter(leaving.get(), 3);
        CustomEventDispatcher::instance()->addEventFilter(&staying, 2);
        if (byDestruction) {
            leaving.reset();
        } else {
            CustomEventDispatcher::instance()->removeEventFilter(leaving.get());
        }
        send();
        QCOMPARE(log_, QStringList{"staying"});
        QCOMPARE(target_.received, 1);
    }

    // A filter that deletes a filter with a higher key while it handles an event: the deleted one is
    // not asked any more, not even for that event.
    void aFilterDestroyedDuringTheWalkIsNotAsked() {
        auto doomed = std::make_unique<Recorder>(QStringLiteral("doomed"), log_, QEvent::User);
        class Destroyer : public QObject {
        public:
            std::unique_ptr<Recorder>* victim = nullptr;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::User) {
                    victim->reset();
                }
                return false;
            }
        } destroyer;
        destroyer.victim = &doomed;
        CustomEventDispatcher::instance()->addEventFilter(&destroyer, 1);
        CustomEventDispatcher::instance()->addEventFilter(doomed.get(), 2);
        send();
        QVERIFY(log_.isEmpty());
        QCOMPARE(target_.received, 1);
    }
};

QTEST_GUILESS_MAIN(TestCustomEventDispatcher)
#include "tst_custom_event_dispatcher.moc"
