// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "app/bundled_firmware_import.h"
#include "fwup/firmware/filesystem_firmware_catalog.h"
#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/i_firmware_catalog_file.h"
#include "fwup/firmware/lodestar_catalog_manager.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "tests/fwup/firmware/firmware_test_support.h"

using namespace fwtest;
using fwup::DetectorType;

namespace {

// Remembers every file it is offered and recognises none.
class RecordingParser : public fwup::FirmwareFileParser {
public:
    std::vector<std::unique_ptr<fwup::IFirmwareCatalogFile>> parseFile(const QString& path) override {
        offered << QDir::cleanPath(path);
        return {};
    }
    QStringList offered;
};

QSharedPointer<fwup::FirmwareFileParser> lodestarParser(int model) {
    using Parser = fwup::MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>;
    return QSharedPointer<Parser>::create(model == 1 ? PodTag1 : PodTag2, CpuAppTag, CpuNetTag,
                                          model == 1 ? PodSecret1 : PodSecret2, CpuAppSecret, CpuNetSecret,
                                          model == 1 ? DetectorType::LODESTAR_MODEL_1
                                                     : DetectorType::LODESTAR_MODEL_2);
}

// The detector-type names of a catalog's manifest, each with its number of entries.
QMap<QString, int> manifestEntries(const QString& catalogDirectory) {
    QFile file(catalogDirectory + QStringLiteral("/firmware_file_catalog.json"));
    QMap<QString, int> counts;
    const QJsonObject manifest =
        QJsonDocument::fromJson(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray()).object();
    for (auto it = manifest.begin(); it != manifest.end(); ++it) {
        counts.insert(it.key(), int(it.value().toArray().size()));
    }
    return counts;
}

} // namespace

class TestBundledFirmwareImport : public QObject {
    Q_OBJECT

    QTemporaryDir root_;

    QString makeFirmware(const QString& path, int model, std::uint32_t seed) {
        LodestarFirmwareLayout layout;
        layout.model = model;
        layout.imageSeed = seed;
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
            !writeContainer(path, lodestarFirmware(layout))) {
            qFatal("could not write a test container");
        }
        return QDir::cleanPath(path);
    }

private slots:
    void initTestCase() { QVERIFY(root_.isValid()); }
    void cleanup() {
        fwup::global_firmware_file_parser_registry().clear();
        fwup::legacy_catalog_manager_registry().clear();
    }

    // A bundle's firmware folder: files at every depth reach every parser and land in a real catalog
    // once each, hidden entries and linked folders aside; a second place with the same file adds
    // nothing new.
    void importsEveryFileOfTheFolder() {
        const QString bundle = root_.filePath(QStringLiteral("Resources/firmware"));
        const QString model1 = makeFirmware(bundle + QStringLiteral("/model1.cvb"), 1, 1);
        const QString model2 = makeFirmware(bundle + QStringLiteral("/2024/model2/update.cvb"), 2, 2);
        const QString text = bundle + QStringLiteral("/2024/readme.txt");
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("Release notes\n") > 0);
        notes.close();
        makeFirmware(bundle + QStringLiteral("/.hidden.cvb"), 1, 3);
        makeFirmware(bundle + QStringLiteral("/.old/model1.cvb"), 1, 4);
        const QString outside = makeFirmware(root_.filePath(QStringLiteral("elsewhere/model1.cvb")), 1, 5);
        QVERIFY(QFile::link(QFileInfo(outside).absolutePath(), bundle + QStringLiteral("/linked")));

        auto recorder = QSharedPointer<RecordingParser>::create();
        fwup::global_firmware_file_parser_registry() = {lodestarParser(1), recorder, lodestarParser(2)};
        fwup::legacy_catalog_manager_registry() = {QSharedPointer<fwup::LodestarCatalogManager>::create()};
        const QString catalogDirectory = root_.filePath(QStringLiteral("data/catalog"));
        fwup::FilesystemFirmwareCatalog catalog{QDir(catalogDirectory)};

        QTest::ignoreMessage(
            QtDebugMsg, qPrintable(QStringLiteral("Looking for 'bundled' firmware in \"%1\"").arg(bundle)));
        importBundledFirmware(bundle, catalog);

        QStringList offered = recorder->offered;
        offered.sort();
        QCOMPARE(offered, QStringList({model2, text, model1}));
        // A copy of each container, named by its checksum, and the manifest.
        const QStringList stored = QDir(catalogDirectory).entryList(QDir::Files);
        QCOMPARE(stored.size(), 3);
        const QMap<QString, int> entries{{QStringLiteral("SUMMIT PRO"), 1},
                                         {QStringLiteral("SUMMIT PRO 2"), 1}};
        QCOMPARE(manifestEntries(catalogDirectory), entries);

        // The same firmware shipped in the resources too, and a place that is not there.
        const QString second = root_.filePath(QStringLiteral("second"));
        QVERIFY(QDir().mkpath(second));
        QVERIFY(QFile::copy(model1, second + QStringLiteral("/copy.cvb")));
        importBundledFirmware(second, catalog);
        importBundledFirmware(QStringLiteral(":/firmware"), catalog);
        importBundledFirmware(root_.filePath(QStringLiteral("missing")), catalog);
        QCOMPARE(QDir(catalogDirectory).entryList(QDir::Files, QDir::Name), stored);
        QCOMPARE(manifestEntries(catalogDirectory), entries);
        QCOMPARE(recorder->offered.size(), 4);
    }
};

QTEST_GUILESS_MAIN(TestBundledFirmwareImport)
#include "tst_bundled_firmware_import.moc"
