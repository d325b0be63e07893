#include "security/sha256.h"

#include <QCryptographicHash>
#include <QTest>

using namespace cvsw::security;

namespace {

QByteArray hex(const Sha256Digest& digest) {
    return QByteArray(reinterpret_cast<const char*>(digest.data()), int(digest.size())).toHex();
}

QByteArray digestInPieces(const QByteArray& message, const QList<int>& cuts) {
    Sha256Context context;
    sha256_start(context);
    int from = 0;
    for (int cut : cuts) {
        sha256_update(context, message.constData() + from, std::size_t(cut - from));
        from = cut;
    }
    sha256_update(context, message.constData() + from, std::size_t(message.size() - from));
    return hex(sha256_finish(context));
}

QByteArray patterned(int length) {
    QByteArray bytes(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i) {
        bytes[i] = char((i * 31 + 7) & 0xFF);
    }
    return bytes;
}

} // namespace

class TestSha256 : public QObject {
    Q_OBJECT

private slots:
    void standardVectors_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("digest");
        QTest::newRow("empty") << QByteArray()
                               << QByteArray(
                                      "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
        QTest::newRow("abc") << QByteArray("abc")
                             << QByteArray(
                                    "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
        QTest::newRow("448 bits") << QByteArray("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")
                                  << QByteArray(
                                         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
        QTest::newRow("896 bits") << QByteArray("abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijk"
                                                "lmnoijklmnopjklmnopqklmnopqrlm"
                                                "nopqrsmnopqrstnopqrstu")
                                  << QByteArray(
                                         "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1");
        QTest::newRow("million a") << QByteArray(1000000, 'a')
                                   << QByteArray(
                                          "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    }

    void standardVectors() {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, digest);
        QCOMPARE(hex(sha256(message.constData(), std::size_t(message.size()))), digest);
    }

    // Lengths around the padding boundary (55 fits the length in one final block, 56 needs two) and
    // around whole blocks, against Qt's independent implementation.
    void paddingBoundaries_data() {
        QTest::addColumn<int>("length");
        for (int length : {1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129, 1000}) {
            QTest::addRow("%d bytes", length) << length;
        }
    }

    void paddingBoundaries() {
        QFETCH(int, length);
        const QByteArray message = patterned(length);
        QCOMPARE(hex(sha256(message.constData(), std::size_t(length))),
                 QCryptographicHash::hash(message, QCryptographicHash::Sha256).toHex());
    }

    void feedingInPieces_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("cuts");
        QTest::newRow("straddling one boundary") << 100 << QList<int>{40};
        QTest::newRow("filling the block exactly") << 128 << QList<int>{20, 64};
        QTest::newRow("buffered then whole blocks") << 300 << QList<int>{3, 200};
        QTest::newRow("empty updates") << 70 << QList<int>{0, 0, 35, 35, 70};
        QList<int> bytewise;
        for (int i = 1; i < 130; ++i) {
            bytewise << i;
        }
        QTest::newRow("one byte at a time") << 130 << bytewise;
    }

    void feedingInPieces() {
        QFETCH(int, length);
        QFETCH(QList<int>, cuts);
        const QByteArray message = patterned(length);
        QCOMPARE(digestInPieces(message, cuts), hex(sha256(message.constData(), std::size_t(length))));
    }

    void digestWriterStopsAfterN() {
        const Sha256Digest full = sha256("abc", 3);
        Sha256Context context;
        sha256_start(context);
        sha256_update(context, "abc", 3);
        sha256_finish(context);

        std::array<std::uint8_t, 40> out;
        for (std::size_t n : {std::size_t(0), std::size_t(5), std::size_t(32), std::size_t(40)}) {
            out.fill(0xEE);
            sha256_write_digest(context, out.data(), n);
            const std::size_t written = std::min<std::size_t>(n, 32);
            QVERIFY(std::equal(out.begin(), out.begin() + written, full.begin()));
            QVERIFY(std::all_of(out.begin() + written, out.end(), [](std::uint8_t b) { return b == 0xEE; }));
        }
    }
};

QTEST_GUILESS_MAIN(TestSha256)
#include "tst_sha256.moc"
