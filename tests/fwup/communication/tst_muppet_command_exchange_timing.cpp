#include "exchange_test_support.h"

#include "muppet/product_type_command.h"

#include <QElapsedTimer>
#include <QTest>

using cuu::test::ControlCentreDevice;
using cvsw::muppet::ControlCentre;
using cvsw::muppet::control::ProductTypeCommand;
using Reason = fwup::MuppetCommandExchangeBase::FailureReason;

// The product-type read of identification at its real setting: 10 sends, 250 ms, then 1000 ms.
class TestMuppetCommandExchangeTiming : public QObject {
    Q_OBJECT

private slots:
    void productTypeGivesUpAfter9250ms() {
        auto centre = std::make_shared<ControlCentre>();
        ControlCentreDevice device(centre);
        device.startServicing();
        fwup::MuppetCommandExchange<ProductTypeCommand> exchange(centre, 10, 250, 1000);
        Outcome<ProductTypeCommand> outcome;

        for (int i = 0; i < 10; ++i) {
            QTest::ignoreMessage(QtDebugMsg, "Timed out waiting for reseponse to  Product Type");
            QTest::ignoreMessage(QtDebugMsg, i < 9 ? "Resending." : "Giving Up.");
        }
        QElapsedTimer clock;
        clock.start();
        exchange.start(outcome.callbacks());
        QTRY_COMPARE_WITH_TIMEOUT(outcome.failures, std::vector<Reason>{Reason::TIMEOUT}, 12000);
        const qint64 elapsed = clock.elapsed();
        // 250 + 9 x 1000 ms, give or take the coarse timer's 5 %.
        QVERIFY2(elapsed >= 8780 && elapsed < 11000, qPrintable(QString::number(elapsed)));
        QCOMPARE(device.requests().size(), 10u);
    }
};

QTEST_GUILESS_MAIN(TestMuppetCommandExchangeTiming)
#include "tst_muppet_command_exchange_timing.moc"
