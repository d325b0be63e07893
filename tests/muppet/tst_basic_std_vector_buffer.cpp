#include "muppet/basic_std_vector_buffer.h"
#include "tests/support/framing/recording_notifier.h"

#include <QTest>

#include <cstring>

using cuu::test::RecordingNotifier;
using cuu::test::Report;
using cvsw::muppet::BasicStdVectorBuffer;

namespace {

// A buffer holding "committed" bytes 1, 2, 3... followed by (prepared - committed) prepared bytes.
void fill(BasicStdVectorBuffer& buffer, RecordingNotifier& notifier, int prepared, int committed) {
    std::uint8_t* slot = buffer.prepare(notifier, static_cast<std::size_t>(prepared));
    for (int i = 0; i < prepared; ++i) {
        slot[i] = static_cast<std::uint8_t>(i + 1);
    }
    buffer.commit(notifier, static_cast<std::size_t>(committed));
}

QByteArray contents(const BasicStdVectorBuffer& buffer) {
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), static_cast<qsizetype>(buffer.size()));
}

} // namespace

class TestBasicStdVectorBuffer : public QObject {
    Q_OBJECT

private slots:
    void consume_data();
    void consume();
    void commit_data();
    void commit();
    void clearDropsPreparedBytes();
    void prepareKeepsHeldBytes();
    void freeSpaceShrinksWithUse();
};

void TestBasicStdVectorBuffer::consume_data() {
    QTest::addColumn<int>("prepared");
    QTest::addColumn<int>("committed");
    QTest::addColumn<int>("consumed");
    QTest::addColumn<QByteArray>("remaining");
    QTest::addColumn<bool>("reported");

    QTest::newRow("part") << 5 << 5 << 2 << QByteArray("\x03\x04\x05") << false;
    QTest::newRow("all") << 5 << 5 << 5 << QByteArray() << false;
    QTest::newRow("nothing") << 5 << 5 << 0 << QByteArray("\x01\x02\x03\x04\x05") << false;
    QTest::newRow("beyond held") << 5 << 5 << 9 << QByteArray() << true;
    // Prepared but uncommitted bytes are not held: consuming into them must not wrap the count.
    QTest::newRow("into prepared bytes") << 10 << 4 << 6 << QByteArray() << true;
    QTest::newRow("held part before prepared") << 10 << 4 << 3 << QByteArray("\x04") << false;
    QTest::newRow("empty") << 0 << 0 << 1 << QByteArray() << true;
}

void TestBasicStdVectorBuffer::consume() {
    QFETCH(int, prepared);
    QFETCH(int, committed);
    QFETCH(int, consumed);
    QFETCH(QByteArray, remaining);
    QFETCH(bool, reported);

    RecordingNotifier notifier;
    BasicStdVectorBuffer buffer;
    fill(buffer, notifier, prepared, committed);
    buffer.consume(notifier, static_cast<std::size_t>(consumed));

    QCOMPARE(buffer.size(), static_cast<std::size_t>(remaining.size()));
    QCOMPARE(contents(buffer), remaining);
    QCOMPARE(notifier.reports, (reported ? QList<Report>{{0, 2, -1}} : QList<Report>{}));

    // The buffer stays usable after the clamp.
    fill(buffer, notifier, 2, 2);
    QCOMPARE(buffer.size(), static_cast<std::size_t>(remaining.size() + 2));
}

void TestBasicStdVectorBuffer::commit_data() {
    QTest::addColumn<int>("prepared");
    QTest::addColumn<int>("committed");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("reported");

    QTest::newRow("all prepared") << 8 << 8 << 8 << false;
    QTest::newRow("part of prepared") << 8 << 3 << 3 << false;
    QTest::newRow("beyond prepared") << 8 << 9 << 8 << true;
    QTest::newRow("nothing prepared") << 0 << 1 << 0 << true;
}

void TestBasicStdVectorBuffer::commit() {
    QFETCH(int, prepared);
    QFETCH(int, committed);
    QFETCH(int, size);
    QFETCH(bool, reported);

    RecordingNotifier notifier;
    BasicStdVectorBuffer buffer;
    fill(buffer, notifier, prepared, committed);
    QCOMPARE(buffer.size(), static_cast<std::size_t>(size));
    QCOMPARE(notifier.reports, (reported ? QList<Report>{{0, 0, -1}} : QList<Report>{}));
}

void TestBasicStdVectorBuffer::clearDropsPreparedBytes() {
    RecordingNotifier notifier;
    BasicStdVectorBuffer buffer;
    fill(buffer, notifier, 6, 3);
    buffer.clear();
    QCOMPARE(buffer.size(), std::size_t{0});
    // Nothing prepared survives the clear.
    buffer.commit(notifier, 1);
    QCOMPARE(buffer.size(), std::size_t{0});
    QCOMPARE(notifier.reports, (QList<Report>{{0, 0, -1}}));
}

void TestBasicStdVectorBuffer::prepareKeepsHeldBytes() {
    RecordingNotifier notifier;
    BasicStdVectorBuffer buffer;
    QVERIFY(buffer.prepare(notifier, 0) != nullptr);
    fill(buffer, notifier, 3, 3);
    std::uint8_t* slot = buffer.prepare(notifier, 1000);
    QVERIFY(slot != nullptr);
    QCOMPARE(slot, buffer.data() + 3);
    std::memset(slot, 0xAB, 1000);
    buffer.commit(notifier, 1000);
    QCOMPARE(buffer.size(), std::size_t{1003});
    QCOMPARE(contents(buffer).left(4), QByteArray("\x01\x02\x03\xAB"));
    QVERIFY(notifier.reports.isEmpty());
}

void TestBasicStdVectorBuffer::freeSpaceShrinksWithUse() {
    RecordingNotifier notifier;
    BasicStdVectorBuffer buffer;
    QCOMPARE(buffer.freeSpace(), std::size_t{0x7FFFFFFFFFFFFFFF});
    fill(buffer, notifier, 10, 4);
    QCOMPARE(buffer.freeSpace(), std::size_t{0x7FFFFFFFFFFFFFFF} - 4);
}

QTEST_GUILESS_MAIN(TestBasicStdVectorBuffer)
#include "tst_basic_std_vector_buffer.moc"
