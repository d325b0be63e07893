#include "cvbv3/concatenated_data_source.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/plain_file_data_source.h"
#include "cvbv3/raw_block_data_source.h"
#include "cvbv3/skip_header_data_source.h"
#include "cvbv3/vector_data_source.h"
#include "tests/support/containers/test_containers.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace cvsw::cvbv3;
using namespace cvbtest;

namespace {

using Source = std::shared_ptr<CvbBlock::DataSource>;

Source vectorOf(const Bytes& bytes) {
    return std::make_shared<VectorDataSource>(bytes);
}

// Hands out at most `limit` bytes per read, so that callers have to loop.
class TrickleSource : public CvbBlock::DataSource {
public:
    TrickleSource(Bytes bytes, std::uint32_t limit)
        : inner_(std::move(bytes))
        , limit_(limit) {}
    void beginReadData() override { inner_.beginReadData(); }
    void endReadData() override { inner_.endReadData(); }
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override {
        return inner_.readChunk(buffer, std::min(maxBytes, limit_));
    }
    std::uint32_t chunkSizeHint() const override { return limit_; }
    bool endOfData() const override { return inner_.endOfData(); }

private:
    VectorDataSource inner_;
    std::uint32_t limit_;
};

} // namespace

class TestDataSources : public QObject {
    Q_OBJECT

private slots:
    void rawSourceOverEmptyBlock() {
        ContainerLayout layout;
        layout.blocks.push_back({"EMPTYBLK", {}, {}, false, {}, {}});
        auto file = loadContainer(buildContainer(layout));
        RawBlockDataSource source(file->blockByIndex(0));
        source.beginReadData();
        QVERIFY(source.endOfData());

        RawBlockDataSource none{std::shared_ptr<CvbBlock>()};
        std::uint8_t byte = 0;
        QVERIFY(none.endOfData());
        QCOMPARE(none.readChunk(&byte, 1), 0u);
    }

    void rawSourceRestarts() {
        ContainerLayout layout;
        layout.blocks.push_back({"PLAINBLK", patternBytes(1000), {}, false, {}, {}});
        auto file = loadContainer(buildContainer(layout));
        auto source = std::make_shared<RawBlockDataSource>(file->blockByIndex(0));
        QCOMPARE(readAll(source, 33), layout.blocks[0].plain);
        QCOMPARE(readAll(source, 1000), layout.blocks[0].plain);
    }

    void concatenation_data() {
        QTest::addColumn<Bytes>("first");
        QTest::addColumn<Bytes>("second");
        QTest::addColumn<bool>("firstPresent");
        QTest::addColumn<bool>("secondPresent");
        QTest::addColumn<quint32>("chunk");
        const Bytes a = bytesOf("header bytes");
        const Bytes b = patternBytes(100);
        QTest::newRow("one read spans the seam") << a << b << true << true << 64u;
        QTest::newRow("byte by byte") << a << b << true << true << 1u;
        QTest::newRow("empty first part") << Bytes{} << b << true << true << 7u;
        QTest::newRow("empty second part") << a << Bytes{} << true << true << 7u;
        QTest::newRow("first absent") << a << b << false << true << 50u;
        QTest::newRow("second absent") << a << b << true << false << 50u;
        QTest::newRow("both absent") << a << b << false << false << 50u;
    }

    void concatenation() {
        QFETCH(Bytes, first);
        QFETCH(Bytes, second);
        QFETCH(bool, firstPresent);
        QFETCH(bool, secondPresent);
        QFETCH(quint32, chunk);
        auto source = std::make_shared<ConcatenatedDataSource>(firstPresent ? vectorOf(first) : nullptr,
                                                               secondPresent ? vectorOf(second) : nullptr);
        Bytes expected;
        if (firstPresent) {
            expected = first;
        }
        if (secondPresent) {
            expected.insert(expected.end(), second.begin(), second.end());
        }
        QCOMPARE(readAll(source, chunk), expected);
        QVERIFY(source->endOfData());
        QCOMPARE(readAll(source, chunk), expected); // a second pass restarts both parts
    }

    void concatenationFillsOneRequestAcrossTheSeam() {
        ConcatenatedDataSource source(vectorOf(bytesOf("abc")), vectorOf(bytesOf("defgh")));
        source.beginReadData();
        std::array<std::uint8_t, 6> buffer{};
        QCOMPARE(source.readChunk(buffer.data(), 6), 6u);
        QCOMPARE(Bytes(buffer.begin(), buffer.end()), bytesOf("abcdef"));
        QVERIFY(!source.endOfData());
    }

    void concatenationForwardsTheHint() {
        ConcatenatedDataSource source(std::make_shared<TrickleSource>(bytesOf("ab"), 3),
                                      std::make_shared<TrickleSource>(bytesOf("cd"), 9));
        source.beginReadData();
        QCOMPARE(source.chunkSizeHint(), 3u);
        std::array<std::uint8_t, 2> buffer{};
        QCOMPARE(source.readChunk(buffer.data(), 2), 2u);
        QCOMPARE(source.chunkSizeHint(), 9u);
        QCOMPARE(source.readChunk(buffer.data(), 2), 2u);
        QCOMPARE(source.chunkSizeHint(), 0u);
        QVERIFY(source.endOfData());
    }

    void skipHeader_data() {
        QTest::addColumn<quint64>("headerLength");
        QTest::addColumn<quint32>("trickle");
        QTest::newRow("nothing to skip") << quint64(0) << 100u;
        QTest::newRow("MBU header") << quint64(21) << 100u;
        QTest::newRow("header read in short pieces") << quint64(53) << 4u;
        QTest::newRow("whole stream") << quint64(100) << 100u;
    }

    void skipHeader() {
        QFETCH(quint64, headerLength);
        QFETCH(quint32, trickle);
        const Bytes data = patternBytes(100);
        const unsigned long length = headerLength;
        auto source =
            std::make_shared<SkipHeaderDataSource>(length, std::make_shared<TrickleSource>(data, trickle));
        const Bytes expected(data.begin() + static_cast<std::ptrdiff_t>(headerLength), data.end());
        QCOMPARE(readAll(source, 16), expected);
        QCOMPARE(readAll(source, 16), expected); // the header is skipped again on each pass
        QVERIFY(source->endOfData());
    }

    void skipHeaderOfShortStream() {
        const unsigned long length = 21;
        SkipHeaderDataSource source(length, vectorOf(patternBytes(20)));
        try {
            source.beginReadData();
            QFAIL("a stream shorter than the header was accepted");
        } catch (const std::runtime_error& error) {
            QCOMPARE(QByteArray(error.what()), QByteArray("Insufficient data to skip metadata header."));
        }

        SkipHeaderDataSource none(length, nullptr);
        none.beginReadData();
        QVERIFY(none.endOfData());
    }

    void vectorSource() {
        VectorDataSource empty{Bytes{}};
        empty.beginReadData();
        QVERIFY(empty.endOfData());
        std::uint8_t byte = 0;
        QCOMPARE(empty.readChunk(&byte, 1), 0u);
        QCOMPARE(readAll(std::make_shared<VectorDataSource>(bytesOf("xyz")), 2), bytesOf("xyz"));
    }

    void plainFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("image.bin"));
        const Bytes data = patternBytes(5000, 4);
        QVERIFY(writeBytes(path, data));
        auto source = std::make_shared<PlainFileDataSource>(path.toStdString());
        QVERIFY(source->endOfData()); // not opened before the first pass
        QCOMPARE(readAll(source, 999), data);
        QCOMPARE(readAll(source, 5000), data);

        // A second pass without endReadData rewinds the open stream.
        source->beginReadData();
        std::array<std::uint8_t, 4> head{};
        QCOMPARE(source->readChunk(head.data(), 4), 4u);
        source->beginReadData();
        QCOMPARE(source->readChunk(head.data(), 4), 4u);
        QCOMPARE(head[0], data[0]);
        source->endReadData();
    }

    void plainFileMissing() {
        const std::string path = "/nonexistent-dir/image.bin";
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "^E\\|plain_file_data_source\\.cpp:\\d+\\|Failed to "
                                               "open file: /nonexistent-dir/image\\.bin$")));
        auto source = std::make_shared<PlainFileDataSource>(path);
        QCOMPARE(readAll(source), Bytes{});
        QVERIFY(source->endOfData());
    }
};

QTEST_GUILESS_MAIN(TestDataSources)
#include "tst_data_sources.moc"
