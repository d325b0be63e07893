#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"
#include "tests/support/containers/memory_file_source.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <stdexcept>
#include <vector>

using namespace cvsw::cvbv3;

namespace {

// Yields `length` zero bytes without holding them.
class ZeroSource : public CvbBlock::DataSource {
public:
    explicit ZeroSource(std::uint64_t length)
        : length_(length) {}
    void beginReadData() override { delivered_ = 0; }
    void endReadData() override {}
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(maxBytes, length_ - delivered_));
        std::fill_n(buffer, count, 0);
        delivered_ += count;
        return count;
    }
    std::uint32_t chunkSizeHint() const override { return 0; }
    bool endOfData() const override { return delivered_ == length_; }

private:
    std::uint64_t length_;
    std::uint64_t delivered_ = 0;
};

void putU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// A valid container of `count` blocks, each holding `blockSize` zero bytes (whose CRC is 0).
std::vector<std::uint8_t> containerOfManyBlocks(std::uint32_t count, std::uint32_t blockSize) {
    const std::size_t stride = 88 + blockSize;
    std::vector<std::uint8_t> bytes(256 + count * stride, 0);
    const std::uint8_t mainMagic[] = {'C', 'V', 'B', 'F'};
    std::copy(std::begin(mainMagic), std::end(mainMagic), bytes.begin());
    putU32(bytes, 4, count);
    putU32(bytes, 8, static_cast<std::uint32_t>(bytes.size()));
    putU32(bytes, 76, 3);
    putU32(bytes, 188, Crc32::compute(bytes.data(), 188));

    std::vector<std::uint8_t> header(88, 0);
    const std::uint8_t blockStart[] = {'C', 'V', 'B', 'B', 'M', 'A', 'N', 'Y', 'B', 'L', 'K', 'S'};
    std::copy(std::begin(blockStart), std::end(blockStart), header.begin());
    putU32(header, 12, blockSize);
    putU32(header, 84, Crc32::compute(header.data(), 84));
    for (std::size_t i = 0; i < count; ++i) {
        std::copy(header.begin(), header.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(256 + i * stride));
    }
    return bytes;
}

} // namespace

// Writing 4 GiB and loading tens of thousands of blocks take a while, so these run apart from the
// everyday suite.
class TestCvbFileLimits : public QObject {
    Q_OBJECT

private slots:
    // The header sizes are 32-bit: a container of 2^32 bytes or more would be written with a wrapped
    // dataSize and reported as saved.
    void saveRefusesToReach4GiB_data() {
        QTest::addColumn<quint64>("firstBlock");
        QTest::addColumn<quint64>("secondBlock");
        const quint64 limit = quint64(1) << 32;
        QTest::newRow("one block ending at 2^32") << limit - 256 - 88 << quint64(0);
        QTest::newRow("two blocks passing 2^32 together") << (limit >> 1) << (limit >> 1);
    }

    void saveRefusesToReach4GiB() {
        QFETCH(quint64, firstBlock);
        QFETCH(quint64, secondBlock);
        if (!QFile::exists(QStringLiteral("/dev/null"))) {
            QSKIP("no /dev/null to write to");
        }
        CvbFile file;
        file.addBlock()->setDataSource(std::make_shared<ZeroSource>(firstBlock));
        file.addBlock()->setDataSource(std::make_shared<ZeroSource>(secondBlock));
        try {
            file.saveToFile("/dev/null");
            QFAIL("a container of 2^32 bytes or more was saved");
        } catch (const std::range_error& error) {
            QCOMPARE(QByteArray(error.what()), QByteArray("File exceeds 32 bit length limit."));
        }
    }

    // Every block read looks up the block's index in its file. A container of many small blocks
    // must load and read in time proportional to its size: a lookup that walked the block list made
    // a few megabytes of headers keep the program busy for minutes.
    void manyBlocksLoadAndReadInLinearTime_data() {
        QTest::addColumn<quint32>("count");
        QTest::addColumn<quint32>("blockSize");
        QTest::newRow("60000 empty blocks") << 60000u << 0u;
        QTest::newRow("40000 blocks of 32 bytes") << 40000u << 32u;
    }

    void manyBlocksLoadAndReadInLinearTime() {
        QFETCH(quint32, count);
        QFETCH(quint32, blockSize);

        QElapsedTimer timer;
        timer.start();
        CvbFile file;
        file.loadFromFileSource(
            std::make_unique<cvbtest::MemoryFileSource>(containerOfManyBlocks(count, blockSize)));
        QCOMPARE(file.blockCount(), std::size_t(count));
        // Readers pull a block in small pieces, each a read through the block.
        std::uint8_t buffer[8];
        for (std::size_t i = 0; i < file.blockCount(); ++i) {
            const auto block = file.blockByIndex(i);
            for (std::uint32_t offset = 0; offset <= blockSize; offset += sizeof buffer) {
                block->readData(offset, buffer, sizeof buffer);
            }
        }
        QVERIFY2(timer.elapsed() < 30000, qPrintable(QStringLiteral("took %1 ms").arg(timer.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestCvbFileLimits)
#include "tst_cvb_file_limits.moc"
