#include "security/fixed_memory_block_key_defragmenter.h"
#include "security/halcyon_obfuscated_key_provider.h"
#include "tests/support/security/halcyon_test_keys.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <vector>

using fwup::HalcyonObfuscatedKeyProvider;
using fwup::ObfuscatedKeyId;
using Key = std::array<std::uint8_t, 32>;
using Defragmenter = cvsw::security::FixedMemoryBlockKeyDefragmenter<32, ObfuscatedKeyId>;

namespace {

// A small table: a 96-byte block and two rows, the first reading the block backwards from 63, the
// second every third byte from 2.
struct SmallTables {
    std::vector<std::uint8_t> block;
    std::vector<std::uint16_t> indexes;

    SmallTables() {
        for (int i = 0; i < 96; ++i) {
            block.push_back(static_cast<std::uint8_t>(i * 7 + 3));
        }
        for (int i = 0; i < 32; ++i) {
            indexes.push_back(static_cast<std::uint16_t>(63 - i));
        }
        for (int i = 0; i < 32; ++i) {
            indexes.push_back(static_cast<std::uint16_t>(2 + 3 * i));
        }
    }

    cvsw::security::Sha256Digest digest() const { return cvsw::security::sha256(block.data(), block.size()); }

    Key expectedKey(int row) const {
        Key key{};
        for (int i = 0; i < 32; ++i) {
            key[i] = block[indexes[row * 32 + i]];
        }
        return key;
    }
};

void expectEmptyKeyWarning(int id) {
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(QStringLiteral("^W\\|fixed_memory_block_key_defragmenter\\.h:\\d+\\|"
                                                        "Providing Empty Key Id: %1$")
                                             .arg(id)));
}

const Key ZeroKey{};

} // namespace

class TestKeyProvider : public QObject {
    Q_OBJECT

private slots:
    void shippedProviderServesEveryKey_data() {
        QTest::addColumn<int>("row");
        for (int row = 0; row < 32; ++row) {
            QTest::addRow("row %d", row) << row;
        }
    }

    void shippedProviderServesEveryKey() {
        QFETCH(int, row);
        const HalcyonObfuscatedKeyProvider& provider = fwup::halcyon_obfuscated_key_provider();
        QVERIFY(provider.isValid());
        QCOMPARE(provider.getKey(ObfuscatedKeyId(row)), securitytest::HalcyonKeys[row]);
    }

    void accessorMakesOneProvider() {
        QCOMPARE(&fwup::halcyon_obfuscated_key_provider(), &fwup::halcyon_obfuscated_key_provider());
    }

    // The point of the block: no key may be found in it as one run of bytes.
    void noShippedKeyIsStoredWhole() {
        const auto* begin = std::begin(HalcyonObfuscatedKeyProvider::obfuscatedKeyMemory);
        const auto* end = std::end(HalcyonObfuscatedKeyProvider::obfuscatedKeyMemory);
        for (const auto& key : securitytest::HalcyonKeys) {
            QVERIFY(std::search(begin, end, key.begin(), key.end()) == end);
            QVERIFY(key != ZeroKey);
        }
    }

    void validation_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("valid");
        QTest::newRow("sound tables") << 0 << true;
        QTest::newRow("index equal to the block size") << 1 << false;
        QTest::newRow("index beyond the block size") << 2 << false;
        QTest::newRow("block differs from its digest") << 3 << false;
        QTest::newRow("no block") << 4 << false;
        QTest::newRow("no index table") << 5 << false;
        QTest::newRow("partial row") << 6 << false;
    }

    void validation() {
        QFETCH(int, change);
        QFETCH(bool, valid);
        SmallTables tables;
        const auto digest = tables.digest();
        std::span<const std::uint8_t> block(tables.block);
        std::span<const std::uint16_t> indexes(tables.indexes);
        switch (change) {
        case 1:
            tables.indexes[40] = 96;
            break;
        case 2:
            tables.indexes[31] = 65535;
            break;
        case 3:
            tables.block[90] ^= 1;
            break;
        case 4:
            block = {};
            break;
        case 5:
            indexes = {};
            break;
        case 6:
            indexes = indexes.first(40);
            break;
        default:
            break;
        }

        Defragmenter defragmenter(block, indexes, digest);
        QVERIFY(!defragmenter.isValid()); // nothing is served before initialise
        defragmenter.initialise();
        QCOMPARE(defragmenter.isValid(), valid);
        if (valid) {
            QCOMPARE(defragmenter.keyCount(), std::size_t(2));
            QCOMPARE(defragmenter.getKey(ObfuscatedKeyId(0)), tables.expectedKey(0));
            QCOMPARE(defragmenter.getKey(ObfuscatedKeyId(1)), tables.expectedKey(1));
        } else {
            for (int id : {0, 1}) {
                expectEmptyKeyWarning(id);
                QCOMPARE(defragmenter.getKey(ObfuscatedKeyId(id)), ZeroKey);
            }
        }
    }

    void providerOverInjectedTablesInitialisesAtOnce() {
        SmallTables tables;
        HalcyonObfuscatedKeyProvider provider(tables.block, tables.indexes, tables.digest());
        QVERIFY(provider.isValid());
        QCOMPARE(provider.getKey(ObfuscatedKeyId(1)), tables.expectedKey(1));
        provider.shutdown();
        QCOMPARE(provider.getKey(ObfuscatedKeyId(0)), tables.expectedKey(0));
    }

    // The shipped block with one index at 32768: every key is refused, not only the row that holds it.
    void indexOutsideTheShippedBlockInvalidatesEveryKey() {
        std::vector<std::uint16_t> indexes(std::begin(HalcyonObfuscatedKeyProvider::generatedKeyIndexes),
                                           std::end(HalcyonObfuscatedKeyProvider::generatedKeyIndexes));
        indexes[5 * 32 + 7] = 32768;
        HalcyonObfuscatedKeyProvider provider(HalcyonObfuscatedKeyProvider::obfuscatedKeyMemory, indexes,
                                              HalcyonObfuscatedKeyProvider::obfuscatedKeyMemoryDigest);
        QVERIFY(!provider.isValid());
        for (int id : {0, 5, 31}) {
            expectEmptyKeyWarning(id);
            QCOMPARE(provider.getKey(ObfuscatedKeyId(id)), ZeroKey);
        }
    }

    // A row beyond the table must not read past it.
    void idBeyondTheTableGivesAnEmptyKey_data() {
        QTest::addColumn<bool>("shipped");
        QTest::addColumn<int>("id");
        QTest::newRow("shipped, first row past the end") << true << 32;
        QTest::newRow("shipped, far past the end") << true << 65535;
        QTest::newRow("small table, row 2") << false << 2;
    }

    void idBeyondTheTableGivesAnEmptyKey() {
        QFETCH(bool, shipped);
        QFETCH(int, id);
        SmallTables tables;
        HalcyonObfuscatedKeyProvider small(tables.block, tables.indexes, tables.digest());
        const HalcyonObfuscatedKeyProvider& provider =
            shipped ? fwup::halcyon_obfuscated_key_provider() : small;
        QVERIFY(provider.isValid());
        expectEmptyKeyWarning(id);
        QCOMPARE(provider.getKey(ObfuscatedKeyId(id)), ZeroKey);
        QVERIFY(provider.isValid());
    }
};

QTEST_GUILESS_MAIN(TestKeyProvider)
#include "tst_key_provider.moc"
