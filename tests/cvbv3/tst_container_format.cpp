#include "cvbv3/block_header.h"
#include "cvbv3/block_header_validator.h"
#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/main_header.h"
#include "cvbv3/main_header_validator.h"
#include "tests/support/containers/test_containers.h"

#include <QTest>

#include <stdexcept>

using namespace cvsw::cvbv3;
using cvbtest::Bytes;

namespace {

// A block that yields whatever it is told to, to drive the data checks without a file.
class ScriptedBlock : public CvbBlock {
public:
    ScriptedBlock(CvbFile& file, Bytes data)
        : CvbBlock(file)
        , data_(std::move(data)) {}

    std::uint32_t readData(unsigned long offset, std::uint8_t* buffer, std::uint32_t length) override {
        if (offset >= data_.size()) {
            return 0;
        }
        const auto count = std::min<std::size_t>(length, data_.size() - offset);
        std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(offset), count, buffer);
        return static_cast<std::uint32_t>(count);
    }

private:
    Bytes data_;
};

std::uint32_t crcInPieces(const QByteArray& data, const QList<int>& cuts) {
    std::uint32_t crc = 0;
    int from = 0;
    for (int cut : cuts) {
        crc = Crc32::update(crc, data.constData() + from, std::size_t(cut - from));
        from = cut;
    }
    return Crc32::update(crc, data.constData() + from, std::size_t(data.size() - from));
}

} // namespace

class TestContainerFormat : public QObject {
    Q_OBJECT

private slots:
    void crc_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<int>>("cuts");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("check value") << QByteArray("123456789") << QList<int>{} << quint32(0x2DFD2D88);
        QTest::newRow("check value in two pieces")
            << QByteArray("123456789") << QList<int>{4} << quint32(0x2DFD2D88);
        QTest::newRow("check value byte by byte")
            << QByteArray("123456789") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8} << quint32(0x2DFD2D88);
        QTest::newRow("empty") << QByteArray() << QList<int>{} << quint32(0);
        QTest::newRow("zero run") << QByteArray(1000, '\0') << QList<int>{333} << quint32(0);
        // The common CRC-32 of this text is 0x414FA339.
        QTest::newRow("pangram") << QByteArray("The quick brown fox jumps over the lazy dog")
                                 << QList<int>{10, 11} << quint32(0xB9C60808);
    }

    void crc() {
        QFETCH(QByteArray, data);
        QFETCH(QList<int>, cuts);
        QFETCH(quint32, expected);
        QCOMPARE(crcInPieces(data, cuts), expected);
    }

    void defaultHeaders() {
        const MainHeader main;
        QCOMPARE(main.magicNumber(), (std::array<std::uint8_t, 4>{'C', 'V', 'B', 'F'}));
        QCOMPARE(main.versionNumber(), 3u);
        QCOMPARE(main.headerCrc(), 0u);
        for (std::size_t i = 4; i < MainHeader::Size; ++i) {
            if (i != 76) {
                QVERIFY2(i < 76 || i >= 80 ? main.rawData()[i] == 0 : true, qPrintable(QString::number(i)));
            }
        }
        const BlockHeader block;
        QCOMPARE(block.magicNumber(), (std::array<std::uint8_t, 4>{'C', 'V', 'B', 'B'}));
        QVERIFY(
            std::all_of(block.rawData().begin() + 4, block.rawData().end(), [](auto b) { return b == 0; }));
    }

    void fieldsAreStoredInPlace() {
        MainHeader main;
        main.setNumberOfBlocks(0x01020304);
        main.setDataSize(0xA0B0C0D0);
        main.setHeaderCrc(0x11223344);
        QCOMPARE(main.fromRawData(4), 0x01020304u);
        QCOMPARE(main.rawData()[4], std::uint8_t(0x04));
        QCOMPARE(main.rawData()[11], std::uint8_t(0xA0));
        QCOMPARE(main.fromRawData(188), 0x11223344u);

        BlockHeader block;
        block.setBlockId(cvbtest::makeTag("LDSTCP02"));
        block.setDataSize(0x10);
        block.setDataCrc(0xDEADBEEF);
        QCOMPARE(block.rawData()[4], std::uint8_t('L'));
        QCOMPARE(block.rawData()[11], std::uint8_t('2'));
        QCOMPARE(block.fromRawData(12), 0x10u);
        QCOMPARE(block.fromRawData(16), 0xDEADBEEFu);
        QCOMPARE(BlockHeader(block.rawData()), block);
    }

    void rawDataBounds_data() {
        QTest::addColumn<bool>("mainHeader");
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("valid");
        QTest::newRow("main 252") << true << 252 << true;
        QTest::newRow("main 253") << true << 253 << false;
        QTest::newRow("main 256") << true << 256 << false;
        QTest::newRow("block 84") << false << 84 << true;
        QTest::newRow("block 85") << false << 85 << false;
        QTest::newRow("block huge") << false << int(0x7FFFFFFF) << false;
    }

    void rawDataBounds() {
        QFETCH(bool, mainHeader);
        QFETCH(int, offset);
        QFETCH(bool, valid);
        MainHeader main;
        BlockHeader block;
        auto write = [&] {
            mainHeader ? main.toRawData(std::size_t(offset), 0xCAFEF00D)
                       : block.toRawData(std::size_t(offset), 0xCAFEF00D);
        };
        auto read = [&] {
            return mainHeader ? main.fromRawData(std::size_t(offset))
                              : block.fromRawData(std::size_t(offset));
        };
        if (valid) {
            write();
            QCOMPARE(read(), 0xCAFEF00Du);
            return;
        }
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, write());
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, read());
        try {
            read();
        } catch (const std::out_of_range& error) {
            QCOMPARE(QByteArray(error.what()), QByteArray("Offset out of range."));
        }
    }

    void buildDescription_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("empty") << 0;
        QTest::newRow("64 bytes, no terminator") << 64;
        QTest::newRow("65 bytes") << 65;
    }

    void buildDescription() {
        QFETCH(int, length);
        const std::string text(std::size_t(length), 'x');
        MainHeader main;
        BlockHeader block;
        main.setBuildDescription(std::string("previous"));
        block.setBuildDescription(std::string("previous"));
        const auto mainBefore = main.buildDescription();
        const auto blockBefore = block.buildDescription();
        if (length > 64) {
            QVERIFY_THROWS_EXCEPTION(std::length_error, main.setBuildDescription(text));
            QVERIFY_THROWS_EXCEPTION(std::length_error, block.setBuildDescription(text));
            QCOMPARE(main.buildDescription(), mainBefore);
            QCOMPARE(block.buildDescription(), blockBefore);
            return;
        }
        main.setBuildDescription(text);
        block.setBuildDescription(text);
        for (std::size_t i = 0; i < 64; ++i) {
            const std::uint8_t expected = i < std::size_t(length) ? 'x' : 0;
            QCOMPARE(main.buildDescription()[i], expected);
            QCOMPARE(block.buildDescription()[i], expected);
        }
        QCOMPARE(main.rawData()[76], std::uint8_t(3)); // the version after it is untouched
    }

    void mainHeaderChecks_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<bool>("reservedValid");
        QTest::addColumn<bool>("crcValid");
        QTest::newRow("untouched") << -1 << true << true;
        QTest::newRow("first reserved byte") << 80 << false << false;
        QTest::newRow("last reserved byte") << 187 << false << false;
        QTest::newRow("crypto hash first byte") << 192 << true << true;
        QTest::newRow("crypto hash last byte") << 255 << true << true;
    }

    void mainHeaderChecks() {
        QFETCH(int, offset);
        QFETCH(bool, reservedValid);
        QFETCH(bool, crcValid);
        MainHeader header;
        header.setDataSize(256);
        header.setHeaderCrc(header.calculateCrc());
        auto raw = header.rawData();
        if (offset >= 0) {
            raw[std::size_t(offset)] = 0x5A;
        }
        const MainHeader changed(raw);
        const CvbFile file;
        const MainHeaderValidator validator(file, changed);
        QVERIFY(validator.magicNumberIsValid());
        QVERIFY(validator.versionNumberIsValid());
        QCOMPARE(validator.reservedBytesValid(), reservedValid);
        QCOMPARE(validator.headerCRCIsValid(), crcValid);
        QVERIFY(validator.numberOfBlocksIsValid());
        QVERIFY(validator.dataSizeIsValid());
    }

    void blockDataChecks_data() {
        QTest::addColumn<Bytes>("data");
        QTest::addColumn<quint32>("headerSize");
        QTest::addColumn<quint32>("headerCrc");
        QTest::addColumn<bool>("sizeValid");
        QTest::addColumn<bool>("crcValid");
        const Bytes pattern = cvbtest::patternBytes(70000);
        const auto crc = Crc32::compute(pattern.data(), pattern.size());
        QTest::newRow("empty block, crc 0") << Bytes{} << 0u << 0u << true << true;
        QTest::newRow("zero data, crc 0") << Bytes(5000, 0) << 5000u << 0u << true << true;
        QTest::newRow("several pieces") << pattern << quint32(pattern.size()) << crc << true << true;
        QTest::newRow("wrong crc") << pattern << quint32(pattern.size()) << (crc ^ 1) << true << false;
        // The CRC check reads whole pieces, so the extra byte is folded in and only the size check fails.
        QTest::newRow("yields more than its size") << pattern << 69999u << crc << false << true;
        QTest::newRow("yields less than its size") << pattern << 70001u << crc << false << true;
    }

    void blockDataChecks() {
        QFETCH(Bytes, data);
        QFETCH(quint32, headerSize);
        QFETCH(quint32, headerCrc);
        QFETCH(bool, sizeValid);
        QFETCH(bool, crcValid);
        CvbFile file;
        auto block = std::make_shared<ScriptedBlock>(file, data);
        block->header().setDataSize(headerSize);
        block->header().setDataCrc(headerCrc);
        block->header().setHeaderCrc(block->header().calculateHeaderCrc());
        const BlockHeaderValidator validator(std::static_pointer_cast<CvbBlock>(block));
        QVERIFY(validator.magicNumberIsValid());
        QVERIFY(validator.headerCrcIsValid());
        QCOMPARE(validator.dataSizeIsValid(), sizeValid);
        QCOMPARE(validator.dataCrcIsValid(), crcValid);
    }

    void bareHeaderHasNoData() {
        BlockHeader header;
        header.setHeaderCrc(header.calculateHeaderCrc());
        const BlockHeaderValidator validator(header);
        QVERIFY(validator.magicNumberIsValid());
        QVERIFY(validator.headerCrcIsValid());
        QVERIFY(!validator.dataSizeIsValid());
        QVERIFY(!validator.dataCrcIsValid());

        header.setDataSize(1); // covered by the header CRC
        QVERIFY(!validator.headerCrcIsValid());
        header.setMagicNumber({'C', 'V', 'B', 'F'});
        QVERIFY(!validator.magicNumberIsValid());

        const BlockHeaderValidator noBlock{std::shared_ptr<CvbBlock>()};
        QVERIFY(!noBlock.dataSizeIsValid());
        QVERIFY(!noBlock.dataCrcIsValid());
    }
};

QTEST_GUILESS_MAIN(TestContainerFormat)
#include "tst_container_format.moc"
