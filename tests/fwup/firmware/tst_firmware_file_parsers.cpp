// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include "cvbv3/block_registry.h"
#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/lodestar_control_pod_mbu_json_block_builder.h"
#include "cvbv3/vector_data_source.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/firmware/mbu_firmware_file_parser.h"
#include "fwup/firmware/tamarind_firmware_file_parser.h"
#include "tests/fwup/firmware/firmware_test_support.h"

using namespace fwtest;
using cvsw::cvbv3::MbuMetadataHeaderV2;
using fwup::DetectorType;
using fwup::IFirmwareCatalogFile;
using fwup::MbuAndTamarindFirmwareCatalogFile;
using fwup::UpgradeableComponent;
using fwup::Version;

using CatalogFiles = std::vector<std::unique_ptr<IFirmwareCatalogFile>>;
using CombinedParser = fwup::MbuAndTamarindFirmwareFileParser<MbuMetadataHeaderV2>;

Q_DECLARE_METATYPE(ContainerLayout)
Q_DECLARE_METATYPE(MbuHeaderLayout)

namespace {

const Bytes Image = patternBytes(500, 8);

MbuHeaderLayout pod(std::uint32_t flags, std::uint16_t icd, SoftwareVersion version = {1, 77, 3}) {
    MbuHeaderLayout layout;
    layout.version = version;
    layout.hardwareFlags = flags;
    layout.requiredBtIcdRevision = icd;
    return layout;
}

BlockLayout pod1(MbuHeaderLayout header) {
    return podBlock("LDSTCP01", PodSecret1, header, Image);
}

BlockLayout pod2(MbuHeaderLayout header) {
    return podBlock("LDSTCP02", PodSecret2, header, Image);
}

// A CPUAPP block for the given hardware flags and ICD revision and its CPUNET partner.
std::vector<BlockLayout> tamarindPair(std::uint32_t flags, std::uint16_t icd, std::uint32_t pairing = 1,
                                      SoftwareVersion version = {2, 0, 5}) {
    CpuAppHeaderLayout app;
    app.version = version;
    app.hardwareFlags = flags;
    app.btIcdRevision = icd;
    app.pairingId = pairingId(pairing);
    CpuNetHeaderLayout net;
    net.pairingId = pairingId(pairing);
    return {cpuAppBlock(app, Image), cpuNetBlock(net, Image)};
}

ContainerLayout container(std::initializer_list<std::vector<BlockLayout>> groups) {
    ContainerLayout layout;
    for (const auto& group : groups) {
        layout.blocks.insert(layout.blocks.end(), group.begin(), group.end());
    }
    return layout;
}

// The two parsers the Lodestar registrar registers, in its order.
CombinedParser model1Parser() {
    return CombinedParser(PodTag1, CpuAppTag, CpuNetTag, PodSecret1, CpuAppSecret, CpuNetSecret,
                          DetectorType::LODESTAR_MODEL_1);
}

CombinedParser model2Parser() {
    return CombinedParser(PodTag2, CpuAppTag, CpuNetTag, PodSecret2, CpuAppSecret, CpuNetSecret,
                          DetectorType::LODESTAR_MODEL_2);
}

const MbuAndTamarindFirmwareCatalogFile& combined(const std::unique_ptr<IFirmwareCatalogFile>& file) {
    const auto* result = dynamic_cast<const MbuAndTamarindFirmwareCatalogFile*>(file.get());
    if (!result) {
        qFatal("not a combined catalog file");
    }
    return *result;
}

// "pod block, pod hardware, cpuapp block, cpunet block, tamarind hardware" of each combined file.
QStringList describe(const CatalogFiles& files) {
    QStringList lines;
    for (const auto& file : files) {
        const auto& c = combined(file);
        lines << QStringLiteral("%1 %2 %3 %4 %5")
                     .arg(c.mbuInfo().blockIndex)
                     .arg(c.mbuInfo().hardwareVersion)
                     .arg(c.tamarindInfo().cpuAppBlockIndex)
                     .arg(c.tamarindInfo().cpuNetBlockIndex)
                     .arg(c.tamarindInfo().hardwareVersion);
    }
    return lines;
}

} // namespace

class TestFirmwareFileParsers : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const ContainerLayout& layout) {
        const QString path = dir_.filePath(QStringLiteral("fw.cvb"));
        if (!writeContainer(path, layout)) {
            qFatal("could not write the test container");
        }
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void combinations_data() {
        QTest::addColumn<ContainerLayout>("layout");
        QTest::addColumn<QStringList>("model1");
        QTest::addColumn<QStringList>("model2");

        QTest::newRow("model 1 system") << container({{pod1(pod(1, 7))}, tamarindPair(1, 7)})
                                        << QStringList{"0 0 1 2 0"} << QStringList{};
        // Bits 1 and 2 of the pod's flags, one Tamarind hardware version: two files, second parser only.
        QTest::newRow("model 2, two pod versions") << container({{pod2(pod(6, 7))}, tamarindPair(1, 7)})
                                                   << QStringList{} << QStringList{"0 1 1 2 0", "0 2 1 2 0"};
        QTest::newRow("two by two, pod major")
            << container({tamarindPair(0x18, 9), {pod1(pod(0x3, 9))}})
            << QStringList{"2 0 0 1 3", "2 0 0 1 4", "2 1 0 1 3", "2 1 0 1 4"} << QStringList{};
        // ICD revision 258 pairs with the 258 pair only.
        QTest::newRow("icd revision decides") << container({{pod1(pod(1, 258))},
                                                            tamarindPair(1, 2, 1),
                                                            tamarindPair(2, 258, 2),
                                                            tamarindPair(4, 259, 3)})
                                              << QStringList{"0 0 3 4 1"} << QStringList{};
        QTest::newRow("both models in one file")
            << container({{pod1(pod(1, 5)), pod2(pod(2, 5))}, tamarindPair(1, 5)}) << QStringList{"0 0 2 3 0"}
            << QStringList{"1 1 2 3 0"};
        QTest::newRow("pod only") << container({{pod1(pod(1, 7)), foreignBlock()}}) << QStringList{}
                                  << QStringList{};
        QTest::newRow("tamarind only") << container({tamarindPair(1, 7)}) << QStringList{} << QStringList{};
        // Whole firmwares of the container kit, built for several hardware versions of each part.
        QTest::newRow("pod 1, tamarind 1 and 2")
            << lodestarFirmware({.podHardwareFlags = 0x2, .tamarindHardwareFlags = 0x6})
            << QStringList{"0 1 1 2 1", "0 1 1 2 2"} << QStringList{};
        QTest::newRow("model 2, pod 1 and 2, tamarind 1 and 2")
            << lodestarFirmware({.model = 2, .podHardwareFlags = 0x6, .tamarindHardwareFlags = 0x6})
            << QStringList{} << QStringList{"0 1 1 2 1", "0 1 1 2 2", "0 2 1 2 1", "0 2 1 2 2"};
        QTest::newRow("pod fits no hardware")
            << container({{pod1(pod(0, 7))}, tamarindPair(1, 7)}) << QStringList{} << QStringList{};
        QTest::newRow("cpuapp without cpunet")
            << container({{pod1(pod(1, 7))}, {tamarindPair(1, 7)[0]}}) << QStringList{} << QStringList{};
    }

    void combinations() {
        QFETCH(ContainerLayout, layout);
        QFETCH(QStringList, model1);
        QFETCH(QStringList, model2);

        const QString path = write(layout);
        auto first = model1Parser();
        auto second = model2Parser();
        const CatalogFiles fromFirst = first.parseFile(path);
        const CatalogFiles fromSecond = second.parseFile(path);
        QCOMPARE(describe(fromFirst), model1);
        QCOMPARE(describe(fromSecond), model2);

        for (const auto* files : {&fromFirst, &fromSecond}) {
            const DetectorType expected =
                files == &fromFirst ? DetectorType::LODESTAR_MODEL_1 : DetectorType::LODESTAR_MODEL_2;
            for (const auto& file : *files) {
                QCOMPARE(file->filePath(), path);
                QCOMPARE(file->detectorType(), expected);
                QCOMPARE(combined(file).tamarindInfo().detectorType, expected);
            }
        }
    }

    void combinedVersions() {
        const QString path =
            write(container({{pod2(pod(1, 3, {1, 80, 2}))}, tamarindPair(1, 3, 1, {4, 5, 6})}));
        auto parser = model2Parser();
        const CatalogFiles files = parser.parseFile(path);
        QCOMPARE(files.size(), std::size_t(1));
        const QMap<UpgradeableComponent, Version> expected{{UpgradeableComponent::CONTROL_POD, {1, 80, 2}},
                                                           {UpgradeableComponent::TAMARIND, {4, 5, 6}}};
        QCOMPARE(files[0]->componentVersions(), expected);
        QCOMPARE(files[0]->detectorType(), DetectorType::LODESTAR_MODEL_2);
        QCOMPARE(int(files[0]->detectorType()), 23);
    }

    // A container whose control-pod block the JSON block builder made, with a Tamarind pair beside it,
    // is read by the parser that the registrar registers for type 22.
    void builderMadeContainerParses_data() {
        QTest::addColumn<QByteArray>(
            "description"); // over a base description of pod 3.49.7 for hardware 1, 2
        QTest::addColumn<QStringList>("model1");

        QTest::newRow("revision 2, production secret")
            << QByteArray(R"({"required_bt_icd_revision": 7, "use_production_secret": true})")
            << QStringList{"0 1 1 2 0", "0 2 1 2 0"};
        QTest::newRow("revision 1 header")
            << QByteArray(R"({"use_production_secret": true})") << QStringList{};
        QTest::newRow("development secret")
            << QByteArray(R"({"required_bt_icd_revision": 7})") << QStringList{};
        QTest::newRow("other icd revision")
            << QByteArray(R"({"required_bt_icd_revision": 8, "use_production_secret": true})")
            << QStringList{};
    }

    void builderMadeContainerParses() {
        QFETCH(QByteArray, description);
        QFETCH(QStringList, model1);

        const QString image = dir_.filePath(QStringLiteral("pod.bin"));
        QVERIFY(writeBytes(image, Image));
        QJsonObject object = QJsonDocument::fromJson(description).object();
        object.insert(QStringLiteral("block_id"), QStringLiteral("LDSTCP01"));
        object.insert(QStringLiteral("sw_version"), QStringLiteral("3.49.7"));
        object.insert(QStringLiteral("compatible_hw_versions"), QJsonArray{1, 2});
        object.insert(QStringLiteral("build_description"), QStringLiteral("Control pod 3.49.7"));
        object.insert(QStringLiteral("filename"), image);

        cvsw::cvbv3::CvbFile container;
        cvsw::cvbv3::LodestarControlPodMbuJsonBlockBuilder builder(LodestarModel1DevelopmentSecret,
                                                                   PodSecret1);
        builder.setBlock(container.addBlock());
        QVERIFY(builder.loadFromJsonObject(object));
        for (const BlockLayout& layout : tamarindPair(1, 7, 1, {2, 0, 5})) {
            const auto block = container.addBlock();
            block->header().setBlockId(makeTag(layout.tag));
            block->setDataSource(std::make_shared<cvsw::cvbv3::VectorDataSource>(encryptBlockData(layout)));
        }
        const QString path = dir_.filePath(QStringLiteral("built.cvb"));
        QVERIFY(container.saveToFile(path.toStdString()));

        MessageCapture capture; // the refused rows log why
        auto parser = model1Parser();
        const CatalogFiles files = parser.parseFile(path);
        QCOMPARE(describe(files), model1);
        const QMap<UpgradeableComponent, Version> versions{{UpgradeableComponent::CONTROL_POD, {3, 49, 7}},
                                                           {UpgradeableComponent::TAMARIND, {2, 0, 5}}};
        for (const auto& file : files) {
            QCOMPARE(file->componentVersions(), versions);
        }
    }

    void foreignFilesGiveOnlyDebugLines_data() {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("text file") << QByteArray("firmware notes\nversion 1.2.3\n");
        QTest::newRow("empty file") << QByteArray("");
        const Bytes foreign = buildContainer(container({{foreignBlock(), foreignBlock("HERNCBM1")}}));
        QTest::newRow("container of another family")
            << QByteArray(reinterpret_cast<const char*>(foreign.data()), qsizetype(foreign.size()));
    }

    void foreignFilesGiveOnlyDebugLines() {
        QFETCH(QByteArray, contents);
        const QString path = dir_.filePath(QStringLiteral("foreign"));
        QVERIFY(writeBytes(path, Bytes(contents.begin(), contents.end())));

        MessageCapture capture;
        auto first = model1Parser();
        auto second = model2Parser();
        QVERIFY(first.parseFile(path).empty());
        QVERIFY(second.parseFile(path).empty());
        QCOMPARE(MessageCapture::of(QtDebugMsg).size(), MessageCapture::messages().size());
    }

    void badPodHeadersAreSkipped_data() {
        QTest::addColumn<MbuHeaderLayout>("bad");
        QTest::addColumn<QString>("reason");

        MbuHeaderLayout revision = pod(1, 7);
        revision.metadataRevision = 1;
        QTest::newRow("revision 1") << revision << QStringLiteral("Mis-matched block header version.");
        MbuHeaderLayout extension = pod(1, 7);
        extension.extensionVersion = 0;
        QTest::newRow("extension 0") << extension << QStringLiteral("Mis-matched block header version.");
        MbuHeaderLayout crc = pod(1, 7);
        const Bytes good = mbuHeader(pod(1, 7));
        crc.headerCrc = cvsw::cvbv3::Crc32::compute(good.data(), 17) ^ 1u;
        QTest::newRow("crc one bit") << crc << QStringLiteral("Header checksum mis-matched.");
    }

    void badPodHeadersAreSkipped() {
        QFETCH(MbuHeaderLayout, bad);
        QFETCH(QString, reason);

        // The bad block comes first; the good one after it still yields its firmware.
        const QString path = write(container({{pod1(bad), pod1(pod(2, 7))}, tamarindPair(1, 7)}));
        MessageCapture capture;
        auto parser = model1Parser();
        QCOMPARE(describe(parser.parseFile(path)), QStringList{"1 1 2 3 0"});
        // The message ends its text in a blank, and the log stream adds another.
        QCOMPARE(MessageCapture::of(QtWarningMsg),
                 QStringList{QStringLiteral("Failed to create blockReader:  ") + reason});
    }

    void podParserAlone() {
        const QString path = write(container({{foreignBlock(), pod1(pod(0x5, 300, {9, 8, 7}))}}));
        MessageCapture capture;
        fwup::MbuFirmwareFileParser<MbuMetadataHeaderV2> parser(DetectorType::LODESTAR_MODEL_1, PodTag1,
                                                                PodSecret1);
        const auto files = parser.parseMbuFile(path);
        QCOMPARE(files.size(), std::size_t(2));
        QCOMPARE(files[0]->info(), (fwup::MbuFirmwareInfo{1, DetectorType::LODESTAR_MODEL_1, {9, 8, 7}, 0}));
        QCOMPARE(files[1]->info(), (fwup::MbuFirmwareInfo{1, DetectorType::LODESTAR_MODEL_1, {9, 8, 7}, 2}));
        QCOMPARE(files[1]->header().extension.requiredBtIcdRevision, std::uint16_t(300));
        const QMap<UpgradeableComponent, Version> podOnly{{UpgradeableComponent::CONTROL_POD, {9, 8, 7}}};
        QCOMPARE(files[0]->componentVersions(), podOnly);
        const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
        QCOMPARE(
            MessageCapture::messages(),
            QStringList({QStringLiteral("Adding block 1 from %1 which supports HW version 0").arg(quoted),
                         QStringLiteral("Adding block 1 from %1 which supports HW version 2").arg(quoted)}));
        QCOMPARE(parser.parseFile(path).size(), std::size_t(2));
    }

    void tamarindParserAlone() {
        fwup::TamarindFirmwareFileParser parser(DetectorType::LODESTAR_MODEL_1, CpuAppTag, CpuNetTag,
                                                CpuAppSecret, CpuNetSecret);
        QVERIFY(parser.parseFile(dir_.filePath(QStringLiteral("missing"))).empty());
        QVERIFY(parser.parseFile(write(container({{pod1(pod(1, 1))}}))).empty());

        const QString path = write(container({tamarindPair(0x6, 4, 1, {3, 3, 3})}));
        const auto files = parser.parseTamarindFile(path);
        QCOMPARE(files.size(), std::size_t(2));
        for (const auto& file : files) {
            QCOMPARE(file->filePath(), path);
            QCOMPARE(file->detectorType(), DetectorType::LODESTAR_MODEL_1);
            const QMap<UpgradeableComponent, Version> tamarindOnly{
                {UpgradeableComponent::TAMARIND, {3, 3, 3}}};
            QCOMPARE(file->componentVersions(), tamarindOnly);
        }
        fwup::TamarindFirmwareInfo second = files[0]->info();
        second.hardwareVersion = 2;
        QCOMPARE(files[0]->info().hardwareVersion, 1u);
        QCOMPARE(files[1]->info(), second);
        QCOMPARE(parser.parseFile(path).size(), std::size_t(2));
    }

    void noGeneratorForThePodTag() {
        MessageCapture capture;
        fwup::MbuFirmwareFileParser<MbuMetadataHeaderV2> parser(DetectorType::LODESTAR_MODEL_1,
                                                                makeTag("NOSUCHT1"), PodSecret1);
        // The file is not opened: a missing file logs no load failure.
        QVERIFY(parser.parseFile(dir_.filePath(QStringLiteral("missing"))).empty());
        QCOMPARE(MessageCapture::messages(),
                 QStringList{QStringLiteral("Misconfiguration to handle firmware")});
        QCOMPARE(MessageCapture::of(QtCriticalMsg).size(), 1);
    }

    void unexpectedExceptionsStopAtTheParser() {
        // A registry row whose factory throws: the parse of this file ends, the caller gets nothing.
        cvsw::cvbv3::globalBlockRegistry()[makeTag("TESTTHR2")] =
            []() -> std::shared_ptr<cvsw::cvbv3::AuthResponseGenerator> {
            throw std::bad_alloc();
        };
        const QString path = write(container({{pod1(pod(1, 1))}}));
        MessageCapture capture;
        CombinedParser parser(makeTag("TESTTHR2"), makeTag("TESTTHR2"), CpuNetTag, PodSecret1, CpuAppSecret,
                              CpuNetSecret, DetectorType::LODESTAR_MODEL_1);
        QVERIFY(parser.parseFile(path).empty());
        QCOMPARE(MessageCapture::of(QtWarningMsg).size(), 2); // the pod parse and the CPUAPP read
        cvsw::cvbv3::globalBlockRegistry().erase(makeTag("TESTTHR2"));
    }
};

QTEST_GUILESS_MAIN(TestFirmwareFileParsers)
#include "tst_firmware_file_parsers.moc"
