// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/firmware/filesystem_firmware_catalog.h"
#include "fwup/firmware/lodestar_catalog_manager.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/firmware/tamarind_firmware_catalog_file.h"
#include "fwup/firmware/version_string.h"
#include "fwup/identification/lodestar_system_identity.h"
#include "tests/fwup/firmware/firmware_test_support.h"
#include "tests/support/files/file_modes_enforced.h"

#include <optional>
#include <stdexcept>

using namespace fwtest;
using fwup::DetectorType;
using fwup::IFirmwareCatalogFile;
using fwup::MbuAndTamarindFirmwareCatalogFile;
using fwup::Version;

using CatalogFiles = std::vector<std::unique_ptr<IFirmwareCatalogFile>>;

namespace {

constexpr cvsw::muppet::ProductTypeId Application = 144;
constexpr cvsw::muppet::ProductTypeId Bootloader = 145;
const QString SummitPro = QStringLiteral("SUMMIT PRO");

// A distinct checksum-shaped name per letter.
QString md5(char letter) {
    return QString(32, QLatin1Char(letter));
}

QJsonObject entry(const QString& checksum, const QString& podVersion, int podHardware = 0,
                  int tamarindHardware = 0, const QString& tamarindVersion = QStringLiteral("2.0.0")) {
    return {{QStringLiteral("controlPodVersion"), podVersion},
            {QStringLiteral("tamarindSoftwareVersion"), tamarindVersion},
            {QStringLiteral("firmwareMd5Checksum"), checksum},
            {QStringLiteral("compatibleControlPodHardwareVersion"), podHardware},
            {QStringLiteral("tamarindHardwareVersion"), tamarindHardware},
            {QStringLiteral("mbuBlockIndex"), 0},
            {QStringLiteral("cpuAppBlockIndex"), 1},
            {QStringLiteral("cpuNetBlockIndex"), 2}};
}

// A Lodestar system; tamarindHardware -1 leaves out the Tamarind part.
fwup::LodestarSystemIdentity lodestar(DetectorType type, int podHardware, cvsw::muppet::ProductTypeId product,
                                      int tamarindHardware = 0) {
    fwup::MbuComponentIdentity pod;
    pod.hardwareRevision = static_cast<std::uint8_t>(podHardware);
    pod.productType = product;
    pod.detectorType = type;
    pod.serialNumber = QStringLiteral("LS0001");
    std::optional<fwup::TamarindComponentIdentity> tamarind;
    if (tamarindHardware >= 0) {
        tamarind = fwup::TamarindComponentIdentity{};
        tamarind->hardwareRevision = static_cast<std::uint8_t>(tamarindHardware);
        tamarind->detectorType = DetectorType::LODESTAR_JUNIPER;
    }
    return fwup::LodestarSystemIdentity(tamarind, pod, type);
}

MbuAndTamarindFirmwareCatalogFile combinedFile(Version pod, std::uint32_t podHardware, Version tamarind,
                                               DetectorType type = DetectorType::LODESTAR_MODEL_1,
                                               std::uint64_t cpuNetIndex = 2) {
    return MbuAndTamarindFirmwareCatalogFile(
        {0, type, pod, podHardware}, {1, cpuNetIndex, type, tamarind, 3, 0}, QStringLiteral("/fw.cvb"));
}

// The file names of the catalog files, in order.
QStringList names(const CatalogFiles& files) {
    QStringList result;
    for (const auto& file : files) {
        result << QFileInfo(file->filePath()).fileName();
    }
    return result;
}

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {{QStringLiteral("unreadable"), true}};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

QByteArray readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

QString md5Of(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file)) {
        return {};
    }
    return QString::fromLatin1(hash.result().toHex());
}

// A manager that marks the manifest, or throws, and finds what it is told to.
class FakeManager : public fwup::MbuAndTamarindCatalogManager {
public:
    FakeManager(QString marker, bool throws, QStringList found = {})
        : marker_(std::move(marker))
        , throws_(throws)
        , found_(std::move(found)) {}

    void addOrUpdateEntry(QJsonObject& manifest, const IFirmwareCatalogFile&, const QString&) const override {
        ++calls;
        if (throws_) {
            throw std::runtime_error("fake manager refuses");
        }
        manifest.insert(marker_, true);
    }
    CatalogFiles catalogFilesForSystem(const fwup::ISystemIdentity&, const QDir&,
                                       const QJsonObject&) const override {
        CatalogFiles files;
        for (const QString& name : found_) {
            files.push_back(
                std::make_unique<fwup::TamarindFirmwareCatalogFile>(fwup::TamarindFirmwareInfo{}, name));
        }
        return files;
    }

    mutable int calls = 0;

private:
    QString marker_;
    bool throws_;
    QStringList found_;
};

// An identity of no kind the managers know.
class OtherIdentity : public fwup::ISystemIdentity {
public:
    QMap<fwup::UpgradeableComponent, Version> componentVersions() const override { return {}; }
    DetectorType detectorType() const override { return DetectorType::LODESTAR_MODEL_1; }
    QString serialNumber() const override { return {}; }
    bool isSameDetector(const ISystemIdentity&) const override { return false; }
    std::optional<bool> componentsValid() const override { return {}; }
    std::unique_ptr<ISystemIdentity> clone() const override { return std::make_unique<OtherIdentity>(); }
    bool operator==(const ISystemIdentity&) const override { return false; }
};

void useManagers(const QList<QSharedPointer<fwup::ICatalogManager>>& managers) {
    fwup::legacy_catalog_manager_registry() = managers;
}

} // namespace

class TestFirmwareCatalog : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    int dirs_ = 0;

    // A path under the test directory that does not exist yet.
    QString newPath(const QString& stem = QStringLiteral("dir")) {
        return root_.filePath(stem + QString::number(++dirs_));
    }

    // A Lodestar container written to disk and the catalog files its model's parser finds in it.
    CatalogFiles firmwareFiles(LodestarFirmwareLayout layout) {
        layout.imageSeed = std::uint32_t(dirs_);
        const QString path = newPath(QStringLiteral("fw")) + QStringLiteral(".cvb");
        if (!writeContainer(path, lodestarFirmware(layout))) {
            qFatal("could not write the test container");
        }
        const bool model1 = layout.model == 1;
        fwup::MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2> parser(
            model1 ? PodTag1 : PodTag2, CpuAppTag, CpuNetTag, model1 ? PodSecret1 : PodSecret2, CpuAppSecret,
            CpuNetSecret, model1 ? DetectorType::LODESTAR_MODEL_1 : DetectorType::LODESTAR_MODEL_2);
        return parser.parseFile(path);
    }

    // One pod hardware version and one Tamarind pair: exactly one catalog file.
    std::unique_ptr<IFirmwareCatalogFile> firmware(int model, SoftwareVersion pod) {
        LodestarFirmwareLayout layout;
        layout.model = model;
        layout.podVersion = pod;
        auto files = firmwareFiles(layout);
        if (files.size() != 1) {
            qFatal("expected one catalog file");
        }
        return std::move(files.front());
    }

private slots:
    void initTestCase() { QVERIFY(root_.isValid()); }
    void init() { useManagers({QSharedPointer<fwup::LodestarCatalogManager>::create()}); }
    void cleanup() { useManagers({}); }

    // --- the managers on a manifest in memory ---

    void addOrUpdateEntry_data() {
        QTest::addColumn<QJsonValue>("before"); // undefined: no member yet
        QTest::addColumn<QString>("fileVersion");
        QTest::addColumn<int>("fileHardware");
        QTest::addColumn<int>("fileTamarindHardware");
        QTest::addColumn<QJsonValue>("after"); // the member; "E" stands for the new entry
        QTest::addColumn<QStringList>("debug");

        const QJsonObject a = entry(md5('a'), QStringLiteral("1.80.0"));
        const QJsonObject other = entry(md5('b'), QStringLiteral("1.79.0"));
        const QString updating =
            QStringLiteral("\"Updating catalogue entry for SUMMIT PRO - Hw: %1, Sw: %2\"");
        const QString appending =
            QStringLiteral("\"Appending catalogue entry for SUMMIT PRO - Hw: %1, Sw: %2\"");
        const QString bad = QStringLiteral("Found bad entry in catalogue during update. Removing");

        QTest::newRow("new member") << QJsonValue(QJsonValue::Undefined) << "1.80.0" << 0 << 0
                                    << QJsonValue(QJsonArray{"E"})
                                    << QStringList{QStringLiteral("added entry:  SUMMIT PRO"),
                                                   updating.arg(0).arg(QStringLiteral("1.80.0"))};
        QTest::newRow("same pod version and hardware replaces")
            << QJsonValue(QJsonArray{other, a}) << "1.80.0" << 0 << 0 << QJsonValue(QJsonArray{other, "E"})
            << QStringList{updating.arg(0).arg(QStringLiteral("1.80.0"))};
        QTest::newRow("other hardware appends")
            << QJsonValue(QJsonArray{a}) << "1.80.0" << 1 << 0 << QJsonValue(QJsonArray{a, "E"})
            << QStringList{appending.arg(1).arg(QStringLiteral("1.80.0"))};
        QTest::newRow("string member repaired")
            << QJsonValue(QStringLiteral("junk")) << "1.80.0" << 0 << 0 << QJsonValue(QJsonArray{"E"})
            << QStringList{QStringLiteral("Catalog entries for  SUMMIT PRO  is not an array. Repairing."),
                           updating.arg(0).arg(QStringLiteral("1.80.0"))};
        QTest::newRow("bad values before the match removed")
            << QJsonValue(QJsonArray{5, other, QStringLiteral("x"), a}) << "1.80.0" << 0 << 0
            << QJsonValue(QJsonArray{other, "E"})
            << QStringList{bad, bad, updating.arg(0).arg(QStringLiteral("1.80.0"))};
        QTest::newRow("bad value after the match stays")
            << QJsonValue(QJsonArray{a, 5}) << "1.80.0" << 0 << 0 << QJsonValue(QJsonArray{"E", 5})
            << QStringList{updating.arg(0).arg(QStringLiteral("1.80.0"))};
        QTest::newRow("bad values without a match removed")
            << QJsonValue(QJsonArray{true, other}) << "1.81.0" << 0 << 0 << QJsonValue(QJsonArray{other, "E"})
            << QStringList{bad, appending.arg(0).arg(QStringLiteral("1.81.0"))};
        // One firmware built for two Tamarind hardware versions keeps an entry for each.
        QTest::newRow("other tamarind hardware appends")
            << QJsonValue(QJsonArray{a}) << "1.80.0" << 0 << 2 << QJsonValue(QJsonArray{a, "E"})
            << QStringList{appending.arg(0).arg(QStringLiteral("1.80.0"))};
        QTest::newRow("same tamarind hardware replaces")
            << QJsonValue(QJsonArray{entry(md5('b'), QStringLiteral("1.80.0"), 0, 2), a}) << "1.80.0" << 0
            << 2 << QJsonValue(QJsonArray{"E", a})
            << QStringList{updating.arg(0).arg(QStringLiteral("1.80.0"))};
    }

    void addOrUpdateEntry() {
        QFETCH(QJsonValue, before);
        QFETCH(QString, fileVersion);
        QFETCH(int, fileHardware);
        QFETCH(int, fileTamarindHardware);
        QFETCH(QJsonValue, after);
        QFETCH(QStringList, debug);

        QJsonObject manifest{{QStringLiteral("SUMMIT PRO 2"), QJsonArray{1, 2}}};
        if (!before.isUndefined()) {
            manifest.insert(SummitPro, before);
        }
        const fwup::LodestarCatalogManager manager;
        const MbuAndTamarindFirmwareCatalogFile file(
            {0, DetectorType::LODESTAR_MODEL_1, fwup::parse_version_string(fileVersion),
             std::uint32_t(fileHardware)},
            {1, 2, DetectorType::LODESTAR_MODEL_1, {2, 1, 0}, 3, std::uint32_t(fileTamarindHardware)},
            QStringLiteral("/fw.cvb"));
        const QJsonObject expectedEntry =
            entry(md5('f'), fileVersion, fileHardware, fileTamarindHardware, QStringLiteral("2.1.0"));
        QJsonArray expected = after.toArray();
        for (qsizetype i = 0; i < expected.size(); ++i) {
            if (expected.at(i) == QJsonValue(QStringLiteral("E"))) {
                expected.replace(i, expectedEntry);
            }
        }

        MessageCapture capture;
        manager.addOrUpdateEntry(manifest, file, md5('f'));
        QCOMPARE(MessageCapture::messages(), debug);
        QCOMPARE(MessageCapture::of(QtDebugMsg).size(), debug.size());
        QCOMPARE(manifest.value(SummitPro).toArray(), expected);
        QCOMPARE(manifest.value(QStringLiteral("SUMMIT PRO 2")),
                 QJsonValue(QJsonArray{1, 2})); // not its member
    }

    void refusedFiles_data() {
        QTest::addColumn<int>("which"); // 0 MBU, 1 CPUAPP, 2 CPUNET block index; 3 another kind of file
        QTest::addColumn<qint64>("index");
        QTest::addColumn<QString>("warning"); // empty: accepted

        QTest::newRow("mbu 2^31") << 0 << qint64(2147483648) << "Unreasonable mbu block index 2147483648";
        QTest::newRow("cpuapp 2^32") << 1 << qint64(4294967296)
                                     << "Unreasonable tamarind cpu app block index 4294967296";
        QTest::newRow("cpunet 2^31") << 2 << qint64(2147483648)
                                     << "Unreasonable tamarind cpu net block index 2147483648";
        QTest::newRow("cpunet 2^31 - 1") << 2 << qint64(2147483647) << QString();
        QTest::newRow("tamarind-only file") << 3 << qint64(0) << QString();
    }

    void refusedFiles() {
        QFETCH(int, which);
        QFETCH(qint64, index);
        QFETCH(QString, warning);

        fwup::MbuFirmwareInfo mbu{0, DetectorType::LODESTAR_MODEL_1, {1, 80, 0}, 0};
        fwup::TamarindFirmwareInfo tamarind{1, 2, DetectorType::LODESTAR_MODEL_1, {2, 0, 0}, 3, 0};
        (which == 0   ? mbu.blockIndex
         : which == 1 ? tamarind.cpuAppBlockIndex
                      : tamarind.cpuNetBlockIndex) = std::uint64_t(index);
        const MbuAndTamarindFirmwareCatalogFile combined(mbu, tamarind, QStringLiteral("/fw.cvb"));
        const fwup::TamarindFirmwareCatalogFile tamarindOnly(tamarind, QStringLiteral("/fw.cvb"));
        const IFirmwareCatalogFile& file = which == 3 ? static_cast<const IFirmwareCatalogFile&>(tamarindOnly)
                                                      : static_cast<const IFirmwareCatalogFile&>(combined);

        const fwup::LodestarCatalogManager manager;
        QJsonObject manifest{{SummitPro, QJsonArray{1}}};
        const QJsonObject original = manifest;
        MessageCapture capture;
        QString thrown;
        try {
            manager.addOrUpdateEntry(manifest, file, md5('f'));
        } catch (const std::runtime_error& e) {
            thrown = QString::fromUtf8(e.what());
        }
        if (which == 3) {
            QCOMPARE(MessageCapture::messages(),
                     QStringList{QStringLiteral("could not cast to MbuAndTamarindFimwareCatalogFile")});
            QCOMPARE(manifest, original);
        } else if (warning.isEmpty()) {
            QCOMPARE(thrown, QString());
            QCOMPARE(manifest.value(SummitPro).toArray().last().toObject().value(
                         QStringLiteral("cpuNetBlockIndex")),
                     QJsonValue(2147483647));
        } else {
            QCOMPARE(thrown, QStringLiteral("unreasonable block indices"));
            QCOMPARE(MessageCapture::of(QtWarningMsg), QStringList{warning});
            QCOMPARE(manifest, original);
        }
    }

    void entriesAreFiledByDisplayName_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("member");
        QTest::newRow("22") << 22 << "SUMMIT PRO";
        QTest::newRow("23") << 23 << "SUMMIT PRO 2";
        QTest::newRow("28") << 28 << "Invalid Detector Type";
        QTest::newRow("-1") << -1 << "Invalid Detector Type";
    }

    void entriesAreFiledByDisplayName() {
        QFETCH(int, type);
        QFETCH(QString, member);
        QJsonObject manifest;
        fwup::LodestarCatalogManager().addOrUpdateEntry(
            manifest, combinedFile({1, 0, 0}, 0, {1, 0, 0}, static_cast<DetectorType>(type)), md5('a'));
        QCOMPARE(manifest.keys(), QStringList{member});
    }

    void search_data() {
        QTest::addColumn<QJsonObject>("manifest");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("podHardware");
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("tamarindHardware"); // -1: no Tamarind part
        QTest::addColumn<QStringList>("expected"); // file names, in order
        QTest::addColumn<QString>("logged");       // a message that must be among the logged ones

        const auto v = [](const char* text) {
            return QString::fromLatin1(text);
        };
        const auto manifestOf = [](QJsonArray entries) {
            return QJsonObject{{SummitPro, entries}};
        };
        const QJsonObject three = manifestOf(
            {entry(md5('a'), v("1.80.0")), entry(md5('b'), v("1.82.0")), entry(md5('c'), v("1.81.0"))});
        const QStringList abc{md5('a'), md5('b'), md5('c')};

        QTest::newRow("pod hardware, low 8 bits")
            << manifestOf({entry(md5('a'), v("1.0.0"), 2), entry(md5('b'), v("1.0.0"), 258),
                           entry(md5('c'), v("1.0.0"), 3)})
            << 22 << 2 << 144 << 0 << QStringList{md5('a'), md5('b')}
            << "Mis-matched compatible control pod hardware version";
        const QJsonObject tamarinds =
            manifestOf({entry(md5('a'), v("1.0.0"), 0, 1), entry(md5('b'), v("1.0.0"), 0, 3)});
        QTest::newRow("tamarind unknown takes any")
            << tamarinds << 22 << 0 << 144 << 0 << QStringList{md5('a'), md5('b')} << QString();
        QTest::newRow("tamarind 3 takes 3") << tamarinds << 22 << 0 << 144 << 3 << QStringList{md5('b')}
                                            << "Mis-matched compatible tamarind sub-system hardware version";
        QTest::newRow("no tamarind part takes any")
            << tamarinds << 22 << 0 << 144 << -1 << QStringList{md5('a'), md5('b')}
            << "No tamarind identity is available, catalog for the "
               "tamarind sub-system is not populated.";
        QTest::newRow("application: all, in manifest order")
            << three << 22 << 0 << 144 << 0 << abc << QString();
        QTest::newRow("bootloader: the newest")
            << three << 22 << 0 << 145 << 0 << QStringList{md5('b')} << QString();
        QTest::newRow("bootloader, one entry") << manifestOf({entry(md5('c'), v("1.0.0"))}) << 22 << 0 << 145
                                               << 0 << QStringList{md5('c')} << QString();
        QTest::newRow("bootloader, equal versions: the first")
            << manifestOf({entry(md5('a'), v("1.0.0"), 1), entry(md5('b'), v("1.0.0"), 0),
                           entry(md5('c'), v("1.0.0"), 0)})
            << 22 << 0 << 145 << 0 << QStringList{md5('b')} << QString();
        QTest::newRow("bootloader, tamarind decides")
            << manifestOf({entry(md5('a'), v("1.0.0"), 0, 0, v("2.1.0")),
                           entry(md5('b'), v("1.0.0"), 0, 0, v("2.0.9"))})
            << 22 << 0 << 145 << 0 << QStringList{md5('a')} << QString();
        const QJsonObject both{{SummitPro, QJsonArray{entry(md5('a'), v("1.0.0"))}},
                               {QStringLiteral("SUMMIT PRO 2"), QJsonArray{entry(md5('b'), v("1.0.0"))}}};
        QTest::newRow("type 22 reads its member")
            << both << 22 << 0 << 144 << 0 << QStringList{md5('a')} << QString();
        QTest::newRow("type 23 reads its member")
            << both << 23 << 0 << 145 << 0 << QStringList{md5('b')} << QString();
        QTest::newRow("member absent") << QJsonObject{} << 22 << 0 << 144 << 0 << QStringList{}
                                       << "No firmware for the detector  SUMMIT PRO  found";
        QTest::newRow("member holds an object")
            << QJsonObject{{SummitPro, QJsonObject{{QStringLiteral("x"), 1}}}} << 22 << 0 << 144 << 0
            << QStringList{} << "No firmware for the detector  SUMMIT PRO  found";
        QTest::newRow("non-objects skipped")
            << manifestOf({5, QStringLiteral("x"), entry(md5('a'), v("1.0.0"))}) << 22 << 0 << 144 << 0
            << QStringList{md5('a')} << "Found non-object in firmware list";
        QJsonObject noChecksum = entry(md5('z'), v("1.0.0"));
        noChecksum.remove(QStringLiteral("firmwareMd5Checksum"));
        QJsonObject numberChecksum = entry(md5('z'), v("1.0.0"));
        numberChecksum.insert(QStringLiteral("firmwareMd5Checksum"), 12);
        QTest::newRow("checksums that name no catalogued file")
            << manifestOf(
                   {noChecksum, numberChecksum, entry(QString(), v("1.0.0")),
                    entry(QStringLiteral("../../../../etc/passwd"), v("1.0.0")),
                    entry(QStringLiteral("/etc/passwd"), v("1.0.0")), entry(md5('a').toUpper(), v("1.0.0")),
                    entry(md5('a').left(31), v("1.0.0")), entry(md5('a') + QLatin1Char('0'), v("1.0.0")),
                    entry(md5('a').replace(0, 1, QLatin1Char('g')), v("1.0.0")), entry(md5('a'), v("1.0.0"))})
            << 22 << 0 << 144 << 0 << QStringList{md5('a')} << QString();
        QJsonObject textHardware = entry(md5('a'), v("1.0.0"));
        textHardware.insert(QStringLiteral("compatibleControlPodHardwareVersion"), QStringLiteral("2"));
        QJsonObject fraction = entry(md5('b'), v("1.0.0"));
        fraction.insert(QStringLiteral("compatibleControlPodHardwareVersion"), 2.5);
        QTest::newRow("hardware of another type reads as 0")
            << manifestOf({textHardware, fraction, entry(md5('c'), v("1.0.0"), 2)}) << 22 << 0 << 144 << 0
            << QStringList{md5('a'), md5('b')} << QString();
    }

    void search() {
        QFETCH(QJsonObject, manifest);
        QFETCH(int, type);
        QFETCH(int, podHardware);
        QFETCH(int, product);
        QFETCH(int, tamarindHardware);
        QFETCH(QStringList, expected);
        QFETCH(QString, logged);

        const auto identity = lodestar(static_cast<DetectorType>(type), podHardware,
                                       static_cast<cvsw::muppet::ProductTypeId>(product), tamarindHardware);
        MessageCapture capture;
        const CatalogFiles files = fwup::LodestarCatalogManager().catalogFilesForSystem(
            identity, QDir(QStringLiteral("/catalog")), manifest);
        QCOMPARE(names(files), expected);
        for (const auto& file : files) {
            QCOMPARE(QFileInfo(file->filePath()).absolutePath(), QStringLiteral("/catalog"));
        }
        if (!logged.isEmpty()) {
            QVERIFY2(MessageCapture::messages().contains(logged),
                     qPrintable(MessageCapture::messages().join('\n')));
        }
    }

    void rebuiltFilesTakeTheIdentitysTypes() {
        QJsonObject stored = entry(md5('d'), QStringLiteral("1.80.4"), 258, 3, QStringLiteral("2.1.0-beta"));
        stored.insert(QStringLiteral("mbuBlockIndex"), 7);
        stored.insert(QStringLiteral("cpuAppBlockIndex"), -1);
        stored.insert(QStringLiteral("cpuNetBlockIndex"), QStringLiteral("9"));
        const QJsonObject manifest{{QStringLiteral("SUMMIT PRO 2"), QJsonArray{stored}}};
        const QDir directory(QStringLiteral("/data/catalog"));

        const CatalogFiles files = fwup::LodestarCatalogManager().catalogFilesForSystem(
            lodestar(DetectorType::LODESTAR_MODEL_2, 2, Application, 3), directory, manifest);
        QCOMPARE(files.size(), std::size_t(1));
        const auto& file = dynamic_cast<const MbuAndTamarindFirmwareCatalogFile&>(*files[0]);
        QCOMPARE(file.filePath(), directory.absoluteFilePath(md5('d')));
        QCOMPARE(file.mbuInfo(), (fwup::MbuFirmwareInfo{7, DetectorType::LODESTAR_MODEL_2, {1, 80, 4}, 2}));
        QCOMPARE(file.tamarindInfo(),
                 (fwup::TamarindFirmwareInfo{
                     std::uint64_t(-1), 0, DetectorType::LODESTAR_JUNIPER, {2, 1, 0}, 0, 3}));

        MessageCapture capture;
        const CatalogFiles withoutTamarind = fwup::LodestarCatalogManager().catalogFilesForSystem(
            lodestar(DetectorType::LODESTAR_MODEL_2, 2, Application, -1), directory, manifest);
        QCOMPARE(withoutTamarind.size(), std::size_t(1));
        QCOMPARE(dynamic_cast<const MbuAndTamarindFirmwareCatalogFile&>(*withoutTamarind[0]).tamarindInfo(),
                 fwup::TamarindFirmwareInfo{});

        QVERIFY(fwup::LodestarCatalogManager()
                    .catalogFilesForSystem(OtherIdentity(), directory, manifest)
                    .empty());
        QCOMPARE(MessageCapture::messages().last(),
                 QStringLiteral("This manager cannot find files for this type of system"));
    }

    // --- the catalog on disk ---

    void freshDirectoryThenTheSameFileAgain() {
        const QString directory = newPath() + QStringLiteral("/data/catalog");
        const auto fw = firmware(1, {1, 80, 0});
        const QString checksum = md5Of(fw->filePath());
        const QString manifestPath = directory + QStringLiteral("/firmware_file_catalog.json");
        const QString expectedText = QStringLiteral(R"({
    "SUMMIT PRO": [
        {
            "compatibleControlPodHardwareVersion": 0,
            "controlPodVersion": "1.80.0",
            "cpuAppBlockIndex": 1,
            "cpuNetBlockIndex": 2,
            "firmwareMd5Checksum": "%1",
            "mbuBlockIndex": 0,
            "tamarindHardwareVersion": 0,
            "tamarindSoftwareVersion": "2.0.0"
        }
    ]
}
)")
                                         .arg(checksum);
        {
            fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
            QVERIFY(QFileInfo(directory).isDir());
            QVERIFY(!QFileInfo::exists(manifestPath));

            QVERIFY(catalog.addOrUpdateFirmware(*fw));
            QCOMPARE(QString::fromUtf8(readText(manifestPath)), expectedText);
            QCOMPARE(md5Of(directory + QLatin1Char('/') + checksum), checksum);

            // The same file, and then a byte-identical copy of it: nothing copied, one entry.
            const QString copy = newPath(QStringLiteral("copy"));
            QVERIFY(QFile::copy(fw->filePath(), copy));
            const MbuAndTamarindFirmwareCatalogFile copied(
                dynamic_cast<const MbuAndTamarindFirmwareCatalogFile&>(*fw).mbuInfo(),
                dynamic_cast<const MbuAndTamarindFirmwareCatalogFile&>(*fw).tamarindInfo(), copy);
            for (const IFirmwareCatalogFile* again : {static_cast<const IFirmwareCatalogFile*>(fw.get()),
                                                      static_cast<const IFirmwareCatalogFile*>(&copied)}) {
                MessageCapture capture;
                QVERIFY(catalog.addOrUpdateFirmware(*again));
                QCOMPARE(
                    MessageCapture::messages(),
                    QStringList(
                        {QStringLiteral("addOrUpdateFirmware"),
                         QLatin1Char('"') + again->filePath() + QLatin1Char('"'),
                         QStringLiteral("\"Updating catalogue entry for SUMMIT PRO - Hw: 0, Sw: 1.80.0\"")}));
                QCOMPARE(QString::fromUtf8(readText(manifestPath)), expectedText);
                QCOMPARE(QDir(directory).entryList(QDir::Files),
                         QStringList({checksum, "firmware_file_catalog.json"}));
            }
        }
        // A catalog that never changed saves the same manifest at the end.
        QCOMPARE(QString::fromUtf8(readText(manifestPath)), expectedText);
    }

    void emptyManifestIsWrittenIndented() {
        const QString directory = newPath();
        { fwup::FilesystemFirmwareCatalog catalog{QDir(directory)}; }
        QCOMPARE(readText(directory + QStringLiteral("/firmware_file_catalog.json")), QByteArray("{\n}\n"));
    }

    void manifestIsPrunedAtLoad_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QJsonObject>("saved"); // what the destructor writes
        QTest::addColumn<int>("dropped");       // "No file for" lines

        // Files "a…" and "b…" exist in the catalog; "c…" was deleted by hand; "outside" exists beside the
        // catalog directory.
        const QJsonObject a = entry(md5('a'), QStringLiteral("1.0.0"));
        const QJsonObject b = entry(md5('b'), QStringLiteral("1.1.0"));
        const QJsonObject c = entry(md5('c'), QStringLiteral("1.2.0"));
        const auto text = [](const QJsonObject& object) {
            return QJsonDocument(object).toJson();
        };

        QTest::newRow("not JSON") << QByteArray("{\"SUMMIT PRO\": [") << QJsonObject{} << 0;
        QTest::newRow("top level array") << QByteArray("[1, 2]") << QJsonObject{} << 0;
        QTest::newRow("member holds a number")
            << QByteArray(R"({"SUMMIT PRO": 5, "SUMMIT PRO 2": "x"})")
            << QJsonObject{{SummitPro, QJsonArray{}}, {QStringLiteral("SUMMIT PRO 2"), QJsonArray{}}} << 0;
        QTest::newRow("file deleted by hand")
            << text({{SummitPro, QJsonArray{c, a, c, b}}, {QStringLiteral("SUMMIT PRO 2"), QJsonArray{c}}})
            << QJsonObject{{SummitPro, QJsonArray{a, b}}, {QStringLiteral("SUMMIT PRO 2"), QJsonArray{}}}
            << 3;
        QTest::newRow("checksums that name no catalogued file")
            << text({{SummitPro, QJsonArray{entry(QString(), QStringLiteral("1.0.0")), a,
                                            entry(QStringLiteral("../outside"), QStringLiteral("1.0.0")),
                                            entry(QStringLiteral("%OUTSIDE%"), QStringLiteral("1.0.0")),
                                            entry(md5('a').toUpper(), QStringLiteral("1.0.0")), 7, b}}})
            << QJsonObject{{SummitPro, QJsonArray{a, b}}} << 5;
    }

    void manifestIsPrunedAtLoad() {
        QFETCH(QByteArray, stored);
        QFETCH(QJsonObject, saved);
        QFETCH(int, dropped);

        const QString base = newPath();
        const QString directory = base + QStringLiteral("/catalog");
        QVERIFY(QDir().mkpath(directory));
        const QString outside = base + QStringLiteral("/outside");
        for (const QString& path :
             {directory + QLatin1Char('/') + md5('a'), directory + QLatin1Char('/') + md5('b'), outside,
              directory + QLatin1Char('/') + md5('A')}) {
            QVERIFY(writeText(path, "firmware"));
        }
        stored.replace("%OUTSIDE%", outside.toUtf8());
        const QString manifestPath = directory + QStringLiteral("/firmware_file_catalog.json");
        QVERIFY(writeText(manifestPath, stored));

        MessageCapture capture;
        {
            fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
            // Pruned in memory only; text that is not a JSON object has been moved aside.
            const bool json = QJsonDocument::fromJson(stored).isObject();
            QCOMPARE(readText(manifestPath), json ? stored : QByteArray("<missing>"));
        }
        QCOMPARE(readJson(manifestPath), saved);
        QCOMPARE(MessageCapture::messages().filter(QStringLiteral("No file for")).size(), dropped);
        QVERIFY(QFileInfo::exists(outside));
    }

    void searchesTheCatalog_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("podHardware");
        QTest::addColumn<QStringList>("versions"); // control-pod versions offered, in order

        QTest::newRow("22, application") << 22 << 144 << 0 << QStringList{"1.80.0", "1.82.1", "1.81.0"};
        QTest::newRow("22, bootloader") << 22 << 145 << 0 << QStringList{"1.82.1"};
        QTest::newRow("22, other hardware") << 22 << 144 << 1 << QStringList{};
        QTest::newRow("23, application") << 23 << 144 << 0 << QStringList{"2.0.0", "2.0.1"};
        QTest::newRow("23, bootloader") << 23 << 145 << 0 << QStringList{"2.0.1"};
    }

    void searchesTheCatalog() {
        QFETCH(int, type);
        QFETCH(int, product);
        QFETCH(int, podHardware);
        QFETCH(QStringList, versions);

        const QString directory = newPath();
        {
            fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
            for (const auto& [model, version] :
                 {std::pair{1, SoftwareVersion{1, 80, 0}}, std::pair{2, SoftwareVersion{2, 0, 0}},
                  std::pair{1, SoftwareVersion{1, 82, 1}}, std::pair{2, SoftwareVersion{2, 0, 1}},
                  std::pair{1, SoftwareVersion{1, 81, 0}}}) {
                QVERIFY(catalog.addOrUpdateFirmware(*firmware(model, version)));
            }
        }
        // Searched in a catalog opened afresh, as at the next start.
        const fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
        const CatalogFiles files = catalog.firmwareForDetector(lodestar(
            static_cast<DetectorType>(type), podHardware, static_cast<cvsw::muppet::ProductTypeId>(product)));
        QStringList offered;
        for (const auto& file : files) {
            offered << file->componentVersions().value(fwup::UpgradeableComponent::CONTROL_POD).toString();
            QCOMPARE(file->detectorType(), static_cast<DetectorType>(type));
            QCOMPARE(md5Of(file->filePath()), QFileInfo(file->filePath()).fileName());
            QCOMPARE(QFileInfo(file->filePath()).absolutePath(), QDir(directory).absolutePath());
        }
        QCOMPARE(offered, versions);
    }

    void managersAreAskedInOrder() {
        const QString directory = newPath();
        const fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
        const auto identity = lodestar(DetectorType::LODESTAR_MODEL_1, 0, Application);
        useManagers({});
        QVERIFY(catalog.firmwareForDetector(identity).empty());
        useManagers({QSharedPointer<FakeManager>::create("x", false),
                     QSharedPointer<FakeManager>::create("x", false, QStringList{"first"}),
                     QSharedPointer<FakeManager>::create("x", false, QStringList{"second", "third"})});
        QCOMPARE(names(catalog.firmwareForDetector(identity)), QStringList{"first"});
    }

    void aManagerThatThrows() {
        const QString directory = newPath();
        const QString manifestPath = directory + QStringLiteral("/firmware_file_catalog.json");
        const auto fw = firmware(1, {1, 80, 0});
        const auto before = QSharedPointer<FakeManager>::create(QStringLiteral("marked"), false);
        const auto thrower = QSharedPointer<FakeManager>::create(QString(), true);
        const auto after = QSharedPointer<FakeManager>::create(QStringLiteral("late"), false);
        useManagers({before, thrower, after});
        {
            fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
            MessageCapture capture;
            QVERIFY(!catalog.addOrUpdateFirmware(*fw));
            QCOMPARE(MessageCapture::of(QtInfoMsg),
                     QStringList{QStringLiteral("Failed to update firmware entry:  fake manager refuses")});
            QCOMPARE(after->calls, 0);
            QVERIFY(
                QFileInfo::exists(directory + QLatin1Char('/') + md5Of(fw->filePath()))); // the copy stays
            QVERIFY(!QFileInfo::exists(manifestPath));                                    // nothing saved

            // The real manager refuses a file whose block index does not fit the manifest.
            useManagers({QSharedPointer<fwup::LodestarCatalogManager>::create()});
            const auto& good = dynamic_cast<const MbuAndTamarindFirmwareCatalogFile&>(*fw);
            fwup::TamarindFirmwareInfo tamarind = good.tamarindInfo();
            tamarind.cpuNetBlockIndex = 2147483648u;
            const MbuAndTamarindFirmwareCatalogFile unreasonable(good.mbuInfo(), tamarind, good.filePath());
            QVERIFY(!catalog.addOrUpdateFirmware(unreasonable));
            QCOMPARE(MessageCapture::of(QtInfoMsg).last(),
                     QStringLiteral("Failed to update firmware entry:  unreasonable block indices"));
            QVERIFY(!QFileInfo::exists(manifestPath));
        }
        // The earlier manager's change reaches the disk with the destructor's save.
        QCOMPARE(readJson(manifestPath), (QJsonObject{{QStringLiteral("marked"), true}}));
    }

    void addFailures_data() {
        QTest::addColumn<int>("fault"); // 0 missing file, 1 a directory, 2 catalog directory cannot be made
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file") << 0 << "Cannot add non-existent file";
        QTest::newRow("not a readable file") << 1 << "Failed to open";
        QTest::newRow("copy fails") << 2 << "Failed to copy";
    }

    void addFailures() {
        QFETCH(int, fault);
        QFETCH(QString, message);

        const auto fw = firmware(1, {1, 80, 0});
        QString directory = newPath();
        if (fault == 2) {
            // A plain file where the catalog's parent directory should be.
            QVERIFY(writeText(directory, "in the way"));
            directory += QStringLiteral("/catalog");
        }
        const auto& good = dynamic_cast<const MbuAndTamarindFirmwareCatalogFile&>(*fw);
        const QString path = fault == 0   ? newPath(QStringLiteral("missing"))
                             : fault == 1 ? root_.path()
                                          : good.filePath();
        const MbuAndTamarindFirmwareCatalogFile file(good.mbuInfo(), good.tamarindInfo(), path);

        MessageCapture capture;
        fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
        QVERIFY(!catalog.addOrUpdateFirmware(file));
        QVERIFY2(MessageCapture::messages().filter(message).size() == 1,
                 qPrintable(MessageCapture::messages().join('\n')));
        if (fault == 2) {
            QCOMPARE(
                MessageCapture::of(QtWarningMsg),
                QStringList{QStringLiteral("Failed to create firmware catalog at \"%1\"").arg(directory)});
        } else {
            QCOMPARE(QDir(directory).entryList(QDir::Files), QStringList{});
        }
    }

    // A save that cannot be completed keeps the manifest that was there.
    void failedSaveKeepsTheOldManifest() {
        const QString directory = newPath();
        const QString manifestPath = directory + QStringLiteral("/firmware_file_catalog.json");
        const auto first = firmware(1, {1, 80, 0});
        const auto second = firmware(1, {1, 81, 0});
        {
            fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
            QVERIFY(catalog.addOrUpdateFirmware(*first));
            const QByteArray saved = readText(manifestPath);
            QVERIFY(
                QFile::copy(second->filePath(), directory + QLatin1Char('/') + md5Of(second->filePath())));

            MessageCapture capture;
            {
                // Room for the firmware files, not for the longer manifest.
                const FileSizeLimit limit(rlim_t(saved.size()));
                QVERIFY(!catalog.addOrUpdateFirmware(*second));
            }
            QCOMPARE(MessageCapture::of(QtWarningMsg),
                     QStringList{QStringLiteral("Failed to write manifest")});
            QCOMPARE(readText(manifestPath), saved);
            QCOMPARE(QDir(directory).entryList(QDir::Files | QDir::Hidden).size(),
                     3); // no half-written file left
        }
        // The in-memory manifest still holds both, and the destructor's save writes them.
        QCOMPARE(readJson(manifestPath).value(SummitPro).toArray().size(), 2);
    }

    // --- firmware for several hardware versions ---

    void severalHardwareVersions_data() {
        QTest::addColumn<int>("podFlags");
        QTest::addColumn<int>("tamarindFlags");
        QTest::addColumn<int>("podHardware");      // of the detector searched for
        QTest::addColumn<int>("tamarindHardware"); // 0: not identified
        QTest::addColumn<QStringList>("found");    // "pod hardware/Tamarind hardware" of each file found

        QTest::newRow("tamarind 1 of 1 and 2") << 0x2 << 0x6 << 1 << 1 << QStringList{"1/1"};
        QTest::newRow("tamarind 2 of 1 and 2") << 0x2 << 0x6 << 1 << 2 << QStringList{"1/2"};
        QTest::newRow("tamarind unknown") << 0x2 << 0x6 << 1 << 0 << QStringList{"1/1", "1/2"};
        QTest::newRow("pod 2, tamarind 2 of 1 and 2 each") << 0x6 << 0x6 << 2 << 2 << QStringList{"2/2"};
    }

    // Parser, catalog and search together: every hardware pair the file names keeps its own entry.
    void severalHardwareVersions() {
        QFETCH(int, podFlags);
        QFETCH(int, tamarindFlags);
        QFETCH(int, podHardware);
        QFETCH(int, tamarindHardware);
        QFETCH(QStringList, found);

        LodestarFirmwareLayout layout;
        layout.podHardwareFlags = std::uint32_t(podFlags);
        layout.tamarindHardwareFlags = std::uint32_t(tamarindFlags);
        const CatalogFiles parsed = firmwareFiles(layout);
        const auto pairs =
            std::size_t(qPopulationCount(quint32(podFlags)) * qPopulationCount(quint32(tamarindFlags)));
        QCOMPARE(parsed.size(), pairs);

        const QString directory = newPath();
        {
            fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
            for (const auto& file : parsed) {
                QVERIFY(catalog.addOrUpdateFirmware(*file));
            }
        }
        const fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
        const CatalogFiles files = catalog.firmwareForDetector(
            lodestar(DetectorType::LODESTAR_MODEL_1, podHardware, Application, tamarindHardware));
        QStringList offered;
        for (const auto& file : files) {
            const auto& combined = dynamic_cast<const MbuAndTamarindFirmwareCatalogFile&>(*file);
            offered << QStringLiteral("%1/%2")
                           .arg(combined.mbuInfo().hardwareVersion)
                           .arg(combined.tamarindInfo().hardwareVersion);
            QCOMPARE(md5Of(file->filePath()), md5Of(parsed.front()->filePath()));
        }
        QCOMPARE(offered, found);
        QCOMPARE(std::size_t(readJson(directory + QStringLiteral("/firmware_file_catalog.json"))
                                 .value(SummitPro)
                                 .toArray()
                                 .size()),
                 pairs);
    }

    // --- damaged files ---

    void unparsableManifestIsKeptAside_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("unreadable"); // readable by nobody

        const QByteArray whole =
            QJsonDocument(QJsonObject{{SummitPro, QJsonArray{entry(md5('a'), QStringLiteral("1.0.0"))}}})
                .toJson();
        QTest::newRow("cut short") << whole.left(whole.size() - 8) << false;
        QTest::newRow("stray byte") << QByteArray("x") + whole << false;
        QTest::newRow("cannot be read") << whole << true;
        QTest::newRow("an array, not an object")
            << QJsonDocument(QJsonArray{entry(md5('a'), QStringLiteral("1.0.0"))}).toJson() << false;
    }

    // The entries of a manifest the catalog cannot read are kept under another name, with a warning,
    // before the catalog starts empty; two in a row keep both.
    void unparsableManifestIsKeptAside() {
        QFETCH(QByteArray, stored);
        QFETCH(bool, unreadable);

        const QString directory = newPath();
        const QString manifestPath = directory + QStringLiteral("/firmware_file_catalog.json");
        QVERIFY(QDir().mkpath(directory));
        QVERIFY(writeText(directory + QLatin1Char('/') + md5('a'), "firmware"));
        const QRegularExpression keptAs(QStringLiteral(
            R"(^Unreadable file ".*/firmware_file_catalog.json" kept as ".*/firmware_file_catalog.json.unreadable-\d{8}T\d{6}Z(-2)?"$)"));
        for (int round = 1; round <= 2; ++round) {
            QVERIFY(writeText(manifestPath, stored));
            MessageCapture capture;
            {
                const cuu::test::FileModesEnforced enforced;
                if (unreadable) {
                    QVERIFY(QFile::setPermissions(manifestPath, QFileDevice::WriteOwner));
                    QFile probe(manifestPath);
                    if (probe.open(QIODevice::ReadOnly)) {
                        QSKIP("This process can read files whatever their mode");
                    }
                }
                const fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
                QVERIFY(catalog.firmwareForDetector(lodestar(DetectorType::LODESTAR_MODEL_1, 0, Application))
                            .empty());
            }
            QCOMPARE(MessageCapture::of(QtWarningMsg).size(), 1);
            QVERIFY2(keptAs.match(MessageCapture::of(QtWarningMsg).first()).hasMatch(),
                     qPrintable(MessageCapture::of(QtWarningMsg).first()));
            QCOMPARE(readJson(manifestPath), QJsonObject{}); // the catalog started empty
        }
        const QDir dir(directory);
        const QStringList aside = dir.entryList({QStringLiteral("firmware_file_catalog.json.unreadable-*")});
        QCOMPARE(aside.size(), 2);
        for (const QString& name : aside) {
            QVERIFY(
                QFile::setPermissions(dir.filePath(name), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
            QCOMPARE(readText(dir.filePath(name)), stored);
        }
    }

    void damagedCopyIsReplaced_data() {
        QTest::addColumn<int>("keep");   // bytes of the copy kept; -1: all
        QTest::addColumn<int>("flipAt"); // byte changed; -1: none

        QTest::newRow("truncated") << 1000 << -1;
        QTest::newRow("one byte changed") << -1 << 300;
    }

    // A catalogued copy that no longer matches its MD5 name is replaced when its file is added again.
    void damagedCopyIsReplaced() {
        QFETCH(int, keep);
        QFETCH(int, flipAt);

        const QString directory = newPath();
        const auto fw = firmware(1, {1, 80, 0});
        const QString checksum = md5Of(fw->filePath());
        const QString copy = directory + QLatin1Char('/') + checksum;
        fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
        QVERIFY(catalog.addOrUpdateFirmware(*fw));

        QByteArray damaged = readText(copy);
        if (keep >= 0) {
            damaged.truncate(keep);
        }
        if (flipAt >= 0) {
            damaged[flipAt] = char(damaged[flipAt] ^ 0x40);
        }
        QVERIFY(writeText(copy, damaged));

        MessageCapture capture;
        QVERIFY(catalog.addOrUpdateFirmware(*fw));
        QCOMPARE(
            MessageCapture::of(QtWarningMsg),
            QStringList{
                QStringLiteral("Catalogued copy \"%1\" does not match its name; replacing it").arg(copy)});
        QCOMPARE(md5Of(copy), checksum);
        QCOMPARE(QDir(directory).entryList(QDir::Files | QDir::Hidden),
                 QStringList({checksum, "firmware_file_catalog.json"}));
    }

    // A source whose bytes change between hashing and copying never leaves a copy under the wrong name.
    void sourceThatChangesWhileCopied() {
        // Every read of this file gives a new random UUID.
        const QString changing = QStringLiteral("/proc/sys/kernel/random/uuid");
        if (!QFileInfo(changing).isReadable()) {
            QSKIP("No source that changes between reads");
        }
        const auto fw = firmware(1, {1, 80, 0});
        const auto& good = dynamic_cast<const MbuAndTamarindFirmwareCatalogFile&>(*fw);
        const MbuAndTamarindFirmwareCatalogFile file(good.mbuInfo(), good.tamarindInfo(), changing);

        const QString directory = newPath();
        fwup::FilesystemFirmwareCatalog catalog{QDir(directory)};
        MessageCapture capture;
        QVERIFY(!catalog.addOrUpdateFirmware(file));
        QCOMPARE(
            MessageCapture::of(QtWarningMsg),
            QStringList{
                QStringLiteral("Firmware file \"%1\" changed while it was being catalogued").arg(changing)});
        QCOMPARE(QDir(directory).entryList(QDir::Files | QDir::Hidden), QStringList{});
    }
};

QTEST_GUILESS_MAIN(TestFirmwareCatalog)
#include "tst_firmware_catalog.moc"
