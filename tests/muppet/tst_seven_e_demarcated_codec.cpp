#include "muppet/crc8_maxim.h"
#include "muppet/seven_e_demarcated_codec.h"
#include "tests/support/framing/codec_harness.h"

#include <QTest>

using cuu::test::bufferOf;
using cuu::test::bytesOf;
using cuu::test::CodecHarness;
using cuu::test::ReceivedFrame;
using cuu::test::RecordingNotifier;
using cuu::test::Report;
using cvsw::muppet::Crc8Maxim;
using cvsw::muppet::SevenEDemarcatedCodec;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// A frame as the codec writes it, with any sequence number and checksum.
QByteArray frame(std::uint8_t sequence, std::uint8_t type, const QByteArray& payload, int checksum = -1) {
    QByteArray bytes;
    bytes.append('\x7E').append(static_cast<char>(sequence));
    bytes.append(static_cast<char>(
        checksum >= 0 ? checksum
                      : Crc8Maxim::compute(reinterpret_cast<const std::uint8_t*>(payload.constData()),
                                           std::size_t(payload.size()))));
    bytes.append(static_cast<char>(type));
    bytes.append(static_cast<char>(payload.size() >> 8)).append(static_cast<char>(payload.size() & 0xFF));
    return bytes + payload;
}

const QByteArray kPayload = hex("01 02 03");

} // namespace

class TestSevenEDemarcatedCodec : public QObject {
    Q_OBJECT

private slots:
    void crcCheckValue();
    void encodeWireVector();
    void encodeSizes_data();
    void encodeSizes();
    void decode_data();
    void decode();
};

void TestSevenEDemarcatedCodec::crcCheckValue() {
    const QByteArray digits("123456789");
    QCOMPARE(Crc8Maxim::compute(reinterpret_cast<const std::uint8_t*>(digits.constData()), 9),
             std::uint8_t{0xA1});
}

void TestSevenEDemarcatedCodec::encodeWireVector() {
    SevenEDemarcatedCodec codec;
    CodecHarness harness(codec);
    QCOMPARE(harness.encode(0x42, kPayload).toHex(' '), QByteArray("7e 00 d8 42 00 03 01 02 03"));
    QCOMPARE(harness.encode(0x42, {}).toHex(' '), QByteArray("7e 01 00 42 00 00"));
    QVERIFY(harness.notifier.reports.isEmpty());
}

void TestSevenEDemarcatedCodec::encodeSizes_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("4096") << 4096 << true;
    // Frames of these sizes no longer fit in 16 bits with their header.
    QTest::newRow("65530") << 65530 << true;
    QTest::newRow("65535") << 65535 << true;
    QTest::newRow("65536") << 65536 << false;
}

void TestSevenEDemarcatedCodec::encodeSizes() {
    QFETCH(int, size);
    QFETCH(bool, accepted);

    SevenEDemarcatedCodec codec;
    RecordingNotifier notifier;
    const QByteArray payload(size, '\x7E');
    const cvsw::muppet::BasicStdVectorBuffer in = bufferOf(payload);
    cvsw::muppet::BasicStdVectorBuffer out;
    codec.encode(notifier, 0x05, in, out);

    if (!accepted) {
        QCOMPARE(out.size(), std::size_t{0});
        QCOMPARE(notifier.reports, (QList<Report>{{2, 1, -1}, {2, 5, 1}}));
        return;
    }
    QVERIFY(notifier.reports.isEmpty());
    QCOMPARE(out.size(), std::size_t(size) + 6);
    QCOMPARE(bytesOf(out), frame(0, 0x05, payload));
}

void TestSevenEDemarcatedCodec::decode_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<ReceivedFrame>>("frames");
    QTest::addColumn<QList<Report>>("reports");

    const Report start{2, 0, 1};
    const Report accepted{2, 2, 1};
    const Report gap{2, 3, 1};
    const Report framing{2, 1, 1};
    const QList<Report> mismatch{{2, 3, -1}, {2, 1, 1}, {2, 4, 1}};
    const ReceivedFrame good{0x42, kPayload};

    QTest::newRow("one frame") << hex("7E 00 D8 42 00 03 01 02 03") << QList<ReceivedFrame>{good}
                               << QList<Report>{start, accepted};
    QTest::newRow("noise before the marker") << hex("00 11 22") + frame(0, 0x42, kPayload)
                                             << QList<ReceivedFrame>{good} << QList<Report>{start, accepted};
    QTest::newRow("empty payload completes at once")
        << hex("7E 00 00 05 00 00") + hex("99") << QList<ReceivedFrame>{{0x05, {}}}
        << QList<Report>{start, accepted};
    QTest::newRow("marker inside the payload")
        << frame(0, 0x42, hex("7E 7E 00 7E")) << QList<ReceivedFrame>{{0x42, hex("7E 7E 00 7E")}}
        << QList<Report>{start, accepted};
    QTest::newRow("largest accepted length")
        << frame(0, 0x42, QByteArray(4096, '\x11')) << QList<ReceivedFrame>{{0x42, QByteArray(4096, '\x11')}}
        << QList<Report>{start, accepted};
    QTest::newRow("length 4097 refused")
        << frame(0, 0x42, QByteArray(4097, '\x11')) + frame(1, 0x42, kPayload) << QList<ReceivedFrame>{good}
        << QList<Report>{start, framing, start, accepted};
    QTest::newRow("checksum mismatch")
        << frame(0, 0x42, kPayload, 0xD9) << QList<ReceivedFrame>{} << QList<Report>{start} + mismatch;
    QTest::newRow("checksum of empty payload is 0")
        << frame(0, 0x42, {}, 0x01) << QList<ReceivedFrame>{} << QList<Report>{start} + mismatch;
    QTest::newRow("consecutive sequences")
        << frame(1, 0x42, kPayload) + frame(2, 0x42, kPayload) << QList<ReceivedFrame>{good, good}
        << QList<Report>{start, accepted, start, accepted};
    QTest::newRow("sequence gap") << frame(1, 0x42, kPayload) + frame(3, 0x42, kPayload)
                                  << QList<ReceivedFrame>{good, good}
                                  << QList<Report>{start, accepted, start, gap, accepted};
    QTest::newRow("no wrap after 255")
        << frame(255, 0x42, kPayload) + frame(0, 0x42, kPayload) << QList<ReceivedFrame>{good, good}
        << QList<Report>{start, accepted, start, gap, accepted};
}

void TestSevenEDemarcatedCodec::decode() {
    QFETCH(QByteArray, stream);
    QFETCH(QList<ReceivedFrame>, frames);
    QFETCH(QList<Report>, reports);

    // Reads may split a frame anywhere, inside its payload too.
    for (const qsizetype chunk : {qsizetype(0), qsizetype(1), qsizetype(2), qsizetype(64)}) {
        SevenEDemarcatedCodec codec;
        CodecHarness harness(codec);
        harness.decode(stream, chunk);
        QCOMPARE(harness.portal.frames, frames);
        QCOMPARE(harness.notifier.reports, reports);
    }
}

QTEST_GUILESS_MAIN(TestSevenEDemarcatedCodec)
#include "tst_seven_e_demarcated_codec.moc"
