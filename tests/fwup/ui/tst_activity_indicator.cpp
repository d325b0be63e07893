#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTimerEvent>

#include "fwup/ui/activity_indicator.h"
#include "resources/initialise_resources.h"

namespace {

// Notes which frame is on show after each tick of the animation.
class ObservedIndicator : public fwup::ActivityIndicator {
public:
    ObservedIndicator()
        : fwup::ActivityIndicator(nullptr) {
        clock.start();
    }

    int shownFrame() const {
        const auto format = QImage::Format_ARGB32;
        const QImage shown =
            findChild<QLabel*>(QStringLiteral("label"))->pixmap().toImage().convertToFormat(format);
        for (int i = 0; i < 3; ++i) {
            if (shown == QImage(QStringLiteral(":/busy-%1.png").arg(i + 1)).convertToFormat(format)) {
                return i;
            }
        }
        return -1;
    }

    QList<int> frames;
    QList<qint64> tickTimes;
    QElapsedTimer clock;

protected:
    void timerEvent(QTimerEvent* event) override {
        fwup::ActivityIndicator::timerEvent(event);
        frames << shownFrame();
        tickTimes << clock.elapsed();
    }
};

} // namespace

class TestActivityIndicator : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { fwup::initialise_resources(); }

    void formMatches() {
        fwup::ActivityIndicator indicator(nullptr);
        QCOMPARE(indicator.objectName(), QStringLiteral("ActivityIndicator"));
        QCOMPARE(indicator.windowTitle(), QStringLiteral("Form"));
        const auto* label = indicator.findChild<QLabel*>(QStringLiteral("label"));
        QVERIFY(label);
        QCOMPARE(label->alignment(), Qt::AlignCenter);
        QVERIFY(!label->hasScaledContents());
    }

    // Never shown: it animates all the same. The first tick shows the opening frame again.
    void cyclesThroughTheFramesFromConstruction() {
        ObservedIndicator indicator;
        QCOMPARE(indicator.shownFrame(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(indicator.frames.size() >= 5, 10000);
        QCOMPARE(indicator.frames.mid(0, 5), (QList<int>{0, 1, 2, 0, 1}));
        // Coarse timers may fire up to 5 % early; four intervals of 400 ms take well over 1400 ms.
        QVERIFY2(indicator.tickTimes[4] - indicator.tickTimes[0] >= 1400,
                 qPrintable(QString::number(indicator.tickTimes[4] - indicator.tickTimes[0])));
    }
};

QTEST_MAIN(TestActivityIndicator)
#include "tst_activity_indicator.moc"
