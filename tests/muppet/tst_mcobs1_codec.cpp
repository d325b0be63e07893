#include "muppet/crc16_spi_fujitsu.h"
#include "muppet/mcobs1_codec.h"
#include "tests/support/framing/codec_harness.h"

#include <QTest>

using cuu::test::bufferOf;
using cuu::test::bytesOf;
using cuu::test::CodecHarness;
using cuu::test::ReceivedFrame;
using cuu::test::RecordingNotifier;
using cuu::test::Report;
using cvsw::muppet::Crc16SpiFujitsu;
using cvsw::muppet::Mcobs1Codec;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

const QByteArray kEmptyControlFrame = hex("00 01 04 FF 9A 30 00");
// A GET (mode 0, group 2) of command 20.
const QByteArray kGetCommand20 = hex("00 04 03 FF 02 04 14 68 6A 00");
const ReceivedFrame kEmptyControl{0xFF, {}};
const ReceivedFrame kGetCommand20Frame{0xFF, hex("02 00 14")};

QByteArray payloadOf(int size, char pattern) {
    QByteArray payload(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) {
        payload[i] = pattern == 'r' ? static_cast<char>(i & 0xFF) : pattern == 'z' ? '\0' : '\x55';
    }
    return payload;
}

// The raw frame (length field, type, payload, CRC) that the codec stuffs.
QByteArray rawFrame(std::uint8_t type, const QByteArray& payload) {
    QByteArray raw;
    const auto length = payload.size();
    if (length < 128) {
        raw.append(static_cast<char>(length));
    } else {
        raw.append(static_cast<char>((length >> 7) | 0x80));
        raw.append(static_cast<char>(length & 0x7F));
    }
    raw.append(static_cast<char>(type));
    raw.append(payload);
    const std::uint16_t crc = Crc16SpiFujitsu::compute(reinterpret_cast<const std::uint8_t*>(raw.constData()),
                                                       std::size_t(raw.size()));
    raw.append(static_cast<char>(crc >> 8));
    raw.append(static_cast<char>(crc & 0xFF));
    return raw;
}

// Undoes the COBS stuffing of one wire frame (without its delimiters), dropping the 0x00 implied by
// the last block.
QByteArray unstuff(const QByteArray& wire) {
    QByteArray raw;
    qsizetype i = 1;
    const qsizetype end = wire.size() - 1;
    while (i < end) {
        const int code = static_cast<std::uint8_t>(wire.at(i++));
        for (int k = 1; k < code && i < end; ++k) {
            raw.append(wire.at(i++));
        }
        if (code != 0xFF && i < end) {
            raw.append('\0');
        }
    }
    return raw;
}

} // namespace

class TestMcobs1Codec : public QObject {
    Q_OBJECT

private slots:
    void crcCheckValue();
    void encodeWireVectors_data();
    void encodeWireVectors();
    void encodeReservesEnoughForEveryLength_data();
    void encodeReservesEnoughForEveryLength();
    void encodeRefusesOversizedPayload();
    void encodeEndsOnFullBlock();
    void encodeFullBlockInsideFrame();
    void decode_data();
    void decode();
};

void TestMcobs1Codec::crcCheckValue() {
    const QByteArray digits("123456789");
    QCOMPARE(Crc16SpiFujitsu::compute(reinterpret_cast<const std::uint8_t*>(digits.constData()), 9),
             std::uint16_t{0xE5CC});
}

void TestMcobs1Codec::encodeWireVectors_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("wire");

    QTest::newRow("empty control frame") << 0xFF << QByteArray() << kEmptyControlFrame;
    QTest::newRow("get command 20") << 0xFF << hex("02 00 14") << kGetCommand20;
}

void TestMcobs1Codec::encodeWireVectors() {
    QFETCH(int, type);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, wire);

    Mcobs1Codec codec;
    CodecHarness harness(codec);
    QCOMPARE(harness.encode(static_cast<std::uint8_t>(type), payload).toHex(' '), wire.toHex(' '));
    QVERIFY(harness.notifier.reports.isEmpty());
}

void TestMcobs1Codec::encodeReservesEnoughForEveryLength_data() {
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("lengthField");

    for (const char pattern : {'n', 'z', 'r'}) {
        for (const int size : {0, 1, 127, 128, 253, 254, 255, 508, 1024, 16383}) {
            QByteArray lengthField;
            if (size < 128) {
                lengthField.append(static_cast<char>(size));
            } else {
                lengthField.append(static_cast<char>((size >> 7) | 0x80))
                    .append(static_cast<char>(size & 0x7F));
            }
            QTest::addRow("%d bytes, pattern %c", size, pattern) << payloadOf(size, pattern) << lengthField;
        }
    }
}

void TestMcobs1Codec::encodeReservesEnoughForEveryLength() {
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, lengthField);

    Mcobs1Codec codec;
    RecordingNotifier notifier;
    const cvsw::muppet::BasicStdVectorBuffer in = bufferOf(payload);
    // Frames are appended behind bytes still waiting in the transmit buffer.
    cvsw::muppet::BasicStdVectorBuffer out = bufferOf("abc");
    codec.encode(notifier, 0xF4, in, out);

    // A short reservation shows as a commit beyond the prepared bytes, (0, 0), and a lost delimiter.
    QVERIFY(notifier.reports.isEmpty());
    const QByteArray all = bytesOf(out);
    QCOMPARE(all.left(3), QByteArray("abc"));
    const QByteArray wire = all.mid(3);
    QVERIFY(std::size_t(wire.size()) <= Mcobs1Codec::maximumEncodedSize(std::size_t(payload.size())));
    QCOMPARE(wire.front(), '\0');
    QCOMPARE(wire.back(), '\0');
    QCOMPARE(wire.count('\0'), 2);

    const QByteArray raw = unstuff(wire);
    QCOMPARE(raw.left(lengthField.size()).toHex(), lengthField.toHex());
    QCOMPARE(raw, rawFrame(0xF4, payload));

    CodecHarness harness(codec);
    harness.decode(wire);
    QCOMPARE(harness.portal.frames, (QList<ReceivedFrame>{{0xF4, payload}}));
}

void TestMcobs1Codec::encodeRefusesOversizedPayload() {
    Mcobs1Codec codec;
    RecordingNotifier notifier;
    const cvsw::muppet::BasicStdVectorBuffer in = bufferOf(payloadOf(16384, 'n'));
    cvsw::muppet::BasicStdVectorBuffer out;
    codec.encode(notifier, 0xFF, in, out);
    QCOMPARE(out.size(), std::size_t{0});
    QCOMPARE(notifier.reports, (QList<Report>{{2, 5, 1}}));
}

void TestMcobs1Codec::encodeEndsOnFullBlock() {
    // 249 payload bytes make a raw frame of 2 + 1 + 249 + 2 = 254 bytes: with no zero among them it is
    // exactly one full block, which needs an empty block behind it before the delimiter.
    QByteArray payload;
    for (int fill = 1; fill < 256 && payload.isEmpty(); ++fill) {
        const QByteArray candidate(249, static_cast<char>(fill));
        if (!rawFrame(0xFF, candidate).contains('\0')) {
            payload = candidate;
        }
    }
    QVERIFY(!payload.isEmpty());

    Mcobs1Codec codec;
    CodecHarness harness(codec);
    const QByteArray wire = harness.encode(0xFF, payload);
    QCOMPARE(wire.size(), 258);
    QCOMPARE(wire.left(2).toHex(' '), QByteArray("00 ff"));
    QCOMPARE(wire.mid(2, 254), rawFrame(0xFF, payload));
    QCOMPARE(wire.right(2).toHex(' '), QByteArray("01 00"));

    harness.decode(wire);
    QCOMPARE(harness.portal.frames, (QList<ReceivedFrame>{{0xFF, payload}}));
}

void TestMcobs1Codec::encodeFullBlockInsideFrame() {
    QByteArray payload;
    for (int fill = 1; fill < 256 && payload.isEmpty(); ++fill) {
        const QByteArray candidate(254, static_cast<char>(fill));
        if (!rawFrame(0xFF, candidate).contains('\0')) {
            payload = candidate;
        }
    }
    QVERIFY(!payload.isEmpty());

    Mcobs1Codec codec;
    CodecHarness harness(codec);
    const QByteArray wire = harness.encode(0xFF, payload);
    // Raw frame of 259 bytes: a full block of 254, then a block of the last 5.
    QCOMPARE(wire.size(), 263);
    QCOMPARE(static_cast<std::uint8_t>(wire.at(1)), std::uint8_t{0xFF});
    QCOMPARE(static_cast<std::uint8_t>(wire.at(256)), std::uint8_t{0x06});

    harness.decode(wire);
    QCOMPARE(harness.portal.frames, (QList<ReceivedFrame>{{0xFF, payload}}));
}

void TestMcobs1Codec::decode_data() {
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QList<ReceivedFrame>>("frames");
    QTest::addColumn<QList<Report>>("reports");

    const Report start{2, 0, -1};
    const Report framing{2, 1, -1};
    const Report crc{2, 4, -1};

    QTest::newRow("empty control frame")
        << kEmptyControlFrame << QList<ReceivedFrame>{kEmptyControl} << QList<Report>{start};
    QTest::newRow("get command 20") << kGetCommand20 << QList<ReceivedFrame>{kGetCommand20Frame}
                                    << QList<Report>{start};
    QTest::newRow("idle fill between frames")
        << hex("00 00 00") + kEmptyControlFrame + hex("00 00") + kGetCommand20 + hex("00 00 00")
        << QList<ReceivedFrame>{kEmptyControl, kGetCommand20Frame} << QList<Report>{start, start};
    QTest::newRow("report padding after a frame")
        << kGetCommand20 + QByteArray(54, '\0') + kEmptyControlFrame
        << QList<ReceivedFrame>{kGetCommand20Frame, kEmptyControl} << QList<Report>{start, start};
    QTest::newRow("frames sharing a delimiter")
        << kGetCommand20 + kEmptyControlFrame.mid(1)
        << QList<ReceivedFrame>{kGetCommand20Frame, kEmptyControl} << QList<Report>{start, start};
    QTest::newRow("corrupted payload byte")
        << hex("00 04 03 FF 02 04 15 68 6A 00") << QList<ReceivedFrame>{} << QList<Report>{start, crc};
    QTest::newRow("corrupted crc byte")
        << hex("00 01 04 FF 9A 31 00") << QList<ReceivedFrame>{} << QList<Report>{start, crc};
    QTest::newRow("corrupted frame then a good one")
        << hex("00 04 03 FF 02 04 15 68 6A 00") + kGetCommand20 << QList<ReceivedFrame>{kGetCommand20Frame}
        << QList<Report>{start, crc, start};
    QTest::newRow("cut short after the type")
        << hex("00 04 03 FF 00") + kGetCommand20 << QList<ReceivedFrame>{kGetCommand20Frame}
        << QList<Report>{start, framing, start};
    QTest::newRow("cut short at a block end")
        << hex("00 04 03 FF 02 00") + kGetCommand20 << QList<ReceivedFrame>{kGetCommand20Frame}
        << QList<Report>{start, framing, start};
    QTest::newRow("cut short in the crc")
        << hex("00 01 04 FF 9A 00") + kEmptyControlFrame << QList<ReceivedFrame>{kEmptyControl}
        << QList<Report>{start, framing, start};
    QTest::newRow("byte after a complete frame")
        << hex("00 04 03 FF 02 05 14 68 6A 77 00") + kGetCommand20 << QList<ReceivedFrame>{kGetCommand20Frame}
        << QList<Report>{start, framing, start};
    QTest::newRow("three length bytes")
        << hex("00 05 81 80 FF 01 00") + kEmptyControlFrame << QList<ReceivedFrame>{kEmptyControl}
        << QList<Report>{start, framing, start};
    QTest::newRow("noise before the first delimiter")
        << hex("05 11 22 33 44") + kEmptyControlFrame << QList<ReceivedFrame>{kEmptyControl}
        << QList<Report>{start, framing, start};
    QTest::newRow("frame not closed yet")
        << kEmptyControlFrame.chopped(1) << QList<ReceivedFrame>{} << QList<Report>{start};
    QTest::newRow("only idle fill") << QByteArray(100, '\0') << QList<ReceivedFrame>{} << QList<Report>{};
}

void TestMcobs1Codec::decode() {
    QFETCH(QByteArray, stream);
    QFETCH(QList<ReceivedFrame>, frames);
    QFETCH(QList<Report>, reports);

    // Whole, one byte per call, and in reads that split frames anywhere: the decoder keeps its state.
    for (const qsizetype chunk : {qsizetype(0), qsizetype(1), qsizetype(3), qsizetype(64)}) {
        Mcobs1Codec codec;
        CodecHarness harness(codec);
        harness.decode(stream, chunk);
        QCOMPARE(harness.portal.frames, frames);
        QCOMPARE(harness.notifier.framingReports(), reports);
    }
}

QTEST_GUILESS_MAIN(TestMcobs1Codec)
#include "tst_mcobs1_codec.moc"
