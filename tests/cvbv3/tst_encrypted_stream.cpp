#include "cvbv3/counter_keystream.h"
#include "cvbv3/decrypt_data_source.h"
#include "cvbv3/encrypt_data_source.h"
#include "cvbv3/fixed_secret_auth_response_generator.h"
#include "cvbv3/vector_data_source.h"
#include "security/sha256.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/test_containers.h"

#include <QRegularExpression>
#include <QTest>

#include <stdexcept>

using namespace cvsw::cvbv3;
using namespace cvbtest;
using cvsw::security::sha256;

namespace {

using Source = std::shared_ptr<CvbBlock::DataSource>;

const Secret& secret() {
    return LodestarJuniperCpuAppDevelopmentSecret;
}

Generator generator() {
    return std::make_shared<FixedSecretAuthResponseGenerator>("test key", "test secret");
}

std::shared_ptr<DecryptDataSource> decrypting(const Bytes& stored, const Generator& with = generator(),
                                              const Secret& key = secret()) {
    auto source = std::make_shared<DecryptDataSource>(std::make_shared<VectorDataSource>(stored));
    source->setSecret(key);
    source->registerAuthGenerator(with);
    return source;
}

std::shared_ptr<EncryptDataSource> encrypting(Source input, const Generator& with = generator()) {
    auto source = std::make_shared<EncryptDataSource>(std::move(input));
    source->setSecret(secret());
    source->registerAuthGenerator(with);
    return source;
}

std::array<std::uint8_t, 128> someCryptoHeader() {
    std::array<std::uint8_t, 128> header{};
    const Bytes bytes = patternBytes(128, 77);
    std::copy(bytes.begin(), bytes.end(), header.begin());
    return header;
}

// Padded plain data: `blocks` 32-byte blocks of filler whose very last byte is `last`.
Bytes paddedWithLastByte(int blocks, std::uint8_t last) {
    Bytes padded = patternBytes(std::size_t(blocks) * 32, 5);
    padded.back() = last;
    return padded;
}

QByteArray messageOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return {};
}

// Gives a different stream on every other pass, as a file changed between the two reads would.
class ChangingSource : public CvbBlock::DataSource {
public:
    ChangingSource(Bytes first, Bytes second)
        : first_(std::move(first))
        , second_(std::move(second)) {}
    void beginReadData() override {
        current_ = (passes_++ % 2 == 0) ? &first_ : &second_;
        current_->beginReadData();
    }
    void endReadData() override { current_->endReadData(); }
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t n) override {
        return current_->readChunk(buffer, n);
    }
    std::uint32_t chunkSizeHint() const override { return 0; }
    bool endOfData() const override { return current_->endOfData(); }

private:
    VectorDataSource first_;
    VectorDataSource second_;
    VectorDataSource* current_ = &first_;
    int passes_ = 0;
};

// Delivers its bytes and then answers 0 without ever reporting its end.
class StallingSource : public CvbBlock::DataSource {
public:
    explicit StallingSource(Bytes bytes)
        : inner_(std::move(bytes)) {}
    void beginReadData() override { inner_.beginReadData(); }
    void endReadData() override {}
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t n) override {
        return inner_.readChunk(buffer, n);
    }
    std::uint32_t chunkSizeHint() const override { return 0; }
    bool endOfData() const override { return false; }

private:
    VectorDataSource inner_;
};

} // namespace

class TestEncryptedStream : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("byteByByte");
        for (int length : {0, 31, 32, 33, 1000}) {
            QTest::addRow("%d bytes, 1-byte reads", length) << length << true;
            QTest::addRow("%d bytes, one read", length) << length << false;
        }
    }

    void roundTrip() {
        QFETCH(int, length);
        QFETCH(bool, byteByByte);
        const Bytes plain = patternBytes(std::size_t(length), 11);
        const Bytes stored =
            readAll(encrypting(std::make_shared<VectorDataSource>(plain)), byteByByte ? 1 : 4096);

        const std::size_t blocks = std::size_t(length) / 32 + 1;
        QCOMPARE(stored.size(), CryptoHeaderSize + 32 * blocks);

        auto decrypt = decrypting(stored);
        const Bytes decrypted = readAll(decrypt, byteByByte ? 1 : std::uint32_t(stored.size()));
        QCOMPARE(decrypted, plain);
        QVERIFY(decrypt->endOfData());

        // Undo the keystream by the format's own rules and check the crypto header and the padding.
        std::array<std::uint8_t, 128> header{};
        std::copy_n(stored.begin(), 128, header.begin());
        const Bytes body(stored.begin() + 128, stored.end());
        const auto gen = generator();
        const Bytes undone = encryptPadded(header, body, secret(), *gen);
        const Bytes padded(undone.begin() + 128, undone.end());
        QCOMPARE(int(padded.back()), 32 - length % 32);
        QVERIFY(std::equal(plain.begin(), plain.end(), padded.begin()));

        Bytes hashed = padded;
        hashed.insert(hashed.end(), secret().begin(), secret().end());
        const auto paddedHash = sha256(hashed.data(), hashed.size());
        for (std::size_t i = 0; i < 32; ++i) {
            QCOMPARE(std::uint8_t(header[i] ^ header[32 + i]), paddedHash[i]); // F0 = R0 ^ H, F1 = R0
        }
        const auto response = gen->getResponse(sha256(header.data(), 96));
        Bytes check(response.begin(), response.end());
        check.insert(check.end(), secret().begin(), secret().end());
        const auto f3 = sha256(check.data(), check.size());
        QVERIFY(std::equal(f3.begin(), f3.end(), header.begin() + 96));
    }

    void eachPassDrawsNewRandomBytes() {
        const Bytes plain = patternBytes(100);
        auto source = encrypting(std::make_shared<VectorDataSource>(plain));
        const Bytes first = readAll(source);
        const Bytes second = readAll(source);
        QVERIFY(first != second);
        QCOMPARE(readAll(decrypting(first)), plain);
        QCOMPARE(readAll(decrypting(second)), plain);
    }

    void lastBlockPadding_data() {
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("lastByte");
        QTest::addColumn<int>("delivered");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("count 0 removes nothing") << 2 << 0 << 64 << QByteArray();
        QTest::newRow("count 1") << 1 << 1 << 31 << QByteArray();
        QTest::newRow("count 32, a whole padding block") << 2 << 32 << 32 << QByteArray();
        QTest::newRow("count 33") << 2 << 33 << 32 << QByteArray("Invalid padding length.");
        QTest::newRow("count 255") << 1 << 255 << 0 << QByteArray("Invalid padding length.");
    }

    void lastBlockPadding() {
        QFETCH(int, blocks);
        QFETCH(int, lastByte);
        QFETCH(int, delivered);
        QFETCH(QByteArray, error);
        const Bytes padded = paddedWithLastByte(blocks, std::uint8_t(lastByte));
        const auto gen = generator();
        const Bytes stored = encryptPadded(someCryptoHeader(), padded, secret(), *gen);
        auto source = decrypting(stored, gen);
        source->beginReadData();
        Bytes out(padded.size());
        std::uint32_t got = 0;
        if (!error.isEmpty()) {
            QTest::ignoreMessage(
                QtWarningMsg,
                QRegularExpression(
                    QStringLiteral("Invalid padding length - corrupt data source\\? %1$").arg(lastByte)));
            QCOMPARE(messageOf([&] {
                         got += source->readChunk(out.data(), 32); // the blocks before the last one
                         got += source->readChunk(out.data() + got, 32);
                     }),
                     error);
            QCOMPARE(int(got), delivered);
            return;
        }
        got = source->readChunk(out.data(), std::uint32_t(out.size()));
        QCOMPARE(int(got), delivered);
        QVERIFY(std::equal(out.begin(), out.begin() + delivered, padded.begin()));
        QCOMPARE(source->readChunk(out.data(), 1), 0u);
    }

    void malformedStreams_data() {
        QTest::addColumn<int>("storedLength");
        QTest::addColumn<int>("deliveredFirst");
        QTest::addColumn<QByteArray>("error");
        QTest::addColumn<QString>("logged");
        QTest::newRow("crypto header only") << 128 << 0 << QByteArray() << QString();
        QTest::newRow("header shorter than 128 bytes")
            << 127 << -1 << QByteArray("Unable to read crypto header block.")
            << QStringLiteral("Unable to read crypto header block from input source.$");
        QTest::newRow("128 + 40 bytes")
            << 168 << 32 << QByteArray("Input source not a multiple of 32 bytes.")
            << QStringLiteral("Invalid input source - must be multiple of 32 bytes: 8$");
    }

    void malformedStreams() {
        QFETCH(int, storedLength);
        QFETCH(int, deliveredFirst);
        QFETCH(QByteArray, error);
        QFETCH(QString, logged);
        const Bytes stored = patternBytes(std::size_t(storedLength), 3);
        auto source = decrypting(stored);
        if (!logged.isEmpty()) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(logged));
        }
        if (deliveredFirst < 0) {
            QCOMPARE(messageOf([&] { source->beginReadData(); }), error);
            return;
        }
        source->beginReadData();
        std::array<std::uint8_t, 32> block{};
        for (int i = 0; i < deliveredFirst; ++i) { // the first block decrypts normally, byte by byte
            QCOMPARE(source->readChunk(block.data(), 1), 1u);
        }
        if (error.isEmpty()) {
            QCOMPARE(source->readChunk(block.data(), 32), 0u);
            QVERIFY(source->endOfData());
            return;
        }
        QCOMPARE(messageOf([&] { source->readChunk(block.data(), 1); }), error);
    }

    void missingPieces_data() {
        QTest::addColumn<bool>("encrypt");
        QTest::newRow("decrypting") << false;
        QTest::newRow("encrypting") << true;
    }

    void missingPieces() {
        QFETCH(bool, encrypt);
        auto input = std::make_shared<VectorDataSource>(patternBytes(200));
        std::shared_ptr<CvbBlock::DataSource> noInput;
        std::shared_ptr<CvbBlock::DataSource> noGenerator;
        if (encrypt) {
            noInput = std::make_shared<EncryptDataSource>(nullptr);
            noGenerator = std::make_shared<EncryptDataSource>(input);
        } else {
            noInput = std::make_shared<DecryptDataSource>(nullptr);
            noGenerator = std::make_shared<DecryptDataSource>(input);
        }
        QCOMPARE(messageOf([&] { noInput->beginReadData(); }), QByteArray("No input source configured."));
        QCOMPARE(messageOf([&] { noInput->endReadData(); }), QByteArray("No input source configured."));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("No response generator present.$")));
        QCOMPARE(messageOf([&] { noGenerator->beginReadData(); }),
                 QByteArray("No ResponseGenerator present."));
    }

    void generatorRegistration() {
        const Bytes plain = patternBytes(64);
        const auto first = generator();
        const auto second = std::make_shared<FixedSecretAuthResponseGenerator>("other key", "other secret");
        const Bytes stored = readAll(encrypting(std::make_shared<VectorDataSource>(plain), first));

        auto source = std::make_shared<DecryptDataSource>(std::make_shared<VectorDataSource>(stored));
        source->setSecret(secret());
        QVERIFY(source->registerAuthGenerator(first));
        QTest::ignoreMessage(
            QtWarningMsg, QRegularExpression(QStringLiteral("AuthResponseGenerator already registered.$")));
        QVERIFY(!source->registerAuthGenerator(second));
        QCOMPARE(readAll(source), plain); // still the first generator

        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("AuthResponseGenerator mis-match$")));
        QVERIFY(!source->deregisterAuthGenerator(second));
        QCOMPARE(readAll(source), plain);
        QVERIFY(source->deregisterAuthGenerator(first));
        QVERIFY(source->registerAuthGenerator(second));
    }

    void wrongKeysAreNotDetectedEarly() {
        const Bytes padded = paddedWithLastByte(3, 5);
        const auto gen = generator();
        const Bytes stored = encryptPadded(someCryptoHeader(), padded, secret(), *gen);
        Secret other = secret();
        other[0] ^= 1;
        const auto otherGenerator =
            std::make_shared<FixedSecretAuthResponseGenerator>("test key", "test secreT");
        for (const auto& [key, with] :
             {std::pair{other, gen}, std::pair{secret(), Generator(otherGenerator)}}) {
            auto source = decrypting(stored, with, key);
            source->beginReadData(); // the crypto header is not checked
            Bytes first(32);
            QCOMPARE(source->readChunk(first.data(), 32), 32u);
            QVERIFY(!std::equal(first.begin(), first.end(), padded.begin()));
        }
    }

    void inputChangesBetweenPasses_data() {
        QTest::addColumn<int>("firstLength");
        QTest::addColumn<int>("secondLength");
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("shorter second pass") << 40 << 39 << QByteArray("Padding byte count mismatch.");
        QTest::newRow("longer second pass, same block count")
            << 40 << 41 << QByteArray("Padding byte count mismatch.");
        QTest::newRow("longer second pass by a block")
            << 40 << 72 << QByteArray("Padding byte count mismatch.");
        QTest::newRow("shorter second pass by a block")
            << 72 << 40 << QByteArray("Padding byte count mismatch.");
        QTest::newRow("same length") << 40 << 40 << QByteArray();
    }

    void inputChangesBetweenPasses() {
        QFETCH(int, firstLength);
        QFETCH(int, secondLength);
        QFETCH(QByteArray, error);
        auto source = encrypting(std::make_shared<ChangingSource>(patternBytes(std::size_t(firstLength)),
                                                                  patternBytes(std::size_t(secondLength))));
        if (error.isEmpty()) {
            QCOMPARE(readAll(decrypting(readAll(source))), patternBytes(std::size_t(firstLength)));
            return;
        }
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "Initialised padding length: \\d+ vs expected: \\d+$")));
        QCOMPARE(messageOf([&] { readAll(source); }), error);
    }

    void inputThatNeverEnds() {
        auto source = encrypting(std::make_shared<StallingSource>(patternBytes(40)));
        QCOMPARE(messageOf([&] { source->beginReadData(); }),
                 QByteArray("Problem reading data from the input source."));
    }

    void counterCarries_data() {
        QTest::addColumn<Bytes>("before");
        QTest::addColumn<Bytes>("after");
        Bytes zero(32, 0);
        Bytes one = zero;
        one[0] = 1;
        Bytes byte0Full = zero;
        byte0Full[0] = 0xFF;
        Bytes carried = zero;
        carried[1] = 1;
        Bytes twoBytesFull = zero;
        twoBytesFull[0] = 0xFF;
        twoBytesFull[1] = 0xFF;
        twoBytesFull[2] = 0x07;
        Bytes carriedTwice = zero;
        carriedTwice[2] = 0x08;
        QTest::newRow("plain increment") << zero << one;
        QTest::newRow("carry from byte 0 to byte 1") << byte0Full << carried;
        QTest::newRow("carry across two bytes") << twoBytesFull << carriedTwice;
        QTest::newRow("carry out of byte 31 is lost") << Bytes(32, 0xFF) << zero;
    }

    void counterCarries() {
        QFETCH(Bytes, before);
        QFETCH(Bytes, after);
        std::array<std::uint8_t, 32> counter{};
        std::copy(before.begin(), before.end(), counter.begin());
        CounterKeystream keystream;
        keystream.reset(counter);
        std::array<std::uint8_t, 32> block{};
        keystream.next(block.data());
        QCOMPARE(block, sha256(counter.data(), counter.size()));
        const auto next = keystream.counter();
        QCOMPARE(Bytes(next.begin(), next.end()), after);
    }
};

QTEST_GUILESS_MAIN(TestEncryptedStream)
#include "tst_encrypted_stream.moc"
