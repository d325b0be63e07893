#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/ui/about_dialog.h"
#include "fwup/ui/window_appearance.h"
#include "resources/initialise_resources.h"
#include "tests/fwup/ui/widget_test_support.h"

namespace {

QString licenceText(const AboutDialog& dialog) {
    return dialog.findChild<QPlainTextEdit*>(QStringLiteral("selectedCreditsTextEdit"))->toPlainText();
}

QLabel* label(const AboutDialog& dialog, const char* name) {
    return dialog.findChild<QLabel*>(QString::fromLatin1(name));
}

bool paints(QWidget& widget, const QColor& colour) {
    const QImage image = widget.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixelColor(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class TestAboutDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        fwup::initialise_resources();
        fwup::register_window_fonts();
        QCoreApplication::setApplicationVersion(QStringLiteral("3.49.0"));
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Corvane Update Utility"));
    }

    void opensOnTheQtLicence() {
        AboutDialog dialog(nullptr);
        QFile licence(QStringLiteral(":/LICENSE-qt"));
        QVERIFY(licence.open(QIODevice::ReadOnly));
        const QString expected = QString::fromLatin1(licence.readAll());
        QVERIFY(expected.contains(QLatin1String("GNU LESSER GENERAL PUBLIC LICENSE")));
        QCOMPARE(licenceText(dialog), expected);

        const auto entries = dialog.findChildren<QRadioButton*>();
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first()->text(), QStringLiteral("Qt"));
        QVERIFY(entries.first()->isChecked());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(label(dialog, "labelCredits")->text(), QStringLiteral("Credits"));

        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QColor red(225, 37, 27);
        // The selected entry's colour comes from a pseudo-state, which only painting shows.
        QVERIFY(paints(*entries.first(), red));
        QCOMPARE(label(dialog, "appNameLabel")->text(), QStringLiteral("Corvane Update Utility"));
        QCOMPARE(label(dialog, "appVersionLabel")->text(), QStringLiteral("3.49.0"));
        for (const char* name : {"appNameLabel", "appVersionLabel"}) {
            QCOMPARE(label(dialog, name)->palette().color(QPalette::WindowText), red);
        }
        QVERIFY(fwup::test::save_picture(dialog.grab(), QStringLiteral("about_dialog.png")));
        const QStringList clipped = fwup::test::clipped_texts(dialog);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));
    }

    void readsLicencesInTheirEncoding() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("licence"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("Caf\xc3\xa9");
        file.close();

        AboutDialog dialog(nullptr);
        dialog.displayLatin1Licence(path);
        QCOMPARE(licenceText(dialog), QStringLiteral("Caf\u00c3\u00a9"));
        dialog.displayUtf8Licence(path);
        QCOMPARE(licenceText(dialog), QStringLiteral("Caf\u00e9"));
        dialog.displayLatin1Licence(dir.filePath(QStringLiteral("missing")));
        QVERIFY(licenceText(dialog).isEmpty());
    }

    void iconGrowsWithTheDialog() {
        AboutDialog dialog(nullptr);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QLabel* icon = label(dialog, "appIconLabel");
        const QSize small = icon->pixmap().size();
        QVERIFY(!small.isEmpty());
        QVERIFY(icon->text().isEmpty());

        dialog.resize(dialog.size() * 2);
        QTRY_VERIFY(icon->pixmap().width() > small.width());
        const QSize large = icon->pixmap().size();
        QVERIFY(large.width() <= icon->width() && large.height() <= icon->height());
        const QPixmap original(QStringLiteral(":/Corvane-update-App-Icon-No-BG.png"));
        QVERIFY(qAbs(large.width() * original.height() - large.height() * original.width()) <=
                std::max(original.width(), original.height()));
    }
};

QTEST_MAIN(TestAboutDialog)
#include "tst_about_dialog.moc"
