#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/std_ifstream_source.h"
#include "cvbv3/vector_data_source.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/memory_file_source.h"
#include "tests/support/containers/test_containers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <stdexcept>
#include <typeinfo>

using namespace cvsw::cvbv3;
using namespace cvbtest;

namespace {

// The exact type and text of what a call threw; an empty type when it did not throw.
struct Thrown {
    QByteArray type;
    QByteArray message;
};

template <typename Function>
Thrown thrownBy(Function&& function) {
    try {
        function();
    } catch (const std::exception& error) {
        const std::type_info& type = typeid(error);
        QByteArray name = "other";
        if (type == typeid(std::runtime_error)) {
            name = "runtime_error";
        } else if (type == typeid(std::logic_error)) {
            name = "logic_error";
        } else if (type == typeid(std::out_of_range)) {
            name = "out_of_range";
        } else if (type == typeid(std::range_error)) {
            name = "range_error";
        }
        return {name, error.what()};
    }
    return {};
}

// Two blocks: an encrypted control-pod image and a plain block.
ContainerLayout twoBlocks() {
    ContainerLayout layout;
    layout.buildDescription = "test container";
    layout.blocks.push_back(
        {"LDSTCP02", patternBytes(100, 7), LodestarModel2ProductionSecret, true, "pod", {}});
    layout.blocks.push_back({"PLAINBLK", patternBytes(50, 9), {}, false, "plain", {}});
    return layout;
}

struct LoadCase {
    const char* name;
    std::function<void(Bytes&)> damage;
    std::function<void(MemoryFileSource&, const Bytes& original)> configure;
    const char* type;
    const char* message;
};

std::size_t blockHeader(const Bytes& container, std::size_t index) {
    return blockLocations(container).at(index).headerOffset;
}

const std::vector<LoadCase>& loadCases() {
    static const std::vector<LoadCase> cases = {
        {"main header shorter than 256 bytes",
         [](Bytes& b) { b.resize(255); },
         {},
         "runtime_error",
         "File not large enough to hold main header"},
        {"store delivers fewer bytes than its size", [](Bytes& b) { b.resize(200); },
         [](MemoryFileSource& s, const Bytes& original) { s.setReportedSize(int(original.size())); },
         "runtime_error", "Failed to read enough data for the main header"},
        {"main magic",
         [](Bytes& b) { flipByte(b, 0, Crc::Recompute); },
         {},
         "runtime_error",
         "Main Header Magic Number Invalid"},
        {"main version",
         [](Bytes& b) { setU32(b, MainVersionOffset, 2, Crc::Recompute); },
         {},
         "runtime_error",
         "Invalid Main Header CVB Version number."},
        {"main reserved byte",
         [](Bytes& b) { flipByte(b, 120, Crc::Recompute, 0x01); },
         {},
         "runtime_error",
         "Non-zero data in Main Header reserved space."},
        {"main header crc",
         [](Bytes& b) { flipByte(b, MainHeaderCrcOffset); },
         {},
         "runtime_error",
         "Main Header CRC Invalid"},
        {"main build description without crc",
         [](Bytes& b) { flipByte(b, 20); },
         {},
         "runtime_error",
         "Main Header CRC Invalid"},
        {"main data size 2^31",
         [](Bytes& b) { setU32(b, MainDataSizeOffset, 0x80000000u, Crc::Recompute); },
         {},
         "out_of_range",
         "CVB file too large for this implementation to handle"},
        {"main data size 2^32 - 1",
         [](Bytes& b) { setU32(b, MainDataSizeOffset, 0xFFFFFFFFu, Crc::Recompute); },
         {},
         "out_of_range",
         "CVB file too large for this implementation to handle"},
        {"main data size differs from the file",
         [](Bytes& b) { setU32(b, MainDataSizeOffset, std::uint32_t(b.size() + 1), Crc::Recompute); },
         {},
         "runtime_error",
         "File length != Main Header data length."},
        {"store position off after the main header",
         {},
         [](MemoryFileSource& s, const Bytes&) { s.setPositionSkew(1); },
         "runtime_error",
         "Failed to read in main header."},
        {"store ends before a block header",
         [](Bytes& b) { setU32(b, MainDataSizeOffset, std::uint32_t(b.size() + 88), Crc::Recompute); },
         [](MemoryFileSource& s, const Bytes& original) { s.setReportedSize(int(original.size() + 88)); },
         "runtime_error", "Failed to read enough data for a block header"},
        {"block magic",
         [](Bytes& b) { flipByte(b, blockHeader(b, 1), Crc::Recompute); },
         {},
         "runtime_error",
         "Block Header Magic Invalid"},
        {"block magic before the block count",
         [](Bytes& b) {
             flipByte(b, blockHeader(b, 1) + 1, Crc::Recompute);
             setU32(b, MainNumberOfBlocksOffset, 5, Crc::Recompute);
         },
         {},
         "runtime_error",
         "Block Header Magic Invalid"},
        {"block contents reach 2^31",
         [](Bytes& b) { setU32(b, blockHeader(b, 0) + BlockDataSizeOffset, 0x80000000u, Crc::Recompute); },
         {},
         "out_of_range",
         "CVB file block contents too large for this implementation to handle"},
        {"block length wraps 32 bits",
         [](Bytes& b) { setU32(b, blockHeader(b, 0) + BlockDataSizeOffset, 0xFFFFFF00u, Crc::Recompute); },
         {},
         "out_of_range",
         "Reported block length exceeds CVB 32-bit limit"},
        {"block count",
         [](Bytes& b) { setU32(b, MainNumberOfBlocksOffset, 3, Crc::Recompute); },
         {},
         "runtime_error",
         "Block count mis-match"},
        {"block count before block crc",
         [](Bytes& b) {
             flipByte(b, blockHeader(b, 1) + BlockHeaderCrcOffset);
             setU32(b, MainNumberOfBlocksOffset, 1, Crc::Recompute);
         },
         {},
         "runtime_error",
         "Block count mis-match"},
        {"one byte after the last block",
         [](Bytes& b) {
             b.push_back(0);
             setU32(b, MainDataSizeOffset, std::uint32_t(b.size()), Crc::Recompute);
         },
         {},
         "runtime_error",
         "Data size mis-match"},
        {"block data size shorter than its data",
         [](Bytes& b) { setU32(b, blockHeader(b, 1) + BlockDataSizeOffset, 49, Crc::Recompute); },
         {},
         "runtime_error",
         "Data size mis-match"},
        {"block header crc",
         [](Bytes& b) { flipByte(b, blockHeader(b, 1) + BlockHeaderCrcOffset); },
         {},
         "runtime_error",
         "Block header CRC invalid."},
        {"block build description without crc",
         [](Bytes& b) { flipByte(b, blockHeader(b, 0) + 30); },
         {},
         "runtime_error",
         "Block header CRC invalid."},
        {"store holds less block data than it says", [](Bytes& b) { b.resize(b.size() - 10); },
         [](MemoryFileSource& s, const Bytes& original) { s.setReportedSize(int(original.size())); },
         "runtime_error", "Block data size invalid."},
        {"block data byte",
         [](Bytes& b) { flipByte(b, blockLocations(b).at(0).dataOffset + 140); },
         {},
         "runtime_error",
         "Block data CRC invalid."},
        {"block data crc field",
         [](Bytes& b) { setU32(b, blockHeader(b, 1) + BlockDataCrcOffset, 1, Crc::Recompute); },
         {},
         "runtime_error",
         "Block data CRC invalid."},
    };
    return cases;
}

Bytes emptyContainer() {
    return buildContainer({});
}

} // namespace

class TestCvbFile : public QObject {
    Q_OBJECT

private slots:
    void loadFaults_data() {
        QTest::addColumn<int>("index");
        const auto& cases = loadCases();
        for (std::size_t i = 0; i < cases.size(); ++i) {
            QTest::newRow(cases[i].name) << int(i);
        }
    }

    // One field damaged per case; the loader names the first fault in its fixed order.
    void loadFaults() {
        QFETCH(int, index);
        const LoadCase& c = loadCases()[std::size_t(index)];
        const Bytes original = buildContainer(twoBlocks());
        QVERIFY(loadContainer(original)->blockCount() == 2);

        Bytes damaged = original;
        if (c.damage) {
            c.damage(damaged);
        }
        auto source = std::make_unique<MemoryFileSource>(damaged);
        if (c.configure) {
            c.configure(*source, original);
        }
        CvbFile file;
        const Thrown thrown = thrownBy([&] { file.loadFromFileSource(std::move(source)); });
        QCOMPARE(thrown.type, QByteArray(c.type));
        QCOMPARE(thrown.message, QByteArray(c.message));
    }

    void nullStore() {
        CvbFile file;
        const Thrown thrown = thrownBy([&] { file.loadFromFileSource(nullptr); });
        QCOMPARE(thrown.type, QByteArray("logic_error"));
        QCOMPARE(thrown.message, QByteArray("null storage supplied for CVBv3 loading"));
    }

    void smallContainers_data() {
        QTest::addColumn<int>("extraBytes");
        QTest::addColumn<quint32>("numberOfBlocks");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("empty container") << 0 << 0u << QByteArray();
        QTest::newRow("empty container claiming a block") << 0 << 1u << QByteArray("Block count mis-match");
        QTest::newRow("300 bytes, too few for a block header")
            << 44 << 0u << QByteArray("Data size mis-match");
    }

    void smallContainers() {
        QFETCH(int, extraBytes);
        QFETCH(quint32, numberOfBlocks);
        QFETCH(QByteArray, message);
        Bytes bytes = emptyContainer();
        QCOMPARE(bytes.size(), std::size_t(256));
        bytes.resize(bytes.size() + std::size_t(extraBytes));
        setU32(bytes, MainDataSizeOffset, std::uint32_t(bytes.size()));
        setU32(bytes, MainNumberOfBlocksOffset, numberOfBlocks, Crc::Recompute);
        std::unique_ptr<CvbFile> file;
        const Thrown thrown = thrownBy([&] { file = loadContainer(bytes); });
        QCOMPARE(thrown.message, message);
        if (message.isEmpty()) {
            QCOMPARE(file->blockCount(), std::size_t(0));
            QCOMPARE(file->totalDataSize(), 256u);
        }
    }

    void blocksAndPlainData() {
        const ContainerLayout layout = twoBlocks();
        auto file = loadContainer(buildContainer(layout));
        QCOMPARE(file->blockCount(), std::size_t(2));
        QCOMPARE(file->blockByIndex(0)->header().blockId(), makeTag("LDSTCP02"));
        QCOMPARE(decryptBlock(*file, 0, LodestarModel2ProductionSecret), layout.blocks[0].plain);
        QCOMPARE(readAll(file->blockByIndex(1)->dataSource(), 7), layout.blocks[1].plain);
        QCOMPARE(file->lookupBlockIndex(file->blockByIndex(1).get()), std::size_t(1));
        QCOMPARE(file->mainHeader().buildDescription()[0], std::uint8_t('t'));
    }

    void emptyBlockLoads() {
        ContainerLayout layout;
        layout.blocks.push_back({"EMPTYBLK", {}, {}, false, {}, {}});
        auto file = loadContainer(buildContainer(layout));
        const auto block = file->blockByIndex(0);
        std::uint8_t byte = 0;
        QCOMPARE(block->readData(0, &byte, 1), 0u);
        block->dataSource()->beginReadData();
        QVERIFY(block->dataSource()->endOfData());
    }

    void readRawBlockData_data() {
        QTest::addColumn<quint32>("offset");
        QTest::addColumn<quint32>("length");
        QTest::addColumn<int>("expected");
        QTest::newRow("whole block") << 0u << 50u << 50;
        QTest::newRow("length cut to what remains") << 40u << 100u << 10;
        QTest::newRow("at the end") << 50u << 10u << 0;
        QTest::newRow("past the end") << 51u << 10u << 0;
        QTest::newRow("offset that would wrap 32 bits") << 0xFFFFFF00u << 0x200u << 0;
    }

    void readRawBlockData() {
        QFETCH(quint32, offset);
        QFETCH(quint32, length);
        QFETCH(int, expected);
        const ContainerLayout layout = twoBlocks();
        auto source = std::make_unique<MemoryFileSource>(buildContainer(layout));
        MemoryFileSource* store = source.get();
        CvbFile file;
        file.loadFromFileSource(std::move(source));
        Bytes buffer(length + 1, 0xEE);
        const int seeksBefore = store->seekCount();
        QCOMPARE(int(file.readRawBlockData(1, offset, buffer.data(), length)), expected);
        if (offset > 50) {
            QCOMPARE(store->seekCount(), seeksBefore); // the store is not touched
        }
        for (int i = 0; i < expected; ++i) {
            QCOMPARE(buffer[std::size_t(i)], layout.blocks[1].plain[offset + std::size_t(i)]);
        }
        QCOMPARE(buffer[std::size_t(expected)], std::uint8_t(0xEE));
    }

    void readDataBeyond32Bits() {
        auto file = loadContainer(buildContainer(twoBlocks()));
        std::uint8_t byte = 0;
        QCOMPARE(file->blockByIndex(1)->readData(0x100000000ul + 1, &byte, 1), 0u);
    }

    void indexFaults() {
        auto file = loadContainer(buildContainer(twoBlocks()));
        std::uint8_t byte = 0;
        const Thrown byIndex = thrownBy([&] { file->blockByIndex(2); });
        QCOMPARE(byIndex.type, QByteArray("out_of_range"));
        const Thrown raw = thrownBy([&] { file->readRawBlockData(2, 0, &byte, 1); });
        QCOMPARE(raw.type, QByteArray("out_of_range"));
        QCOMPARE(raw.message, QByteArray("Block index out of range."));

        CvbFile other;
        const auto stranger = other.addBlock();
        const Thrown lookup = thrownBy([&] { file->lookupBlockIndex(stranger.get()); });
        QCOMPARE(lookup.type, QByteArray("runtime_error"));
        QCOMPARE(lookup.message, QByteArray("Block not in file."));

        const Thrown adopt = thrownBy([&] { file->addBlock(stranger); });
        QCOMPARE(adopt.type, QByteArray("logic_error"));
        QCOMPARE(adopt.message, QByteArray("Attempt to add a block that belongs to another CvbFile."));
        QCOMPARE(file->blockCount(), std::size_t(2));

        const Thrown noStorage = thrownBy([&] { other.readRawBlockData(0, 0, &byte, 1); });
        QCOMPARE(noStorage.message, QByteArray("Cannot read raw blocks because there is no file storage"));
    }

    void blockById() {
        ContainerLayout layout;
        for (const char* tag : {"AAAAAAAA", "BBBBBBBB", "AAAAAAAA"}) {
            layout.blocks.push_back({tag, bytesOf(tag), {}, false, {}, {}});
        }
        auto file = loadContainer(buildContainer(layout));
        const auto a = makeTag("AAAAAAAA");
        QCOMPARE(file->blockById(a, 0), file->blockByIndex(0));
        QCOMPARE(file->blockById(a, 1), file->blockByIndex(2));
        QCOMPARE(file->blockById(a, 3), std::shared_ptr<CvbBlock>());
        QCOMPARE(file->blockById(makeTag("CCCCCCCC"), 0), std::shared_ptr<CvbBlock>());
    }

    void readNBytes() {
        // A source that answers 5 bytes, then 3, then runs dry without reporting its end.
        class Stuttering : public CvbBlock::DataSource {
        public:
            void beginReadData() override {}
            void endReadData() override {}
            std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t) override {
                ++calls;
                const std::uint32_t count = calls == 1 ? 5 : calls == 2 ? 3 : 0;
                for (std::uint32_t i = 0; i < count; ++i) {
                    buffer[i] = std::uint8_t(next++);
                }
                return count;
            }
            std::uint32_t chunkSizeHint() const override { return 0; }
            bool endOfData() const override { return false; }
            int calls = 0;
            std::uint8_t next = 1;
        };
        auto source = std::make_shared<Stuttering>();
        std::array<std::uint8_t, 12> buffer{};
        QCOMPARE(CvbBlock::read_n_bytes_from_data_source(source, buffer.data(), 8, 0), 8u);
        QCOMPARE(buffer[0], std::uint8_t(1));
        QCOMPARE(buffer[7], std::uint8_t(8));
        QCOMPARE(CvbBlock::read_n_bytes_from_data_source(source, buffer.data(), 4, 3), 0u);
        QCOMPARE(source->calls, 2 + 3); // gave up after three empty reads
        QCOMPARE(CvbBlock::read_n_bytes_from_data_source(source, buffer.data(), 0, 3), 0u);
    }

    void saveEmptyContainer() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("empty.cvb"));
        CvbFile file;
        QVERIFY(file.saveToFile(path.toStdString()));
        const Bytes bytes = readFile(path);
        QCOMPARE(bytes.size(), std::size_t(256));
        QCOMPARE(getU32(bytes, MainDataSizeOffset), 256u);
        QCOMPARE(getU32(bytes, MainNumberOfBlocksOffset), 0u);
        QCOMPARE(getU32(bytes, MainHeaderCrcOffset), Crc32::compute(bytes.data(), 188));
        QCOMPARE(loadContainer(bytes)->blockCount(), std::size_t(0));
    }

    void saveAndLoadBack() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("two.cvb"));
        const Bytes first = patternBytes(10000, 3);
        const Bytes second = bytesOf("second block");
        {
            CvbFile file;
            file.mainHeader().setBuildDescription(std::string("saved"));
            file.addBlock()->setDataSource(std::make_shared<VectorDataSource>(first));
            auto block = file.addBlock();
            block->header().setBlockId(makeTag("SECOND01"));
            block->setDataSource(std::make_shared<VectorDataSource>(second));
            file.addBlock(); // without a source: an empty block
            QVERIFY(file.saveToFile(path.toStdString()));
        }
        const Bytes bytes = readFile(path);
        QCOMPARE(bytes.size(), std::size_t(256 + 3 * 88 + 10000 + 12));
        const auto locations = blockLocations(bytes);
        QCOMPARE(locations.size(), std::size_t(3));
        QCOMPARE(getU32(bytes, locations[0].headerOffset + BlockDataCrcOffset),
                 Crc32::compute(first.data(), first.size()));

        CvbFile loaded;
        QVERIFY(loaded.loadFromFile(path.toStdString()));
        QCOMPARE(loaded.blockCount(), std::size_t(3));
        QCOMPARE(readAll(loaded.blockByIndex(0)->dataSource(), 333), first);
        QCOMPARE(readAll(loaded.blockByIndex(1)->dataSource()), second);
        QCOMPARE(loaded.blockByIndex(1)->header().blockId(), makeTag("SECOND01"));
        QCOMPARE(loaded.blockByIndex(2)->header().dataSize(), 0u);
        QCOMPARE(loaded.mainHeader().buildDescription()[4], std::uint8_t('d'));
    }

    void saveReportsFailures_data() {
        QTest::addColumn<QString>("path");
        QTest::newRow("directory that does not exist") << QStringLiteral("/nonexistent-dir/x.cvb");
        QTest::newRow("device that refuses every write") << QStringLiteral("/dev/full");
    }

    void saveReportsFailures() {
        QFETCH(QString, path);
        if (!QFile::exists(QStringLiteral("/dev/full")) && path == QLatin1String("/dev/full")) {
            QSKIP("no /dev/full here");
        }
        CvbFile file;
        file.addBlock()->setDataSource(std::make_shared<VectorDataSource>(patternBytes(20000)));
        QVERIFY(!file.saveToFile(path.toStdString()));
    }

    void fileSourceFaults() {
        const Thrown missing = thrownBy([] { StdIfstreamSource source("/nonexistent-dir/x.cvb"); });
        QCOMPARE(missing.type, QByteArray("runtime_error"));
        QCOMPARE(missing.message, QByteArray("Could not open file"));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("short"));
        QVERIFY(writeBytes(path, bytesOf("0123456789")));
        StdIfstreamSource source(path.toStdString().c_str());
        QCOMPARE(source.size(), 10);
        char buffer[16] = {};
        source.seek(6);
        QCOMPARE(source.read(buffer, 16), 4); // a short read is a count
        QCOMPARE(source.position(), 10);
        source.seek(2);
        QCOMPARE(source.read(buffer, 2), 2);
        QCOMPARE(buffer[1], '3');
        source.skip(3);
        QCOMPARE(source.read(buffer, 1), 1);
        QCOMPARE(buffer[0], '7');
    }

    // A file of 2 GiB or more would have its length wrapped by the 32-bit interface; it is refused.
    void hugeFilesAreRefused_data() {
        QTest::addColumn<qint64>("size");
        QTest::newRow("2^31") << (qint64(1) << 31);
        QTest::newRow("2^32 + 256, which wraps to a valid empty container") << (qint64(1) << 32) + 256;
    }

    void hugeFilesAreRefused() {
        QFETCH(qint64, size);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("huge.cvb"));
        QVERIFY(writeBytes(path, emptyContainer()));
        QFile sparse(path);
        QVERIFY(sparse.open(QIODevice::ReadWrite));
        if (!sparse.resize(size)) {
            QSKIP("the file system cannot hold a sparse file this large");
        }
        sparse.close();
        CvbFile file;
        const Thrown thrown = thrownBy([&] { file.loadFromFile(path.toStdString()); });
        QCOMPARE(thrown.type, QByteArray("out_of_range"));
        QCOMPARE(thrown.message, QByteArray("CVB file too large for this implementation to handle"));
    }

    // The kit's damage helpers change one field and, on request, repair the CRC that covers it.
    void kitRepairsTheCoveringCrc() {
        const ContainerLayout layout = twoBlocks();
        Bytes bytes = buildContainer(layout);
        const std::size_t offset = blockLocations(bytes).at(1).dataOffset + 7;
        flipByte(bytes, offset, Crc::Recompute, 0x40);
        auto file = loadContainer(bytes);
        Bytes expected = layout.blocks[1].plain;
        expected[7] ^= 0x40;
        QCOMPARE(readAll(file->blockByIndex(1)->dataSource()), expected);

        Bytes description = buildContainer(layout);
        flipByte(description, 30, Crc::Recompute);
        QCOMPARE(loadContainer(description)->mainHeader().buildDescription()[18], std::uint8_t(0xFF));
    }

    void kitWritesContainersToDisk() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("kit.cvb"));
        const ContainerLayout layout = twoBlocks();
        QVERIFY(writeContainer(path, layout));
        CvbFile file;
        QVERIFY(file.loadFromFile(path.toStdString()));
        QCOMPARE(decryptBlock(file, 0, LodestarModel2ProductionSecret), layout.blocks[0].plain);
        QCOMPARE(readAll(file.blockByIndex(1)->dataSource()), layout.blocks[1].plain);
    }

    void reloadReplacesBlocks() {
        CvbFile file;
        file.loadFromFileSource(std::make_unique<MemoryFileSource>(buildContainer(twoBlocks())));
        const auto old = file.blockByIndex(0);
        file.loadFromFileSource(std::make_unique<MemoryFileSource>(emptyContainer()));
        QCOMPARE(file.blockCount(), std::size_t(0));
        std::uint8_t byte = 0;
        const Thrown thrown = thrownBy([&] { old->readData(0, &byte, 1); });
        QCOMPARE(thrown.message, QByteArray("Block not in file."));
    }
};

QTEST_GUILESS_MAIN(TestCvbFile)
#include "tst_cvb_file.moc"
