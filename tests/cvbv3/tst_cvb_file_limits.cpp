#include "cvbv3/cvb_file.h"

#include <QFile>
#include <QTest>

#include <stdexcept>

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

} // namespace

// Writing 4 GiB takes a while, so these run apart from the everyday suite.
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
};

QTEST_GUILESS_MAIN(TestCvbFileLimits)
#include "tst_cvb_file_limits.moc"
