#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "fwup/ui/user_prompt_dialog.h"
#include "fwup/ui/window_appearance.h"
#include "resources/initialise_resources.h"

#include "tests/fwup/ui/widget_test_support.h"

class TestUserPromptDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        fwup::initialise_resources();
        fwup::register_window_fonts();
    }

    void showsThePromptAndClosesOnOk() {
        fwup::UserPromptDialog dialog(nullptr);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Action Required"));
        dialog.setPromptText(QStringLiteral("Turn the detector on."));
        const auto* label = dialog.findChild<QLabel*>(QStringLiteral("userPromptLabel"));
        QCOMPARE(label->text(), QStringLiteral("Turn the detector on."));

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(fwup::test::save_picture(dialog.grab(), QStringLiteral("user_prompt_dialog.png")));
        QVERIFY(fwup::test::clipped_texts(dialog).isEmpty());

        auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("userPromptDialogOkBtn"));
        QCOMPARE(ok->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(ok->property("cvswBgColour").toString(), QStringLiteral("midGrey"));
        QTest::mouseClick(ok, Qt::LeftButton);
        QTRY_VERIFY(!dialog.isVisible());
    }

    void cannotBeResized() {
        fwup::UserPromptDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.resize(400, 300);
        QCOMPARE(dialog.size(), QSize(250, 180));
        QCOMPARE(dialog.minimumSize(), QSize(250, 180));
        QCOMPARE(dialog.maximumSize(), QSize(250, 180));
    }
};

QTEST_MAIN(TestUserPromptDialog)
#include "tst_user_prompt_dialog.moc"
