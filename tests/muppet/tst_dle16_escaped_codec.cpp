#include "muppet/dle16_escaped_codec.h"
#include "tests/support/framing/codec_harness.h"

#include <QTest>

using cuu::test::bufferOf;
using cuu::test::CodecHarness;
using cuu::test::ReceivedFrame;
using cuu::test::RecordingNotifier;
using cuu::test::Report;
using cvsw::muppet::Dle16EscapedCodec;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// Sequence 0, type 0x01, payload 10 20: the payload's 0x10 is doubled. CRC 0x12EE.
const QByteArray kFirstFrame = hex("10 02 00 01 00 02 10 10 20 12 EE 10 03");
const ReceivedFrame kFirst{0x01, hex("10 20")};

// The same frame with another sequence number (the CRC does not cover it).
QByteArray withSequence(std::uint8_t sequence) {
    QByteArray frame = kFirstFrame;
    frame[2] = static_cast<char>(sequence);
    return sequence == 0x10 ? frame.insert(2, '\x10') : frame;
}

} // namespace

class TestDle16EscapedCodec : public QObject {
    Q_OBJECT

private slots:
    void encodeWireVector();
    void encodeCountsSequence();
    void encodeRefusesOversizedPayload();
    void roundTrip_data();
    void roundTrip();
    void decode_data();
    void decode();
};

void TestDle16EscapedCodec::encodeWireVector() {
    Dle16EscapedCodec codec;
    CodecHarness harness(codec);
    QCOMPARE(harness.encode(0x01, hex("10 20")).toHex(' '), kFirstFrame.toHex(' '));
    QVERIFY(harness.notifier.reports.isEmpty());
}

void TestDle16EscapedCodec::encodeCountsSequence() {
    Dle16EscapedCodec codec;
    CodecHarness harness(codec);
    for (int sequence = 0; sequence < 300; ++sequence) {
        const QByteArray wire = harness.encode(0x01, hex("10 20"));
        QCOMPARE(wire, withSequence(static_cast<std::uint8_t>(sequence)));
    }
}

void TestDle16EscapedCodec::encodeRefusesOversizedPayload() {
    Dle16EscapedCodec codec;
    RecordingNotifier notifier;
    const cvsw::muppet::BasicStdVectorBuffer in = bufferOf(QByteArray(0x10000, '\x10'));
    cvsw::muppet::BasicStdVectorBuffer out;
    codec.encode(notifier, 0x01, in, out);
    QCOMPARE(out.size(), std::size_t{0});
    QCOMPARE(notifier.reports, (QList<Report>{{2, 5, 1}}));
}

void TestDle16EscapedCodec::roundTrip_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");

    QTest::newRow("empty") << 0xFF << QByteArray();
    QTest::newRow("escape type and length") << 0x10 << QByteArray(0x10, '\x10');
    QTest::newRow("markers as data") << 0x02 << hex("10 02 10 03 10 10 02 03");
    QTest::newRow("largest") << 0x03 << QByteArray(0xFFFF, '\x10');
}

void TestDle16EscapedCodec::roundTrip() {
    QFETCH(int, type);
    QFETCH(QByteArray, payload);

    Dle16EscapedCodec codec;
    CodecHarness harness(codec);
    const QByteArray wire = harness.encode(static_cast<std::uint8_t>(type), payload);
    QCOMPARE(wire.left(2), hex("10 02"));
    QCOMPARE(wire.right(2), hex("10 03"));
    for (const qsizetype chunk : {qsizetype(0), qsizetype(1), qsizetype(7)}) {
        Dle16EscapedCodec receiver;
        CodecHarness receiving(receiver);
        receiving.decode(wire, chunk);
        QCOMPARE(receiving.portal.frames, (QList<ReceivedFrame>{{static_cast<std::uint8_t>(type), payload}}));
        QCOMPARE(receiving.notifier.framingReports(), (QList<Report>{{2, 0, -1}}));
    }
}

void TestDle16EscapedCodec::decode_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<ReceivedFrame>>("frames");
    QTest::addColumn<QList<Report>>("reports");

    const Report start{2, 0, -1};
    const Report framing{2, 1, -1};
    const Report gap{2, 3, -1};
    const Report crc{2, 4, -1};

    QTest::newRow("first frame has sequence 0")
        << kFirstFrame << QList<ReceivedFrame>{kFirst} << QList<Report>{start};
    QTest::newRow("noise between frames")
        << hex("55 10 10 03 AA") + kFirstFrame + hex("00 7E") + withSequence(1)
        << QList<ReceivedFrame>{kFirst, kFirst} << QList<Report>{start, start};
    QTest::newRow("first frame with another sequence")
        << withSequence(5) << QList<ReceivedFrame>{kFirst} << QList<Report>{start, gap};
    QTest::newRow("sequence gap") << kFirstFrame + withSequence(2) << QList<ReceivedFrame>{kFirst, kFirst}
                                  << QList<Report>{start, start, gap};
    QTest::newRow("sequence wraps after 255")
        << withSequence(5) + withSequence(6) + withSequence(255) + withSequence(0)
        << QList<ReceivedFrame>{kFirst, kFirst, kFirst, kFirst}
        << QList<Report>{start, gap, start, start, gap, start};
    QTest::newRow("escaped sequence")
        << withSequence(0x0F) + withSequence(0x10) << QList<ReceivedFrame>{kFirst, kFirst}
        << QList<Report>{start, gap, start};
    // The marker is not taken as the start of a new frame: the rest of the body is ignored.
    QTest::newRow("start marker inside a frame")
        << hex("10 02 00 01 00 02 10 02 01 01 00 02 10 10 20 12 EE 10 03") << QList<ReceivedFrame>{}
        << QList<Report>{start, framing};
    QTest::newRow("frame after a lost one")
        << hex("10 02 00 01 00 02 10 02") + withSequence(1) << QList<ReceivedFrame>{kFirst}
        << QList<Report>{start, framing, start};
    QTest::newRow("crc mismatch") << hex("10 02 00 01 00 02 10 10 21 12 EE 10 03") << QList<ReceivedFrame>{}
                                  << QList<Report>{start, crc};
    QTest::newRow("missing end marker")
        << hex("10 02 00 01 00 02 10 10 20 12 EE 03") + kFirstFrame << QList<ReceivedFrame>{kFirst}
        << QList<Report>{start, framing, start, gap};
    QTest::newRow("empty payload") << hex("10 02 00 FF 00 00 DE 6F 10 03") << QList<ReceivedFrame>{{0xFF, {}}}
                                   << QList<Report>{start};
}

void TestDle16EscapedCodec::decode() {
    QFETCH(QByteArray, stream);
    QFETCH(QList<ReceivedFrame>, frames);
    QFETCH(QList<Report>, reports);

    for (const qsizetype chunk : {qsizetype(0), qsizetype(1), qsizetype(5)}) {
        Dle16EscapedCodec codec;
        CodecHarness harness(codec);
        harness.decode(stream, chunk);
        QCOMPARE(harness.portal.frames, frames);
        QCOMPARE(harness.notifier.framingReports(), reports);
    }
}

QTEST_GUILESS_MAIN(TestDle16EscapedCodec)
#include "tst_dle16_escaped_codec.moc"
