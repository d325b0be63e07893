#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QRawFont>
#include <QRegularExpression>
#include <QTest>

#include "resources/initialise_resources.h"

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        fwup::initialise_resources();
        fwup::initialise_resources(); // a second call is harmless
    }

    // Sizes that the window relies on; 0 x 0 only asks for a picture that is not blank.
    void picturesLoad_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QSize>("size");
        QTest::newRow("background") << ":/CVN-Updater-BG-50pct.png" << QSize(960, 600);
        QTest::newRow("warning") << ":/Warning-19.png" << QSize(19, 19);
        for (const char* name :
             {"CVN-logo", "CVN-logo-small", "SUMMIT-PRO-logo", "Corvane-update-App-Icon-No-BG", "about",
              "more-options", "busy-1", "busy-2", "busy-3", "expand-list-arrow", "collapse-list-arrow"}) {
            QTest::newRow(name) << QStringLiteral(":/%1.png").arg(QLatin1String(name)) << QSize();
        }
        // The window shows a flag in a 36 x 24 label, scaled.
        for (const char* code : {"en", "ar", "de", "es", "fr", "ja", "ko", "mn", "pt", "ru", "zh"}) {
            QTest::newRow(code) << QStringLiteral(":/lang_flags/%1.png").arg(QLatin1String(code))
                                << QSize(72, 48);
        }
    }
    void picturesLoad() {
        QFETCH(QString, path);
        QFETCH(QSize, size);
        const QImage image(path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        if (size.isValid()) {
            QCOMPARE(image.size(), size);
        }
        // Something was drawn: not one colour all over.
        const QImage flat = image.convertToFormat(QImage::Format_ARGB32);
        bool varied = false;
        for (int y = 0; y < flat.height() && !varied; ++y) {
            for (int x = 0; x < flat.width() && !varied; ++x) {
                varied = flat.pixel(x, y) != flat.pixel(0, 0);
            }
        }
        QVERIFY(varied);
    }

    void fontsLoad_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("family");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::newRow("regular") << ":/PT_Sans-Web-Regular.ttf"
                                 << "PT Sans" << false << false;
        QTest::newRow("italic") << ":/PT_Sans-Web-Italic.ttf"
                                << "PT Sans" << false << true;
        QTest::newRow("bold") << ":/PT_Sans-Web-Bold.ttf"
                              << "PT Sans" << true << false;
        QTest::newRow("bold italic") << ":/PT_Sans-Web-BoldItalic.ttf"
                                     << "PT Sans" << true << true;
        QTest::newRow("mono") << ":/PTM55FT.ttf"
                              << "PT Mono" << false << false;
    }
    void fontsLoad() {
        QFETCH(QString, path);
        QFETCH(QString, family);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QRawFont font(file.readAll(), 12);
        QVERIFY(font.isValid());
        QCOMPARE(font.familyName(), family);
        QCOMPARE(font.weight() >= QFont::Bold, bold);
        QCOMPARE(font.style() == QFont::StyleItalic, italic);
        QVERIFY(QFontDatabase::addApplicationFont(path) >= 0);
    }

    void styleSheetNamesOnlyResourcesThatExist() {
        QFile file(QStringLiteral(":/style_sheet.qss"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString sheet = QString::fromLatin1(file.readAll());
        QVERIFY(sheet.contains(QLatin1String("url(${background-image})")));
        const QRegularExpression url(QStringLiteral(R"(url\((:/[^)]+)\))"));
        int urls = 0;
        for (const QRegularExpressionMatch& match : url.globalMatch(sheet)) {
            QVERIFY2(QFile::exists(match.captured(1)), qPrintable(match.captured(1)));
            ++urls;
        }
        QCOMPARE(urls, 2);
    }

    void qtLicenceIsTheLgpl3() {
        QFile file(QStringLiteral(":/LICENSE-qt"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(file.readAll());
        QVERIFY(text.contains(QLatin1String("GNU LESSER GENERAL PUBLIC LICENSE")));
        QVERIFY(text.contains(QLatin1String("Version 3")));
    }
};

QTEST_MAIN(TestResources)
#include "tst_resources.moc"
