#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QWidget>
#include <QXmlStreamReader>

#include "app/application_settings.h"
#include "app/languages.h"
#include "resources/translations/translation.h"

namespace {

// The window as a language load sees it.
class FlagWindow : public QWidget {
public:
    void setLanguageFlagIcon(const QPixmap&) { ++flagsSet; }
    int flagsSet = 0;
};

QSettings programSettings() {
    return QSettings(QString::fromLatin1(SETTINGS_ORGANISATION), QString::fromLatin1(SETTINGS_APPLICATION));
}

// The placeholders of a text, as a sorted set: "%1".."%9" (also "%L1") and "%n".
QStringList placeholders(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("%L?([1-9]|n)"));
    QStringList found;
    for (const auto& match : pattern.globalMatch(text)) {
        found << match.captured(1);
    }
    found.sort();
    found.removeDuplicates();
    return found;
}

// One line per translation of a Linguist file whose placeholders differ from its source's. Entries
// left behind by the code (vanished, obsolete) do not ship and are skipped.
QStringList placeholderFaults(QIODevice& ts) {
    QStringList faults;
    QXmlStreamReader xml(&ts);
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QLatin1String("source")) {
            source = xml.readElementText();
        } else if (xml.name() == QLatin1String("translation")) {
            const QStringView type = xml.attributes().value(QLatin1String("type"));
            if (type == QLatin1String("vanished") || type == QLatin1String("obsolete")) {
                continue;
            }
            // Plural forms each stand alone; a translation without them is one text.
            QStringList texts;
            QString text;
            while (!xml.atEnd() && !(xml.readNext() == QXmlStreamReader::EndElement &&
                                     xml.name() == QLatin1String("translation"))) {
                if (xml.isStartElement() && xml.name() == QLatin1String("numerusform")) {
                    texts << xml.readElementText();
                } else if (xml.isCharacters()) {
                    text += xml.text();
                }
            }
            if (texts.isEmpty()) {
                texts << text;
            }
            for (const QString& translated : texts) {
                if (!translated.isEmpty() && placeholders(translated) != placeholders(source)) {
                    faults << source + QStringLiteral(" -> ") + translated;
                }
            }
        }
    }
    if (xml.hasError()) {
        faults << xml.errorString();
    }
    return faults;
}

} // namespace

class TestLanguages : public QObject {
    Q_OBJECT

    QTemporaryDir settingsHome_;
    QTranslator translator_;

private slots:
    void initTestCase() {
        QVERIFY(settingsHome_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome_.path());
        // As at start-up: installed while still empty, which Qt reports as false.
        QCoreApplication::installTranslator(&translator_);
    }
    void init() { programSettings().clear(); }

    void startLanguage_data() {
        QTest::addColumn<QVariant>("saved");
        QTest::addColumn<QStringList>("uiLanguages");
        QTest::addColumn<QString>("expected");

        const QStringList german{"de-DE", "en-US"};
        QTest::newRow("German first") << QVariant() << german << "de";
        QTest::newRow("Canadian French") << QVariant() << QStringList{"fr-CA"} << "fr";
        QTest::newRow("first of several matches")
            << QVariant() << QStringList{"nl-NL", "ja-JP", "de"} << "ja";
        QTest::newRow("script and region") << QVariant() << QStringList{"zh-Hans-CN"} << "zh";
        QTest::newRow("none of the eleven") << QVariant() << QStringList{"nl-NL"} << "en";
        QTest::newRow("no UI languages") << QVariant() << QStringList{} << "en";
        QTest::newRow("upper case does not match") << QVariant() << QStringList{"DE-de", "Fr", "ko"} << "ko";
        QTest::newRow("one letter") << QVariant() << QStringList{"d"} << "en";
        QTest::newRow("saved wins") << QVariant("ru") << german << "ru";
        QTest::newRow("saved outside the table") << QVariant("nl") << german << "nl";
        QTest::newRow("saved empty") << QVariant("") << german << "";
    }
    void startLanguage() {
        QFETCH(QVariant, saved);
        QFETCH(QStringList, uiLanguages);
        QFETCH(QString, expected);
        QSettings settings = programSettings();
        if (saved.isValid()) {
            settings.setValue(QStringLiteral("language"), saved);
        }
        QCOMPARE(::startLanguage(settings, uiLanguages), expected);
    }

    void loadTranslation_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("applicationName"); // empty: nothing loaded

        QTest::newRow("English") << "en"
                                 << "Corvane Update Utility";
        QTest::newRow("German") << "de"
                                << "Corvane Update-Dienstprogramm";
        QTest::newRow("Japanese") << "ja"
                                  << "Corvane アップデートユーティリティ";
        QTest::newRow("outside the table") << "nl"
                                           << "";
        QTest::newRow("wrong case") << "DE"
                                    << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void loadTranslation() {
        QFETCH(QString, code);
        QFETCH(QString, applicationName);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        const bool loads = !applicationName.isEmpty();
        QVERIFY(
            translator_.load(QStringLiteral("corvane-update-utility_ru"), QStringLiteral(":/translations")));
        QGuiApplication::setApplicationDisplayName(QStringLiteral("before"));
        FlagWindow window;
        window.setWindowTitle(QStringLiteral("before"));

        ::loadTranslation(code, &translator_, &window);

        const QString shown = loads ? applicationName : QStringLiteral("before");
        QCOMPARE(QGuiApplication::applicationDisplayName(), shown);
        QCOMPARE(window.windowTitle(), shown);
        QCOMPARE(window.flagsSet, loads ? 1 : 0);
        QCOMPARE(programSettings().value(QStringLiteral("language")), loads ? QVariant(code) : QVariant());
        // An ignored code leaves the loaded language alone.
        QCOMPARE(QCoreApplication::translate("Application Name", "Corvane Update Utility"),
                 loads ? applicationName : QStringLiteral("Утилита обновления Corvane"));
    }

    // Every language of the table ships its translation; picking the loaded one again stores it again.
    void everyLanguageLoads() {
        for (const Translation& row : TRANSLATION_TABLE) {
            QVERIFY2(loadLanguage(QString::fromLatin1(row.code), translator_), row.code);
            QCOMPARE(translator_.language(), QString::fromLatin1(row.code));
        }
        programSettings().remove(QStringLiteral("language"));
        QVERIFY(loadLanguage(QStringLiteral("zh"), translator_));
        QCOMPARE(programSettings().value(QStringLiteral("language")).toString(), QStringLiteral("zh"));
    }

    void placeholdersKept_data() {
        QTest::addColumn<QByteArray>("ts");
        QTest::addColumn<int>("faults");
        for (const Translation& row : TRANSLATION_TABLE) {
            QFile file(
                QStringLiteral(CUU_TRANSLATIONS_SOURCE_DIR "/corvane-update-utility_%1.ts").arg(row.code));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
            const QByteArray ts = file.readAll();
            QVERIFY(ts.contains(QByteArray("language=\"") + row.code + '"'));
            QTest::newRow(row.code) << ts << 0;
        }
        const QByteArray message = "<TS><context><name>MainWindow</name><message><source>%1 of %2</source>"
                                   "<translation{type}>{text}</translation></message></context></TS>";
        const auto ts = [&message](const char* type, const char* text) {
            return QByteArray(message).replace("{type}", type).replace("{text}", text);
        };
        QTest::newRow("moved") << ts("", "%2 von %1") << 0;
        QTest::newRow("renumbered") << ts(" type=\"unfinished\"", "%1 von %3") << 1;
        QTest::newRow("vanished") << ts(" type=\"vanished\"", "von") << 0;
        QTest::newRow("plural forms")
            << ts("", "<numerusform>%1 von %2</numerusform><numerusform>%1 von</numerusform>") << 1;
    }
    void placeholdersKept() {
        QFETCH(QByteArray, ts);
        QFETCH(int, faults);
        QBuffer buffer(&ts);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const QStringList found = placeholderFaults(buffer);
        QVERIFY2(found.size() == faults, qPrintable(found.join(QLatin1Char('\n'))));
    }
};

QTEST_MAIN(TestLanguages)
#include "tst_languages.moc"
