// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QTemporaryDir>
#include <QTest>

#include "cvbv3/block_registry.h"
#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"
#include "fwup/firmware/block_metadata_reader.h"
#include "fwup/firmware/bluetooth_client_metadata.h"
#include "fwup/firmware/q_file_source.h"
#include "fwup/firmware/tamarind_cpu_app_extended_header_fields.h"
#include "fwup/firmware/tamarind_cpu_net_header_fields.h"
#include "fwup/firmware/tamarind_firmware_info.h"
#include "tests/fwup/firmware/firmware_test_support.h"

#include <functional>

using namespace fwtest;
using cvsw::cvbv3::MbuMetadataHeaderV2;
using cvsw::cvbv3::QFileSource;
using cvsw::cvbv3::tamarind::v1::TamarindCpuAppMetadataHeader;
using cvsw::cvbv3::tamarind::v1::TamarindCpuNetHeaderFields;
using fwup::DetectorType;
using fwup::TamarindFirmwareInfo;
using fwup::detail::BlockMetadataReader;

using BlockMaker = std::function<BlockLayout()>;
Q_DECLARE_METATYPE(BlockMaker)
Q_DECLARE_METATYPE(ContainerLayout)
Q_DECLARE_METATYPE(CpuAppHeaderLayout)

namespace {

const Bytes Image = patternBytes(300, 5);

Bytes concat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The CRC a header should carry: over everything but its last four bytes.
std::uint32_t correctCrc(const Bytes& header) {
    return cvsw::cvbv3::Crc32::compute(header.data(), header.size() - 4);
}

CpuAppHeaderLayout cpuApp(std::uint32_t flags, std::uint32_t pairing, std::uint16_t icd = 7) {
    CpuAppHeaderLayout layout;
    layout.version = {2, 3, 4};
    layout.hardwareFlags = flags;
    layout.pairingId = pairingId(pairing);
    layout.btIcdRevision = icd;
    return layout;
}

CpuNetHeaderLayout cpuNet(std::uint32_t pairing) {
    CpuNetHeaderLayout layout;
    layout.pairingId = pairingId(pairing);
    return layout;
}

// Runs the reader of Header over block 0 of a container holding the given block; returns the
// exception's text, or "" when the header was read, with the image that follows it.
template <typename Header>
QString readFirst(const BlockLayout& block, const Secret& secret, Bytes* rest = nullptr) {
    const auto file = loadContainer(buildContainer({{block}, {}}));
    try {
        const BlockMetadataReader<Header> reader(file->blockByIndex(0), registryGenerator(block.tag), secret);
        if (rest) {
            Bytes buffer(4096);
            for (;;) {
                const auto n = reader.source()->readChunk(buffer.data(), 4096);
                if (n == 0) {
                    break;
                }
                rest->insert(rest->end(), buffer.begin(), buffer.begin() + n);
            }
        }
        return {};
    } catch (const std::exception& e) {
        return QString::fromLatin1(e.what());
    }
}
} // namespace

class TestTamarindMetadata : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString write(const ContainerLayout& layout, const QString& name = QStringLiteral("fw.cvb")) {
        const QString path = dir_.filePath(name);
        if (!writeContainer(path, layout)) {
            qFatal("could not write the test container");
        }
        return path;
    }

    std::vector<TamarindFirmwareInfo> pair(const QString& path, const fwup::BlockTag& netTag = CpuNetTag) {
        return fwup::parse_file_for_tamarind_firmware_info(path, DetectorType::LODESTAR_MODEL_1, CpuAppTag,
                                                           netTag, CpuAppSecret, CpuNetSecret);
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // --- the file store ---

    void fileSourceRefusesWhatItCannotOpen() {
        try {
            QFileSource source(dir_.filePath(QStringLiteral("absent")));
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("File does not exist"));
        }
        try {
            QFileSource source(dir_.path());
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("File could not be opened"));
        }
    }

    void fileSourcePositionIsExact() {
        const QString path = dir_.filePath(QStringLiteral("bytes"));
        const Bytes bytes = patternBytes(50000, 3);
        QVERIFY(writeBytes(path, bytes));
        QFileSource source(path);
        QCOMPARE(source.size(), 50000);
        QCOMPARE(source.position(), 0);

        char buffer[300];
        QCOMPARE(source.read(buffer, 7), 7);
        QCOMPARE(source.position(), 7);
        QCOMPARE(std::memcmp(buffer, bytes.data(), 7), 0);
        source.skip(1000);
        QCOMPARE(source.position(), 1007);
        QCOMPARE(source.read(buffer, 300), 300);
        QCOMPARE(std::memcmp(buffer, bytes.data() + 1007, 300), 0);
        QCOMPARE(source.position(), 1307);
        source.skip(-307);
        QCOMPARE(source.position(), 1000);
        source.seek(49990);
        QCOMPARE(source.read(buffer, 300), 10);
        QCOMPARE(source.position(), 50000);
        QCOMPARE(source.read(buffer, 300), 0);
        QCOMPARE(source.read(buffer, 0), 0);
        try {
            source.seek(-1);
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Failed to seek to exact position"));
        }
    }

    void fileSourceRefusesFilesBeyondTheLimit() {
        const QString path = dir_.filePath(QStringLiteral("huge"));
        QFile huge(path);
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(qint64(1) << 31)); // sparse: nothing is written
        huge.close();
        QFileSource source(path);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, source.size());
        QFile::remove(path);
    }

    void containerLoadsFromFile() {
        const QString path = write({{cpuAppBlock(cpuApp(1, 1), Image), foreignBlock()}, {}});
        cvsw::cvbv3::CvbFile file;
        file.loadFromFileSource(std::make_unique<QFileSource>(path));
        QCOMPARE(file.blockCount(), std::size_t(2));
        QCOMPARE(decryptBlock(file, 0, CpuAppSecret), concat(cpuAppHeader(cpuApp(1, 1)), Image));
    }

    // --- the metadata reader ---

    void readerChecksHeaders_data() {
        QTest::addColumn<int>("kind"); // 0 MBU, 1 CPUAPP, 2 CPUNET
        QTest::addColumn<BlockMaker>("block");
        QTest::addColumn<QString>("error");

        const auto mbu = [](MbuHeaderLayout layout, Bytes image = Image) {
            return [=] {
                return podBlock("LDSTCP01", PodSecret1, layout, image);
            };
        };
        const auto app = [](CpuAppHeaderLayout layout, Bytes image = Image) {
            return [=] {
                return cpuAppBlock(layout, image);
            };
        };
        const auto net = [](CpuNetHeaderLayout layout, Bytes image = Image) {
            return [=] {
                return cpuNetBlock(layout, image);
            };
        };
        const QString revision = QStringLiteral("Mis-matched block header version.");
        const QString checksum = QStringLiteral("Header checksum mis-matched.");
        const QString length =
            QStringLiteral("Bytes read does not match the expected metadata header length.");

        MbuHeaderLayout goodMbu;
        goodMbu.version = {1, 2, 3};
        goodMbu.hardwareFlags = 2;
        goodMbu.requiredBtIcdRevision = 258;
        QTest::newRow("mbu valid") << 0 << BlockMaker(mbu(goodMbu)) << QString();
        QTest::newRow("mbu image empty") << 0 << BlockMaker(mbu(goodMbu, {})) << QString();
        MbuHeaderLayout layout = goodMbu;
        layout.metadataRevision = 1;
        QTest::newRow("mbu revision 1") << 0 << BlockMaker(mbu(layout)) << revision;
        layout.headerCrc = 0;
        QTest::newRow("mbu revision before crc") << 0 << BlockMaker(mbu(layout)) << revision;
        layout = goodMbu;
        layout.extensionVersion = 2;
        QTest::newRow("mbu extension 2") << 0 << BlockMaker(mbu(layout)) << revision;
        layout = goodMbu;
        layout.headerCrc = correctCrc(mbuHeader(goodMbu)) ^ 1u;
        QTest::newRow("mbu crc one bit") << 0 << BlockMaker(mbu(layout)) << checksum;
        QTest::newRow("mbu too short") << 0 << BlockMaker([=] {
            Bytes header = mbuHeader(goodMbu);
            header.resize(20);
            return firmwareBlock("LDSTCP01", header, {}, PodSecret1);
        }) << length;

        const CpuAppHeaderLayout goodApp = cpuApp(6, 1, 0xFFFF);
        QTest::newRow("cpuapp valid") << 1 << BlockMaker(app(goodApp)) << QString();
        CpuAppHeaderLayout appLayout = goodApp;
        appLayout.metadataRevision = 2;
        appLayout.headerCrc = 5;
        QTest::newRow("cpuapp revision 2") << 1 << BlockMaker(app(appLayout)) << revision;
        appLayout = goodApp;
        appLayout.cpuAppHeaderVersion = 0;
        QTest::newRow("cpuapp header version")
            << 1 << BlockMaker(app(appLayout))
            << QStringLiteral("Mis-matched block Tamarind CPUAPP header version.");
        appLayout = goodApp;
        appLayout.headerCrc = correctCrc(cpuAppHeader(goodApp)) + 1;
        QTest::newRow("cpuapp crc") << 1 << BlockMaker(app(appLayout)) << checksum;
        QTest::newRow("cpuapp too short") << 1 << BlockMaker([=] {
            Bytes header = cpuAppHeader(goodApp);
            header.pop_back();
            return firmwareBlock("LDSTJNA1", header, {}, CpuAppSecret);
        }) << length;

        const CpuNetHeaderLayout goodNet = cpuNet(1);
        QTest::newRow("cpunet valid") << 2 << BlockMaker(net(goodNet)) << QString();
        CpuNetHeaderLayout netLayout = goodNet;
        netLayout.cpuNetHeaderVersion = 2;
        netLayout.headerCrc = 0;
        QTest::newRow("cpunet version") << 2 << BlockMaker(net(netLayout))
                                        << QStringLiteral("Mis-matched block for CPUNET header version.");
        netLayout = goodNet;
        netLayout.headerCrc = 0;
        QTest::newRow("cpunet crc") << 2 << BlockMaker(net(netLayout)) << checksum;
    }

    void readerChecksHeaders() {
        QFETCH(int, kind);
        QFETCH(BlockMaker, block);
        QFETCH(QString, error);

        const BlockLayout layout = block();
        const Secret& secret = kind == 0 ? PodSecret1 : kind == 1 ? CpuAppSecret : CpuNetSecret;
        const std::size_t headerSize = kind == 0   ? MbuHeaderSize
                                       : kind == 1 ? CpuAppHeaderSize
                                                   : CpuNetHeaderSize;
        Bytes rest;
        const QString result = kind == 0   ? readFirst<MbuMetadataHeaderV2>(layout, secret, &rest)
                               : kind == 1 ? readFirst<TamarindCpuAppMetadataHeader>(layout, secret, &rest)
                                           : readFirst<TamarindCpuNetHeaderFields>(layout, secret, &rest);
        QCOMPARE(result, error);
        if (error.isEmpty()) {
            // The source stands just after the header: what follows is the image.
            QCOMPARE(rest, Bytes(layout.plain.begin() + headerSize, layout.plain.end()));
        }
    }

    void readerDecodesFields() {
        MbuHeaderLayout mbu;
        mbu.version = {1, 77, 9};
        mbu.hardwareFlags = 0x80000001u;
        mbu.requiredBtIcdRevision = 0xFEDC;
        const auto file = loadContainer(buildContainer(
            {{podBlock("LDSTCP01", PodSecret1, mbu, Image), cpuAppBlock(cpuApp(6, 9, 0xFFFF), Image)}, {}}));
        const BlockMetadataReader<MbuMetadataHeaderV2> pod(file->blockByIndex(0),
                                                           registryGenerator("LDSTCP01"), PodSecret1);
        QCOMPARE(pod.header().metadataRevision, 2u);
        QCOMPARE(pod.header().version, (fwup::Version{1, 77, 9}));
        QCOMPARE(pod.header().hardwareFlags, 0x80000001u);
        QCOMPARE(pod.header().extension.extensionVersion, 1u);
        QCOMPARE(pod.header().extension.requiredBtIcdRevision, std::uint16_t(0xFEDC));
        QCOMPARE(pod.headerCrc(), correctCrc(mbuHeader(mbu)));
        QCOMPARE(pod.block(), file->blockByIndex(0));

        const BlockMetadataReader<TamarindCpuAppMetadataHeader> app(
            file->blockByIndex(1), registryGenerator("LDSTJNA1"), CpuAppSecret);
        QCOMPARE(app.header().version, (fwup::Version{2, 3, 4}));
        QCOMPARE(app.header().hardwareFlags, 6u);
        QCOMPARE(app.header().extension.pairingId, pairingId(9));
        QCOMPARE(app.header().extension.cpuAppHeaderVersion, 1u);
        QCOMPARE(app.header().extension.btIcdRevision, std::uint16_t(0xFFFF));
    }

    void readerRefusesWrongKeysAndNoBlock() {
        // A wrong secret decrypts to other bytes, which fail the header checks.
        QVERIFY(!readFirst<TamarindCpuAppMetadataHeader>(cpuAppBlock(cpuApp(1, 1), Image), CpuNetSecret)
                     .isEmpty());
        try {
            BlockMetadataReader<TamarindCpuNetHeaderFields> reader({}, registryGenerator("LDSTJNN1"),
                                                                   CpuNetSecret);
            QFAIL("no exception");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromLatin1(e.what()),
                     QStringLiteral("Invalid block provided to the block reader."));
        }
    }

    // --- reading and pairing a file's Tamarind blocks ---

    void pairsEveryHardwareVersion() {
        // Hardware flags 6: versions 1 and 2, both paired with the one CPUNET block.
        const QString path = write(
            {{foreignBlock(), cpuNetBlock(cpuNet(1), Image), cpuAppBlock(cpuApp(6, 1, 0xFFFF), Image)}, {}});
        MessageCapture capture;
        const auto apps = fwup::detail::parse_cpu_app_firmware_info(path, CpuAppTag, CpuAppSecret);
        QCOMPARE(apps.size(), std::size_t(2));
        QCOMPARE(apps[0].blockIndex, 2u);
        QCOMPARE(apps[0].hardwareVersion, 1u);
        QCOMPARE(apps[1].hardwareVersion, 2u);
        QCOMPARE(apps[0].btIcdRevision, 65535u);
        QCOMPARE(apps[1].pairingId, pairingId(1));
        const QString quoted = QLatin1Char('"') + path + QLatin1Char('"');
        QCOMPARE(
            MessageCapture::messages(),
            QStringList({QStringLiteral("Adding block 2 from %1 which supports HW version 1").arg(quoted),
                         QStringLiteral("Adding block 2 from %1 which supports HW version 2").arg(quoted)}));

        const auto paired = pair(path);
        QCOMPARE(paired.size(), std::size_t(2));
        QCOMPARE(paired[0],
                 (TamarindFirmwareInfo{2, 1, DetectorType::LODESTAR_MODEL_1, {2, 3, 4}, 65535, 1}));
        QCOMPARE(paired[1],
                 (TamarindFirmwareInfo{2, 1, DetectorType::LODESTAR_MODEL_1, {2, 3, 4}, 65535, 2}));
    }

    void pairing_data() {
        QTest::addColumn<ContainerLayout>("container");
        QTest::addColumn<QList<int>>("expected"); // (cpuApp index, cpuNet index, hardware version) triples

        const auto layout = [](std::vector<BlockLayout> blocks) {
            return ContainerLayout{std::move(blocks), {}};
        };
        QTest::newRow("no tamarind blocks")
            << layout({foreignBlock(), foreignBlock("LDSTCP01")}) << QList<int>{};
        QTest::newRow("cpuapp without cpunet") << layout({cpuAppBlock(cpuApp(1, 1), Image)}) << QList<int>{};
        QTest::newRow("cpunet without cpuapp") << layout({cpuNetBlock(cpuNet(1), Image)}) << QList<int>{};
        QTest::newRow("flags zero") << layout(
                                           {cpuAppBlock(cpuApp(0, 1), Image), cpuNetBlock(cpuNet(1), Image)})
                                    << QList<int>{};
        QTest::newRow("lower cpunet wins")
            << layout({cpuNetBlock(cpuNet(1), Image), cpuAppBlock(cpuApp(1, 1), Image),
                       cpuNetBlock(cpuNet(1), Image)})
            << QList<int>{1, 0, 0};
        QTest::newRow("pairing by id")
            << layout({cpuNetBlock(cpuNet(1), Image), cpuNetBlock(cpuNet(2), Image),
                       cpuAppBlock(cpuApp(8, 2), Image), cpuAppBlock(cpuApp(1, 1), Image)})
            << QList<int>{2, 1, 3, 3, 0, 0};
        CpuNetHeaderLayout oneByteOff = cpuNet(1);
        oneByteOff.pairingId[31] ^= 1;
        QTest::newRow("id differs in one byte")
            << layout({cpuAppBlock(cpuApp(1, 1), Image), cpuNetBlock(oneByteOff, Image)}) << QList<int>{};
        QTest::newRow("cpunet block shared")
            << layout({cpuAppBlock(cpuApp(1, 1), Image), cpuAppBlock(cpuApp(2, 1), Image),
                       cpuNetBlock(cpuNet(1), Image)})
            << QList<int>{0, 2, 0, 1, 2, 1};
        QTest::newRow("highest hardware bit")
            << layout({cpuAppBlock(cpuApp(0x80000000u, 1), Image), cpuNetBlock(cpuNet(1), Image)})
            << QList<int>{0, 1, 31};
    }

    void pairing() {
        QFETCH(ContainerLayout, container);
        QFETCH(QList<int>, expected);

        const QString path = write(container);
        MessageCapture capture;
        const auto paired = pair(path);
        // Nothing is logged but the blocks taken.
        for (const QString& message : MessageCapture::messages()) {
            QVERIFY2(message.startsWith(QLatin1String("Adding block")), qPrintable(message));
        }
        QList<int> actual;
        for (const auto& info : paired) {
            actual << int(info.cpuAppBlockIndex) << int(info.cpuNetBlockIndex) << int(info.hardwareVersion);
            QCOMPARE(info.detectorType, DetectorType::LODESTAR_MODEL_1);
        }
        QCOMPARE(actual, expected);
    }

    void badBlocksAreSkipped_data() {
        QTest::addColumn<CpuAppHeaderLayout>("bad");
        QTest::addColumn<QString>("message");

        CpuAppHeaderLayout crc = cpuApp(1, 1);
        crc.headerCrc = 0x12345678;
        QTest::newRow("checksum") << crc << QStringLiteral("Header checksum mis-matched.");
        CpuAppHeaderLayout revision = cpuApp(1, 1);
        revision.metadataRevision = 2;
        QTest::newRow("revision, whatever the checksum")
            << revision << QStringLiteral("Mis-matched block header version.");
        revision.headerCrc = 0;
        QTest::newRow("revision and checksum")
            << revision << QStringLiteral("Mis-matched block header version.");
    }

    void badBlocksAreSkipped() {
        QFETCH(CpuAppHeaderLayout, bad);
        QFETCH(QString, message);

        // The bad block sits between two good ones; both of those are still read.
        const QString path = write({{cpuAppBlock(cpuApp(1, 1), Image), cpuAppBlock(bad, Image),
                                     cpuAppBlock(cpuApp(2, 1), Image), cpuNetBlock(cpuNet(1), Image)},
                                    {}});
        MessageCapture capture;
        const auto paired = pair(path);
        QCOMPARE(paired.size(), std::size_t(2));
        QCOMPARE(paired[0].cpuAppBlockIndex, 0u);
        QCOMPARE(paired[1].cpuAppBlockIndex, 2u);
        QVERIFY(MessageCapture::of(QtDebugMsg)
                    .contains(QStringLiteral("Failed to parse MBU metadata: ") + message));
    }

    void badFilesGiveNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("loadError");

        QTest::newRow("missing") << QStringLiteral("missing.cvb") << QByteArray()
                                 << QStringLiteral("File does not exist");
        QTest::newRow("text file") << QStringLiteral("notes.txt") << QByteArray("just some words\n")
                                   << QStringLiteral("File not large enough to hold main header");
        Bytes container =
            buildContainer({{cpuAppBlock(cpuApp(1, 1), Image), cpuNetBlock(cpuNet(1), Image)}, {}});
        flipByte(container, MainHeaderSize + BlockHeaderSize + 40);
        QTest::newRow("data crc") << QStringLiteral("damaged.cvb")
                                  << QByteArray(reinterpret_cast<const char*>(container.data()),
                                                container.size())
                                  << QStringLiteral("Block data CRC invalid.");
    }

    void badFilesGiveNothing() {
        QFETCH(QString, name);
        QFETCH(QByteArray, contents);
        QFETCH(QString, loadError);

        const QString path = dir_.filePath(name);
        if (!contents.isNull()) {
            QVERIFY(writeBytes(path, Bytes(contents.begin(), contents.end())));
        }
        MessageCapture capture;
        QVERIFY(pair(path).empty());
        // One line from each reader.
        const QString line = QStringLiteral("Failed to load CVB for parsing: ") + loadError;
        QCOMPARE(MessageCapture::messages(), QStringList({line, line}));
        QCOMPARE(MessageCapture::of(QtDebugMsg).size(), 2);
    }

    void noGeneratorMeansNoRead() {
        const QString path = write({{cpuAppBlock(cpuApp(1, 1), Image), cpuNetBlock(cpuNet(1), Image)}, {}});
        {
            // Unknown CPUNET tag: the CPUAPP records are read, but nothing pairs.
            MessageCapture capture;
            QVERIFY(pair(path, makeTag("NOSUCHT1")).empty());
            QCOMPARE(MessageCapture::of(QtCriticalMsg),
                     QStringList{QStringLiteral("Cannot find auth response generator for CPUNET Block.")});
            QCOMPARE(MessageCapture::of(QtDebugMsg).size(), 1); // the CPUAPP "Adding block" line
        }
        {
            // Unknown CPUAPP tag: the file is not even opened.
            MessageCapture capture;
            QVERIFY(fwup::detail::parse_cpu_app_firmware_info(dir_.filePath(QStringLiteral("absent")),
                                                              makeTag("NOSUCHT1"), CpuAppSecret)
                        .empty());
            QCOMPARE(MessageCapture::messages(),
                     QStringList{QStringLiteral("Misconfiguration to handle Tamarind CPUAPP firmware")});
        }
        {
            // A registry row that makes no generator counts as no row.
            cvsw::cvbv3::globalBlockRegistry()[makeTag("TESTNUL1")] = [] {
                return std::shared_ptr<cvsw::cvbv3::AuthResponseGenerator>();
            };
            MessageCapture capture;
            QVERIFY(
                fwup::detail::parse_cpu_net_firmware_info(path, makeTag("TESTNUL1"), CpuNetSecret).empty());
            QCOMPARE(MessageCapture::of(QtCriticalMsg).size(), 1);
            cvsw::cvbv3::globalBlockRegistry().erase(makeTag("TESTNUL1"));
        }
    }

    void failingRegistryRowStopsAtTheBoundary() {
        // An exception the readers do not expect ends the file's parse, not the program.
        cvsw::cvbv3::globalBlockRegistry()[makeTag("TESTTHR1")] =
            []() -> std::shared_ptr<cvsw::cvbv3::AuthResponseGenerator> {
            throw std::logic_error("broken row");
        };
        const QString path = write({{cpuAppBlock(cpuApp(1, 1), Image)}, {}});
        MessageCapture capture;
        QVERIFY(fwup::detail::parse_cpu_app_firmware_info(path, makeTag("TESTTHR1"), CpuAppSecret).empty());
        QCOMPARE(MessageCapture::of(QtWarningMsg).size(), 1);
        QVERIFY(MessageCapture::of(QtWarningMsg).first().endsWith(QStringLiteral("broken row")));
        cvsw::cvbv3::globalBlockRegistry().erase(makeTag("TESTTHR1"));
    }
};

QTEST_GUILESS_MAIN(TestTamarindMetadata)
#include "tst_tamarind_metadata.moc"
