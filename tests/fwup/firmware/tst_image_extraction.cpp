// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "fwup/firmware/block_image_extraction.h"
#include "fwup/firmware/lodestar_block_secrets.h"
#include "fwup/firmware/lodestar_file_list.h"
#include "fwup/firmware/lodestar_firmware_image_extractor.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/firmware/mbu_and_tamarind_system_update.h"
#include "fwup/firmware/mbu_firmware_catalog_file.h"
#include "fwup/firmware/tamarind_component_firmware_image_extractor.h"
#include "fwup/firmware/tamarind_firmware_catalog_file.h"
#include "fwup/firmware/tamarind_firmware_file_parser.h"
#include "fwup/firmware/tamarind_firmware_image_extractor.h"
#include "fwup/firmware/tamarind_system_update.h"
#include "tests/fwup/firmware/firmware_test_support.h"

using namespace fwtest;
using cvsw::cvbv3::MbuMetadataHeaderV2;
using fwup::DetectorType;
using fwup::IFirmwareCatalogFile;
using fwup::ISystemUpdate;
using fwup::LodestarFirmwareImageExtractor;
using fwup::MbuAndTamarindFirmwareCatalogFile;
using fwup::MbuAndTamarindSystemUpdate;
using fwup::UpgradeableComponent;
using fwup::Version;

namespace {

enum class Kind { Pod, CpuApp, CpuNet };

struct LodestarFile {
    Bytes podImage;
    Bytes cpuAppImage;
    Bytes cpuNetImage;
};

// A Lodestar firmware file of one model: blocks pod, CPUAPP, CPUNET, after a foreign block.
ContainerLayout lodestarFirmware(int model, const LodestarFile& images) {
    MbuHeaderLayout pod;
    pod.version = {1, 80, 4};
    pod.hardwareFlags = 1;
    pod.requiredBtIcdRevision = 3;
    CpuAppHeaderLayout app;
    app.version = {2, 1, 0};
    app.hardwareFlags = 1;
    app.btIcdRevision = 3;
    app.pairingId = pairingId(4);
    CpuNetHeaderLayout net;
    net.pairingId = pairingId(4);
    const BlockLayout podLayout = model == 1 ? podBlock("LDSTCP01", PodSecret1, pod, images.podImage)
                                             : podBlock("LDSTCP02", PodSecret2, pod, images.podImage);
    return {{foreignBlock(), podLayout, cpuAppBlock(app, images.cpuAppImage),
             cpuNetBlock(net, images.cpuNetImage)},
            {}};
}

LodestarFile someImages(std::size_t podSize = 9000, std::size_t appSize = 5000, std::size_t netSize = 4096) {
    return {patternBytes(podSize, 11), patternBytes(appSize, 12), patternBytes(netSize, 13)};
}

// The two extractors the Lodestar registrar registers, in its order.
// Appended one by one: GCC 12 at -O3 warns of an uninitialised pointer in an initializer list of them.
QList<QSharedPointer<LodestarFirmwareImageExtractor>> lodestarExtractors() {
    QList<QSharedPointer<LodestarFirmwareImageExtractor>> extractors;
    extractors.append(
        QSharedPointer<LodestarFirmwareImageExtractor>::create(PodTag1, PodSecret1, CpuAppSecret, CpuNetSecret));
    extractors.append(
        QSharedPointer<LodestarFirmwareImageExtractor>::create(PodTag2, PodSecret2, CpuAppSecret, CpuNetSecret));
    return extractors;
}

std::unique_ptr<IFirmwareCatalogFile> parseSystem(const QString& path, int model) {
    fwup::MbuAndTamarindFirmwareFileParser<MbuMetadataHeaderV2> parser(
        model == 1 ? PodTag1 : PodTag2, CpuAppTag, CpuNetTag, model == 1 ? PodSecret1 : PodSecret2,
        CpuAppSecret, CpuNetSecret,
        model == 1 ? DetectorType::LODESTAR_MODEL_1 : DetectorType::LODESTAR_MODEL_2);
    auto files = parser.parseFile(path);
    if (files.size() != 1) {
        qFatal("expected one catalog file");
    }
    return std::move(files.front());
}

fwup::BlockTagAndSecret key(Kind kind) {
    switch (kind) {
    case Kind::Pod:
        return {PodTag1, PodSecret1};
    case Kind::CpuApp:
        return {CpuAppTag, CpuAppSecret};
    case Kind::CpuNet:
        break;
    }
    return {CpuNetTag, CpuNetSecret};
}

bool fetch(Kind kind, const fwup::BlockTagAndSecret& tagAndSecret, const QString& container,
           unsigned long index, const QString& output) {
    switch (kind) {
    case Kind::Pod:
        return fwup::detail::extractControlPodImage(tagAndSecret, container, index, output);
    case Kind::CpuApp:
        return fwup::detail::extractCpuAppImage(tagAndSecret, container, index, output);
    case Kind::CpuNet:
        break;
    }
    return fwup::detail::extractCpuNetImage(tagAndSecret, container, index, output);
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

class OtherSystemUpdate : public ISystemUpdate {
public:
    QMap<UpgradeableComponent, Version> componentVersions() const override { return {}; }
};

} // namespace

Q_DECLARE_METATYPE(Kind)

class TestImageExtraction : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QTemporaryDir tempDir_; // stands in for the system temporary directory

    QString write(const ContainerLayout& layout, const QString& name = QStringLiteral("fw.cvb")) {
        const QString path = dir_.filePath(name);
        if (!writeContainer(path, layout)) {
            qFatal("could not write the test container");
        }
        return path;
    }

    // The image files in the temporary directory.
    QStringList imageFiles() const {
        return QDir(QDir::tempPath())
            .entryList(
                {QStringLiteral("*cp.mbu"), QStringLiteral("*cpuapp.upd"), QStringLiteral("*cpunet.upd")},
                QDir::Files);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QVERIFY(tempDir_.isValid());
        // Image files land here, so other programs' files in the real one cannot disturb the counts.
        qputenv("TMPDIR", QFile::encodeName(tempDir_.path()));
        QCOMPARE(QDir::tempPath(), QDir(tempDir_.path()).canonicalPath());
    }

    void cleanup() { QCOMPARE(imageFiles(), QStringList{}); }

    // --- the temporary image files ---

    void tamarindUpdateReservesTwoFiles() {
        QStringList names;
        {
            fwup::TamarindComponentUpdate first(Version{1, 2, 3});
            fwup::TamarindComponentUpdate second(Version{4, 5, 6});
            for (const auto* update : {&first, &second}) {
                names << update->cpuAppFile().fileName() << update->cpuNetFile().fileName();
                QVERIFY(update->cpuAppFile().fileName().endsWith(QLatin1String("cpuapp.upd")));
                QVERIFY(update->cpuNetFile().fileName().endsWith(QLatin1String("cpunet.upd")));
            }
            QCOMPARE(second.version(), (Version{4, 5, 6}));
            for (const QString& name : names) {
                QVERIFY(name.startsWith(QDir::tempPath() + QLatin1Char('/')));
                QCOMPARE(QFileInfo(name).fileName().size(), 16);
                QVERIFY(QFileInfo::exists(name));
                QCOMPARE(QFileInfo(name).size(), 0);
            }
            QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), 4);
        }
        for (const QString& name : names) {
            QVERIFY(!QFileInfo::exists(name));
        }
    }

    void systemUpdateReservesThreeFiles() {
        QStringList names;
        {
            const MbuAndTamarindSystemUpdate update(Version{1, 80, 0}, Version{2, 0, 1});
            names << update.controlPodFile().fileName() << update.tamarindUpdate().cpuAppFile().fileName()
                  << update.tamarindUpdate().cpuNetFile().fileName();
            QVERIFY(names[0].endsWith(QLatin1String("cp.mbu")));
            QCOMPARE(imageFiles().size(), 3);
            const QMap<UpgradeableComponent, Version> expected{
                {UpgradeableComponent::CONTROL_POD, {1, 80, 0}}, {UpgradeableComponent::TAMARIND, {2, 0, 1}}};
            QCOMPARE(update.componentVersions(), expected);
            QCOMPARE(update.tamarindUpdate().version(), (Version{2, 0, 1}));
        }
        for (const QString& name : names) {
            QVERIFY(!QFileInfo::exists(name));
        }
    }

    // --- one block's image ---

    void copiesImagesWhole_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<int>("size");
        for (const auto& [kind, name] : {std::pair{Kind::Pod, "pod"}, std::pair{Kind::CpuApp, "cpuapp"},
                                         std::pair{Kind::CpuNet, "cpunet"}}) {
            for (int size : {0, 1, 31, 4095, 4096, 8192, 10000}) {
                QTest::addRow("%s %d", name, size) << kind << size;
            }
        }
    }

    void copiesImagesWhole() {
        QFETCH(Kind, kind);
        QFETCH(int, size);

        const Bytes image = patternBytes(std::size_t(size), std::uint32_t(size) + 1);
        const LodestarFile images{kind == Kind::Pod ? image : Bytes{}, kind == Kind::CpuApp ? image : Bytes{},
                                  kind == Kind::CpuNet ? image : Bytes{}};
        const QString container = write(lodestarFirmware(1, images));
        const QString output = dir_.filePath(QStringLiteral("image"));
        QVERIFY(writeBytes(output, patternBytes(20000, 9))); // longer than any image: truncated first
        const unsigned long index = kind == Kind::Pod ? 1 : kind == Kind::CpuApp ? 2 : 3;
        QVERIFY(fetch(kind, key(kind), container, index, output));
        QCOMPARE(readFile(output), image);
    }

    void refusesWhatItCannotCopy_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<unsigned long>("index");
        QTest::addColumn<int>("damage");     // 0 none, 1 main header CRC, 2 CPUAPP header checksum
        QTest::addColumn<QString>("output"); // empty: a file in the test directory
        QTest::addColumn<QtMsgType>("level");
        QTest::addColumn<QString>("message"); // %1 the container path, %2 the output path

        QTest::newRow("index at block count") << Kind::CpuApp << 4ul << 0 << QString() << QtWarningMsg
                                              << QStringLiteral("CVB %1 does not have block 4");
        QTest::newRow("cpuapp at a cpunet block")
            << Kind::CpuApp << 3ul << 0 << QString() << QtDebugMsg
            << QStringLiteral(
                   "Retrieved block blockId does not match expected blockId! Expected:  LDSTJNA1  got:  "
                   "LDSTJNN1");
        QTest::newRow("pod at a foreign block")
            << Kind::Pod << 0ul << 0 << QString() << QtDebugMsg
            << QStringLiteral(
                   "Retrieved block blockId does not match expected blockId! Expected:  LDSTCP01  got:  "
                   "GRAPHAS1");
        QTest::newRow("main header crc")
            << Kind::CpuNet << 3ul << 1 << QString() << QtWarningMsg
            << QStringLiteral("Failed to load CVB @ %1 - Main Header CRC Invalid");
        QTest::newRow("header checksum")
            << Kind::CpuApp << 2ul << 2 << QString() << QtWarningMsg
            << QStringLiteral("Failed to read block: Header checksum mis-matched.");
        QTest::newRow("output not openable")
            << Kind::CpuNet << 3ul << 0 << QStringLiteral("/nonexistent-directory/image") << QtWarningMsg
            << QStringLiteral("Could not open %2 - \"No such file or directory\"");
        QTest::newRow("full disk") << Kind::Pod << 1ul << 0 << QStringLiteral("/dev/full") << QtWarningMsg
                                   << QStringLiteral("Could not write %2 - \"No space left on device\"");
    }

    void refusesWhatItCannotCopy() {
        QFETCH(Kind, kind);
        QFETCH(unsigned long, index);
        QFETCH(int, damage);
        QFETCH(QString, output);
        QFETCH(QtMsgType, level);
        QFETCH(QString, message);

        if (output.startsWith(QLatin1String("/dev/")) && !QFileInfo::exists(output)) {
            QSKIP("this system has no such device");
        }
        ContainerLayout layout = lodestarFirmware(1, someImages(20000));
        if (damage == 2) {
            CpuAppHeaderLayout app;
            app.hardwareFlags = 1;
            app.headerCrc = 1;
            layout.blocks[2] = cpuAppBlock(app, patternBytes(100));
        }
        Bytes bytes = buildContainer(layout);
        if (damage == 1) {
            setU32(bytes, MainHeaderCrcOffset, getU32(bytes, MainHeaderCrcOffset) ^ 1u);
        }
        const QString container = dir_.filePath(QStringLiteral("bad.cvb"));
        QVERIFY(writeBytes(container, bytes));
        const bool ownOutput = output.isEmpty();
        if (ownOutput) {
            output = dir_.filePath(QStringLiteral("untouched"));
            QVERIFY(writeBytes(output, bytesOf("as it was")));
        }

        MessageCapture capture;
        QVERIFY(!fetch(kind, key(kind), container, index, output));
        // Placeholders filled by hand: QString::arg warns about a missing one, which would be captured.
        message.replace(QLatin1String("%1"), quoted(container)).replace(QLatin1String("%2"), quoted(output));
        QCOMPARE(MessageCapture::of(level), QStringList{message});
        QCOMPARE(MessageCapture::messages().size(), 1);
        if (ownOutput) {
            QCOMPARE(readFile(output), bytesOf("as it was"));
        }
    }

    void noGeneratorForTheTag() {
        BlockLayout strange = foreignBlock("NOSUCHT1");
        const QString container = write({{strange}, {}});
        MessageCapture capture;
        QVERIFY(!fetch(Kind::Pod, {makeTag("NOSUCHT1"), PodSecret1}, container, 0, dir_.filePath("out")));
        QCOMPARE(MessageCapture::of(QtCriticalMsg),
                 QStringList{QStringLiteral(
                     "Misconfiguration: No AuthResponseGenerator for blocks of type \"NOSUCHT1\"")});
    }

    void badImageDataFailsTheCopy() {
        // A block whose header decrypts well but whose last block's padding count is impossible: the fault
        // shows only while the image streams.
        CpuNetHeaderLayout net;
        net.pairingId = pairingId(1);
        Bytes padded = cpuNetHeader(net);
        const Bytes image = patternBytes(6000, 3);
        padded.insert(padded.end(), image.begin(), image.end());
        padded.resize((padded.size() + 31) / 32 * 32, 0);
        padded.back() = 0xFF;
        std::array<std::uint8_t, 128> cryptoHeader{};
        const Bytes filler = patternBytes(128, 6);
        std::copy(filler.begin(), filler.end(), cryptoHeader.begin());
        BlockLayout block;
        block.tag = "LDSTJNN1";
        block.plain = encryptPadded(cryptoHeader, padded, CpuNetSecret, *registryGenerator("LDSTJNN1"));
        block.encrypted = false; // stored as made above
        const QString container = write({{block}, {}});

        MessageCapture capture;
        QVERIFY(!fetch(Kind::CpuNet, key(Kind::CpuNet), container, 0, dir_.filePath(QStringLiteral("net"))));
        const QStringList warnings = MessageCapture::of(QtWarningMsg);
        // The decrypting source's own error line, then the fetch's.
        QCOMPARE(warnings.size(), 2);
        QVERIFY2(warnings[0].contains(QLatin1String("Invalid padding length")), qPrintable(warnings[0]));
        QCOMPARE(warnings[1],
                 QStringLiteral("Failed to extract block image from %1 - Invalid padding length.")
                     .arg(quoted(container)));
    }

    void tamarindPairStopsAtTheFirstFailure() {
        const LodestarFile images = someImages();
        const QString container = write(lodestarFirmware(1, images));
        fwup::TamarindComponentFirmwareImageExtractor extractor(CpuAppTag, CpuNetTag, CpuAppSecret,
                                                                CpuNetSecret);
        const QString app = dir_.filePath(QStringLiteral("app"));
        const QString net = dir_.filePath(QStringLiteral("net"));

        QVERIFY(extractor.extractFirmware(container, 2, 3, app, net));
        QCOMPARE(readFile(app), images.cpuAppImage);
        QCOMPARE(readFile(net), images.cpuNetImage);

        QFile::remove(app);
        QFile::remove(net);
        {
            // CPUNET asked at the CPUAPP block: the CPUAPP image stays written.
            MessageCapture capture;
            QVERIFY(!extractor.extractFirmware(container, 2, 2, app, net));
            QVERIFY(MessageCapture::messages().contains(
                QStringLiteral("Failed to extract Tamarind CPUNET firmware from ") + quoted(container)));
            QCOMPARE(readFile(app), images.cpuAppImage);
            QVERIFY(!QFileInfo::exists(net));
        }
        {
            MessageCapture capture;
            QVERIFY(!extractor.extractFirmware(container, 3, 3, app, net));
            QCOMPARE(MessageCapture::messages().last(),
                     QStringLiteral("Failed to extract Tamarind CPUAPP firmware from ") + quoted(container));
            QVERIFY(!QFileInfo::exists(net));
        }
    }

    // --- the Tamarind-only extractor ---

    void tamarindOnlyExtraction_data() {
        QTest::addColumn<int>("fault");       // 0 none, 1 CPUNET asked at the CPUAPP block, 2 container gone,
                                              // 3 a combined catalog file
        QTest::addColumn<QString>("warning"); // the last warning; %1 the container path

        const QString failed = QStringLiteral("Could not extract tamarind component firmware for file  %1");
        QTest::newRow("whole") << 0 << QString();
        QTest::newRow("cpunet at the cpuapp block") << 1 << failed;
        QTest::newRow("container gone") << 2 << failed;
        QTest::newRow("combined catalog file")
            << 3 << QStringLiteral("This firmware cannot be extracted by this extractor.");
    }

    void tamarindOnlyExtraction() {
        QFETCH(int, fault);
        QFETCH(QString, warning);

        const LodestarFile images = someImages();
        const QString container = write(lodestarFirmware(1, images));
        const fwup::TamarindFirmwareFileParser parser(DetectorType::LODESTAR_MODEL_1, CpuAppTag, CpuNetTag,
                                                      CpuAppSecret, CpuNetSecret);
        const auto parsed = parser.parseTamarindFile(container);
        QCOMPARE(parsed.size(), std::size_t(1));
        fwup::TamarindFirmwareInfo info = parsed[0]->info();
        if (fault == 1) {
            info.cpuNetBlockIndex = info.cpuAppBlockIndex;
        }
        const QString path = fault == 2 ? dir_.filePath(QStringLiteral("gone.cvb")) : container;
        const fwup::TamarindFirmwareCatalogFile tamarindFile(info, path);
        const auto combinedFile = parseSystem(container, 1);
        const IFirmwareCatalogFile& file =
            fault == 3 ? *combinedFile : static_cast<const IFirmwareCatalogFile&>(tamarindFile);

        fwup::TamarindFirmwareImageExtractor extractor(CpuAppTag, CpuNetTag, CpuAppSecret, CpuNetSecret);
        MessageCapture capture;
        std::unique_ptr<ISystemUpdate> update = extractor.extractFirmware(file);
        if (!warning.isEmpty()) {
            QVERIFY(!update); // cleanup() checks that the attempt left no image file
            QCOMPARE(MessageCapture::of(QtWarningMsg).last(),
                     warning.replace(QLatin1String("%1"), quoted(path)));
            return;
        }
        QVERIFY(update);
        const auto& system = dynamic_cast<const fwup::TamarindSystemUpdate&>(*update);
        QCOMPARE(system.detectorType(), DetectorType::LODESTAR_MODEL_1);
        const QMap<UpgradeableComponent, Version> tamarindOnly{{UpgradeableComponent::TAMARIND, {2, 1, 0}}};
        QCOMPARE(update->componentVersions(), tamarindOnly);
        QCOMPARE(readFile(system.component().cpuAppFile().fileName()), images.cpuAppImage);
        QCOMPARE(readFile(system.component().cpuNetFile().fileName()), images.cpuNetImage);
        QCOMPARE(imageFiles().size(), 2);
    }

    // --- the Lodestar extractor ---

    void extractsTheFirstModel() {
        const LodestarFile images = someImages(70000, 33000, 12345);
        const QString container = write(lodestarFirmware(1, images));
        const auto catalogFile = parseSystem(container, 1);

        QStringList names;
        {
            std::unique_ptr<ISystemUpdate> update =
                lodestarExtractors().first()->extractFirmware(*catalogFile);
            QVERIFY(update);
            const auto& system = dynamic_cast<const MbuAndTamarindSystemUpdate&>(*update);
            names << system.controlPodFile().fileName() << system.tamarindUpdate().cpuAppFile().fileName()
                  << system.tamarindUpdate().cpuNetFile().fileName();
            QCOMPARE(readFile(names[0]), images.podImage);
            QCOMPARE(readFile(names[1]), images.cpuAppImage);
            QCOMPARE(readFile(names[2]), images.cpuNetImage);
            QCOMPARE(update->componentVersions(), catalogFile->componentVersions());
            QCOMPARE(update->componentVersions().keys(),
                     (QList<UpgradeableComponent>{UpgradeableComponent::CONTROL_POD,
                                                  UpgradeableComponent::TAMARIND}));
            QCOMPARE(imageFiles().size(), 3);
        }
        for (const QString& name : names) {
            QVERIFY(!QFileInfo::exists(name));
        }
    }

    void secondModelFallsThroughToTheSecondExtractor() {
        const LodestarFile images = someImages();
        const QString container = write(lodestarFirmware(2, images));
        const auto catalogFile = parseSystem(container, 2);
        const auto extractors = lodestarExtractors();
        {
            MessageCapture capture;
            QVERIFY(!extractors[0]->extractFirmware(*catalogFile));
            QCOMPARE(MessageCapture::of(QtDebugMsg),
                     QStringList{
                         QStringLiteral("Retrieved block blockId does not match expected blockId! Expected:  "
                                        "LDSTCP01  got:  LDSTCP02")});
            QCOMPARE(MessageCapture::of(QtWarningMsg),
                     QStringList{QStringLiteral("Failed to extract control pod firmware from ") +
                                 quoted(container)});
            QCOMPARE(imageFiles(), QStringList{});
        }
        const auto update = extractors[1]->extractFirmware(*catalogFile);
        QVERIFY(update);
        QCOMPARE(
            readFile(dynamic_cast<const MbuAndTamarindSystemUpdate&>(*update).controlPodFile().fileName()),
            images.podImage);
    }

    void damagedContainerLeavesNothing() {
        const LodestarFile images = someImages();
        const QString container = write(lodestarFirmware(1, images));
        const auto catalogFile = parseSystem(container, 1);
        Bytes bytes = readFile(container);
        flipByte(bytes, bytes.size() - 10); // CPUNET data: the container no longer checks
        QVERIFY(writeBytes(container, bytes));

        MessageCapture capture;
        QVERIFY(!lodestarExtractors().first()->extractFirmware(*catalogFile));
        QCOMPARE(
            MessageCapture::of(QtWarningMsg),
            QStringList(
                {QStringLiteral("Failed to load CVB @ %1 - Block data CRC invalid.").arg(quoted(container)),
                 QStringLiteral("Failed to extract control pod firmware from ") + quoted(container)}));
    }

    void otherCatalogFilesAreRefused() {
        const fwup::MbuFirmwareInfo mbu{1, DetectorType::LODESTAR_MODEL_1, {1, 0, 0}, 0};
        const fwup::TamarindFirmwareInfo tamarind{2, 3, DetectorType::LODESTAR_MODEL_1, {1, 0, 0}, 3, 0};
        const QString path = dir_.filePath(QStringLiteral("any.cvb"));
        const fwup::MbuFirmwareCatalogFile<MbuMetadataHeaderV2> podOnly(mbu, MbuMetadataHeaderV2{}, path);
        const fwup::TamarindFirmwareCatalogFile tamarindOnly(tamarind, path);
        for (const IFirmwareCatalogFile* file : {static_cast<const IFirmwareCatalogFile*>(&podOnly),
                                                 static_cast<const IFirmwareCatalogFile*>(&tamarindOnly)}) {
            MessageCapture capture;
            QVERIFY(!lodestarExtractors().first()->extractFirmware(*file));
            QCOMPARE(
                MessageCapture::of(QtWarningMsg),
                QStringList{QStringLiteral(
                    "Attempting to cast to mbu and tamarind firmware catalog file from incompatible type")});
        }
    }

    void equalTamarindIndexesNeverExtract() {
        const LodestarFile images = someImages();
        const QString container = write(lodestarFirmware(1, images));
        const MbuAndTamarindFirmwareCatalogFile file({1, DetectorType::LODESTAR_MODEL_1, {1, 80, 4}, 0},
                                                     {0, 0, DetectorType::LODESTAR_MODEL_1, {2, 1, 0}, 3, 0},
                                                     container);
        MessageCapture capture;
        QVERIFY(!lodestarExtractors().first()->extractFirmware(file));
        QCOMPARE(MessageCapture::of(QtWarningMsg),
                 QStringList{QStringLiteral("Failed to extract tamarind component firmware from  ") +
                             quoted(container)});
    }

    void fullDiskFailsCleanly() {
        const LodestarFile images = someImages(300000, 10000, 10000);
        const QString container = write(lodestarFirmware(1, images));
        const auto catalogFile = parseSystem(container, 1);
        std::unique_ptr<ISystemUpdate> update;
        MessageCapture capture;
        {
            const FileSizeLimit limit(128 * 1024);
            update = lodestarExtractors().first()->extractFirmware(*catalogFile);
        }
        QVERIFY(!update);
        const QStringList warnings = MessageCapture::of(QtWarningMsg);
        QCOMPARE(warnings.size(), 2);
        QVERIFY2(warnings[0].startsWith(QLatin1String("Could not write")), qPrintable(warnings[0]));
        QCOMPARE(warnings[1],
                 QStringLiteral("Failed to extract control pod firmware from ") + quoted(container));
        // cleanup() checks that no image file is left.
    }

    // --- what the registrar hands over ---

    void lodestarFileListNamesThePodImage() {
        const MbuAndTamarindSystemUpdate update(Version{1, 0, 0}, Version{1, 0, 0});
        std::list<std::pair<cvsw::corvane::FileId, QString>> files{{1, QStringLiteral("old")},
                                                                   {2, QString()}};
        QVERIFY(fwup::buildLodestarFileList(files, update));
        QCOMPARE(files.size(), std::size_t(1));
        QCOMPARE(files.front().first, cvsw::corvane::FileId(11000));
        QCOMPARE(files.front().second, update.controlPodFile().fileName());

        MessageCapture capture;
        QVERIFY(!fwup::buildLodestarFileList(files, OtherSystemUpdate()));
        QCOMPARE(MessageCapture::of(QtCriticalMsg), QStringList{QStringLiteral("Unexpected system update")});
        QCOMPARE(files.size(), std::size_t(1));
    }

    void lodestarSecretsAreTheFamilysKeys() {
        const auto production = fwup::lodestar_block_secrets(true);
        QCOMPARE(production.controlPodModel1, LodestarModel1ProductionSecret);
        QCOMPARE(production.controlPodModel2, LodestarModel2ProductionSecret);
        QCOMPARE(production.cpuApp, LodestarJuniperCpuAppProductionSecret);
        QCOMPARE(production.cpuNet, LodestarJuniperCpuNetProductionSecret);
        const auto development = fwup::lodestar_block_secrets(false);
        QCOMPARE(development.controlPodModel1, LodestarModel1DevelopmentSecret);
        QCOMPARE(development.controlPodModel2, LodestarModel2DevelopmentSecret);
        QCOMPARE(development.cpuApp, LodestarJuniperCpuAppDevelopmentSecret);
        QCOMPARE(development.cpuNet, LodestarJuniperCpuNetDevelopmentSecret);
    }
};

QTEST_GUILESS_MAIN(TestImageExtraction)
#include "tst_image_extraction.moc"
