#include <QAbstractItemView>
#include <QComboBox>
#include <QMap>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTest>
#include <QTranslator>

#include "fwup/ui/activity_indicator.h"
#include "fwup/ui/main_window.h"
#include "fwup/ui/window_appearance.h"
#include "resources/initialise_resources.h"
#include "resources/translations/translation.h"
#include "ui_main_window.h"

#include "tests/fwup/ui/widget_test_support.h"

#include <functional>

namespace {

// The form dressed as the window dresses it: style sheet on "root", brand logo, flag label.
struct FormWindow {
    QWidget window;
    Ui::MainWindow ui;

    FormWindow() {
        ui.setupUi(&window);
        ui.root->setStyleSheet(fwup::window_style_sheet());
        ui.mainLogoLabel->setPixmap(QPixmap(QStringLiteral(":/SUMMIT-PRO-logo.png")));
        ui.restorePageComboBox->view()->setAlternatingRowColors(true);
        ui.languageLabel->setFixedSize(36, 24);
        ui.languageLabel->setScaledContents(true);
        ui.languageLabel->setPixmap(QPixmap(QStringLiteral(":/lang_flags/en.png")));
    }

    void show(int page, bool moreOptions) {
        ui.stackedWidget->setCurrentIndex(page);
        ui.moreOptionsButtonLabel->setVisible(moreOptions);
        window.show();
    }
};

// The window's texts in the language loaded, as the window looks them up.
QString window_text(const char* text) {
    return QCoreApplication::translate("MainWindow", text);
}
QString versions_text() {
    return window_text("Current software version: %1").arg(QLatin1String("1.79.0-2.3.0"));
}
QString new_versions_text() {
    return window_text("New software version: %1").arg(QLatin1String("1.80.0-2.4.0"));
}
const char* const battery_check_failed = "Battery Status Check Failed. Restart the detector then retry.";

// What each page shows in use, as the window will fill it; several pages in more than one state.
const QList<std::pair<const char*, std::function<void(FormWindow&)>>>& scenes() {
    static const QList<std::pair<const char*, std::function<void(FormWindow&)>>> list = {
        {"00_connect",
         [](FormWindow& f) {
             f.show(0, false);
         }},
        {"01_multiple_detectors",
         [](FormWindow& f) {
             f.show(1, false);
         }},
        {"02_identified",
         [](FormWindow& f) {
             f.ui.labelDetectorIdentifiedCheckingForUpdates->setText(
                 window_text("%1 identified.\n\nChecking for updates...")
                     .arg(QLatin1String("SUMMIT PRO JUNIPER")));
             f.show(2, false);
         }},
        {"03_up_to_date",
         [](FormWindow& f) {
             f.ui.upToDatePageCurrentVersionLabel->setText(versions_text());
             f.show(3, true);
         }},
        {"04_update_available",
         [](FormWindow& f) {
             f.ui.updatesAvailPageNewVersionLabel->setText(new_versions_text());
             f.ui.updatesAvailPageCurrentVersionLabel->setText(versions_text());
             f.ui.updatesAvailPageInvalidVersionWarningLabel->hide();
             f.ui.upgradeAvailablePageReadinessStatusLabel->hide();
             f.show(4, true);
         }},
        {"04_update_available_coil_hint_and_battery",
         [](FormWindow& f) {
             f.ui.updatesAvailPageNewVersionLabel->setText(new_versions_text());
             f.ui.updatesAvailPageCurrentVersionLabel->hide();
             f.ui.upgradeAvailablePageReadinessStatusLabel->setText(window_text(battery_check_failed));
             f.ui.updatesAvailPageInstallButton->hide();
             f.show(4, true);
         }},
        {"05_download_available",
         [](FormWindow& f) {
             f.ui.dlAvailPageNewVersionLabel->setText(new_versions_text());
             f.ui.dlAvailPageCurrentVersionLabel->setText(versions_text());
             f.ui.dlAvailPageDlAndInstallButtonLabel->setText(
                 fwup::MainWindow::downloadAndInstallButtonText(3'500'000));
             f.show(5, true);
         }},
        {"06_restore",
         [](FormWindow& f) {
             f.ui.restorePageCurrentVersionLabel->setText(versions_text());
             f.ui.labelNoPreviousUpdateVersionsAvailable->hide();
             f.ui.restorePageReadinessStatusLabel->hide();
             f.ui.restorePageGoButtonLabel->setText(window_text("<b>INSTALL</b>"));
             f.ui.restorePageCancelGoldButton->hide();
             f.show(6, true);
         }},
        {"06_restore_download",
         [](FormWindow& f) {
             f.ui.restorePageCurrentVersionLabel->setText(versions_text());
             f.ui.labelNoPreviousUpdateVersionsAvailable->hide();
             f.ui.restorePageReadinessStatusLabel->hide();
             f.ui.restorePageGoButtonLabel->setText(
                 fwup::MainWindow::downloadAndInstallButtonText(3'500'000));
             f.ui.restorePageCancelGoldButton->hide();
             f.show(6, true);
         }},
        {"06_restore_battery",
         [](FormWindow& f) {
             f.ui.restorePageCurrentVersionLabel->setText(versions_text());
             f.ui.labelNoPreviousUpdateVersionsAvailable->hide();
             f.ui.restorePageReadinessStatusLabel->setText(window_text(battery_check_failed));
             f.ui.restorePageGoButtonLabel->hide();
             f.ui.restorePageCancelGoldButton->hide();
             f.show(6, true);
         }},
        {"06_restore_nothing_older",
         [](FormWindow& f) {
             f.ui.restorePageCurrentVersionLabel->setText(versions_text());
             f.ui.labelRestoreAPreviousUpdateVersion->hide();
             f.ui.restorePageComboBox->hide();
             f.ui.restorePageReadinessStatusLabel->hide();
             f.ui.restorePageGoButtonLabel->hide();
             f.ui.restorePageCancelButton->hide();
             f.ui.restorePageVersionWarningLabel->hide();
             f.show(6, true);
         }},
        {"07_downloading",
         [](FormWindow& f) {
             f.ui.downloadPageProgressLabel->setText(window_text("Download progress (%1%)").arg(20));
             f.ui.downloadPageProgressBar->setValue(20);
             f.show(7, false);
         }},
        {"08_extracting",
         [](FormWindow& f) {
             f.show(8, false);
         }},
        {"09_installing",
         [](FormWindow& f) {
             f.ui.installPageProgressContainer->hide();
             f.show(9, false);
         }},
        {"09_installing_with_progress",
         [](FormWindow& f) {
             f.ui.installPageProgressLabel->setText(window_text("Installation progress (%1%)").arg(20));
             f.ui.installPageProgressBar->setValue(20);
             f.ui.installPageActInd->hide();
             f.show(9, false);
         }},
        {"10_complete",
         [](FormWindow& f) {
             f.show(10, false);
         }},
        {"11_failed",
         [](FormWindow& f) {
             f.show(11, false);
         }},
    };
    return list;
}

// The texts of the visible labels and buttons under `root`, by object name.
QMap<QString, QString> shown_texts(const QWidget& root) {
    QMap<QString, QString> texts;
    for (const QLabel* label : root.findChildren<QLabel*>()) {
        if (label->isVisible() && !label->text().isEmpty()) {
            texts.insert(label->objectName(), label->text());
        }
    }
    for (const QAbstractButton* button : root.findChildren<QAbstractButton*>()) {
        if (button->isVisible() && !button->text().isEmpty()) {
            texts.insert(button->objectName(), button->text());
        }
    }
    return texts;
}

} // namespace

class TestMainWindowForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        fwup::initialise_resources();
        fwup::register_window_fonts();
    }

    void window() {
        FormWindow form;
        QCOMPARE(form.window.objectName(), QStringLiteral("MainWindow"));
        QCOMPARE(form.window.size(), QSize(960, 600));
        QCOMPARE(form.window.minimumSize(), QSize(960, 600));
        QCOMPARE(form.window.maximumSize(), QSize(960, 600));
        QCOMPARE(form.window.locale(), QLocale(QLocale::English, QLocale::Australia));
        QVERIFY(form.window.windowTitle().isEmpty());
        QCOMPARE(form.ui.stackedWidget->currentIndex(), 0);
        QCOMPARE(form.ui.mainLogoLabel->minimumHeight(), 132);
        QCOMPARE(form.ui.mainLogoLabel->margin(), 25);
    }

    // Where the window code looks for each widget: -1 is outside the pages.
    void widgetsSitOnTheirPages_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        QTest::addColumn<int>("page");
        const std::initializer_list<std::tuple<const char*, const char*, int>> rows = {
            {"root", "QFrame", -1},
            {"mainLogoLabel", "QLabel", -1},
            {"stackedWidget", "QStackedWidget", -1},
            {"corvaneLogoLabel", "QLabel", -1},
            {"aboutButtonLabel", "QLabel", -1},
            {"languageLabel", "QLabel", -1},
            {"moreOptionsButtonLabel", "QLabel", -1},
            {"labelConnectADetectorToCheckForUpdates", "QLabel", 0},
            {"labelMultipleDetectorsConnected", "QLabel", 1},
            {"labelDetectorIdentifiedCheckingForUpdates", "QLabel", 2},
            {"actIndCheckingForUpdates", "fwup::ActivityIndicator", 2},
            {"labelDetectorIsUpToDate", "QLabel", 3},
            {"upToDatePageCurrentVersionLabel", "QLabel", 3},
            {"upToDatePageQuitButton", "QPushButton", 3},
            {"labelUpdatesAvailableForDetector", "QLabel", 4},
            {"updatesAvailPageNewVersionLabel", "QLabel", 4},
            {"updatesAvailPageCurrentVersionLabel", "QLabel", 4},
            {"updatesAvailPageInvalidVersionWarningLabel", "QLabel", 4},
            {"upgradeAvailablePageReadinessStatusLabel", "QLabel", 4},
            {"updatesAvailPageInstallButton", "QPushButton", 4},
            {"updatesAvailPageQuitButton", "QPushButton", 4},
            {"updatesAvailPageVersionWarningLabel", "QLabel", 4},
            {"labelUpdatesAvailableForDetector_2", "QLabel", 5},
            {"dlAvailPageNewVersionLabel", "QLabel", 5},
            {"dlAvailPageCurrentVersionLabel", "QLabel", 5},
            {"dlAvailPageDlAndInstallButtonLabel", "QLabel", 5},
            {"dlAvailPageQuitButton", "QPushButton", 5},
            {"labelRestoreAPreviousUpdateVersion", "QLabel", 6},
            {"labelNoPreviousUpdateVersionsAvailable", "QLabel", 6},
            {"restorePageCurrentVersionLabel", "QLabel", 6},
            {"restorePageComboBox", "QComboBox", 6},
            {"restorePageReadinessStatusLabel", "QLabel", 6},
            {"restorePageGoButtonLabel", "QLabel", 6},
            {"restorePageCancelGoldButton", "QPushButton", 6},
            {"restorePageCancelButton", "QPushButton", 6},
            {"restorePageVersionWarningLabel", "QLabel", 6},
            {"labelDownloading", "QLabel", 7},
            {"downloadPageProgressLabel", "QLabel", 7},
            {"downloadPageProgressBar", "QProgressBar", 7},
            {"labelPreparingToUpdate", "QLabel", 8},
            {"actIndExtracting", "fwup::ActivityIndicator", 8},
            {"labelInstallingDoNotDisconnect", "QLabel", 9},
            {"installPageProgressContainer", "QWidget", 9},
            {"installPageProgressLabel", "QLabel", 9},
            {"installPageProgressBar", "QProgressBar", 9},
            {"installPageActInd", "fwup::ActivityIndicator", 9},
            {"labelInstallationComplete", "QLabel", 10},
            {"installCompletePageQuitButton", "QPushButton", 10},
            {"labelInstallationFailed", "QLabel", 11},
            {"labelnstallFailedContactServiceCentre", "QLabel", 11},
            {"installFailedTryAgainButton", "QPushButton", 11},
            {"installFailedQuitButton", "QPushButton", 11},
        };
        for (const auto& [name, className, page] : rows) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(className) << page;
        }
    }
    void widgetsSitOnTheirPages() {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QFETCH(int, page);
        FormWindow form;
        const QStringList pages = {"pagePleaseConnect",
                                   "pageMultiDetected",
                                   "pageIdentified",
                                   "pageDetectorUpToDate",
                                   "pageUpdatesAvailable",
                                   "pageDownloadUpdateAvailable",
                                   "pageRestoreAPreviousVersion",
                                   "pageDownloading",
                                   "pageExtracting",
                                   "pageInstalling",
                                   "pageInstallationComplete",
                                   "pageInstallationFailed"};
        QCOMPARE(form.ui.stackedWidget->count(), pages.size());
        const auto* widget = form.window.findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), className);
        int found = -1;
        for (int i = 0; i < pages.size(); ++i) {
            QCOMPARE(form.ui.stackedWidget->widget(i)->objectName(), pages[i]);
            if (form.ui.stackedWidget->widget(i)->isAncestorOf(widget)) {
                found = i;
            }
        }
        QCOMPARE(found, page);
    }

    // The dynamic properties the style sheet selects on, and the pointing hand of what can be clicked.
    void stylePropertiesAndCursors_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("properties");
        QTest::addColumn<bool>("hand");
        const std::initializer_list<std::tuple<const char*, const char*, bool>> rows = {
            {"upToDatePageCurrentVersionLabel", "minor red", false},
            {"upToDatePageQuitButton", "bg:bileGold", true},
            {"updatesAvailPageNewVersionLabel", "minor", false},
            {"updatesAvailPageCurrentVersionLabel", "minor red", false},
            {"updatesAvailPageInvalidVersionWarningLabel", "minor red", false},
            {"upgradeAvailablePageReadinessStatusLabel", "", false},
            {"updatesAvailPageInstallButton", "bg:bileGold", true},
            {"updatesAvailPageQuitButton", "bg:midGrey", true},
            {"updatesAvailPageVersionWarningLabel", "minor red", false},
            {"dlAvailPageNewVersionLabel", "minor", false},
            {"dlAvailPageCurrentVersionLabel", "minor red", false},
            {"dlAvailPageDlAndInstallButtonLabel", "bg:bileGold fake", true},
            {"dlAvailPageQuitButton", "bg:midGrey", true},
            {"restorePageCurrentVersionLabel", "minor red", false},
            {"restorePageGoButtonLabel", "bg:bileGold fake", true},
            {"restorePageCancelGoldButton", "bg:bileGold", true},
            {"restorePageCancelButton", "bg:midGrey", true},
            {"restorePageVersionWarningLabel", "minor red", false},
            {"downloadPageProgressLabel", "minor", false},
            {"installPageProgressLabel", "minor", false},
            {"installCompletePageQuitButton", "bg:bileGold", true},
            {"labelnstallFailedContactServiceCentre", "minor", false},
            {"installFailedTryAgainButton", "bg:bileGold", true},
            {"installFailedQuitButton", "bg:midGrey", true},
            {"aboutButtonLabel", "", true},
            {"moreOptionsButtonLabel", "", true},
            {"languageLabel", "", false},
        };
        for (const auto& [name, properties, hand] : rows) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(properties) << hand;
        }
    }
    void stylePropertiesAndCursors() {
        QFETCH(QString, name);
        QFETCH(QString, properties);
        QFETCH(bool, hand);
        FormWindow form;
        const auto* widget = form.window.findChild<QWidget*>(name);
        QVERIFY(widget);
        QStringList shown;
        if (widget->property("cvswMinorText").toBool()) {
            shown << QStringLiteral("minor");
        }
        if (widget->property("cvswColour").toString() == QLatin1String("red")) {
            shown << QStringLiteral("red");
        }
        if (const QString bg = widget->property("cvswBgColour").toString(); !bg.isEmpty()) {
            shown << QStringLiteral("bg:") + bg;
        }
        if (widget->property("cvswFakeButton").toBool()) {
            shown << QStringLiteral("fake");
        }
        QCOMPARE(shown.join(QLatin1Char(' ')), properties);
        QCOMPARE(widget->cursor().shape() == Qt::PointingHandCursor, hand);
    }

    // Texts the form sets untranslated, which the window later overwrites.
    void placeholders() {
        FormWindow form;
        QCOMPARE(form.ui.labelDetectorIdentifiedCheckingForUpdates->text(),
                 QStringLiteral("%1 identified.\n\nChecking for updates..."));
        QCOMPARE(form.ui.dlAvailPageDlAndInstallButtonLabel->text(),
                 QStringLiteral("<b>DOWNLOAD AND INSTALL</b> (50MB)"));
        QCOMPARE(form.ui.dlAvailPageDlAndInstallButtonLabel->font().family(), QStringLiteral("PT Sans"));
        QCOMPARE(form.ui.downloadPageProgressLabel->text(), QStringLiteral("Download progress (10%)"));
        QCOMPARE(form.ui.installPageProgressLabel->text(), QStringLiteral("Installation progress (10%)"));
        for (const QProgressBar* bar : {form.ui.downloadPageProgressBar, form.ui.installPageProgressBar}) {
            QCOMPARE(bar->value(), 24);
            QVERIFY(!bar->isTextVisible());
            QVERIFY(bar->format().isEmpty());
        }
        QCOMPARE(form.ui.restorePageComboBox->count(), 4);
        QCOMPARE(form.ui.restorePageComboBox->itemText(0), QStringLiteral("123 453-7-8-8 | July 2018"));
        QVERIFY(!form.ui.restorePageComboBox->itemData(0).isValid());
        QVERIFY(form.ui.labelnstallFailedContactServiceCentre->openExternalLinks());
        QVERIFY(form.ui.labelnstallFailedContactServiceCentre->text().contains(
            QLatin1String("/customer-care/service-support\">Corvane service centre</a>")));
    }

    // Renders each page as it looks in use, in every language, into pictures/ beside this test, and
    // checks that no text has less room than it needs and that none is left in English.
    void pagesRenderUnclipped_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("scene");
        for (const Translation& language : TRANSLATION_TABLE) {
            for (int i = 0; i < scenes().size(); ++i) {
                QTest::addRow("%s %s", language.code, scenes()[i].first)
                    << QString::fromLatin1(language.code) << i;
            }
        }
    }
    void pagesRenderUnclipped() {
        QFETCH(QString, code);
        QFETCH(int, scene);
        FormWindow english;
        scenes()[scene].second(english);
        const QMap<QString, QString> englishTexts = shown_texts(english.window);
        QVERIFY(!englishTexts.isEmpty());

        QTranslator translator;
        QVERIFY(translator.load(QStringLiteral("corvane-update-utility_") + code,
                                QStringLiteral(":/translations")));
        QVERIFY(QCoreApplication::installTranslator(&translator));
        const auto uninstall =
            qScopeGuard([&translator] { QCoreApplication::removeTranslator(&translator); });
        FormWindow form;
        form.ui.languageLabel->setPixmap(QPixmap(QStringLiteral(":/lang_flags/%1.png").arg(code)));
        scenes()[scene].second(form);
        QVERIFY(QTest::qWaitForWindowExposed(&form.window));
        QVERIFY(fwup::test::save_picture(
            form.window.grab(),
            QStringLiteral("main_window_%1_%2.png").arg(code, QLatin1String(scenes()[scene].first))));
        const QStringList clipped = fwup::test::clipped_texts(form.window);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("; "))));

        if (code != QLatin1String("en")) {
            const QMap<QString, QString> texts = shown_texts(form.window);
            QStringList untranslated;
            for (auto it = texts.cbegin(); it != texts.cend(); ++it) {
                if (englishTexts.value(it.key()) == it.value()) {
                    untranslated << it.key() + QStringLiteral(": ") + it.value();
                }
            }
            QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QStringLiteral("; "))));
        }
    }
};

QTEST_MAIN(TestMainWindowForm)
#include "tst_main_window_form.moc"
