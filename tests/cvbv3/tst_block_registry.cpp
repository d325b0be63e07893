#include "cvbv3/auth_response_generator.h"
#include "cvbv3/block_registry.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/fixed_secret_auth_response_generator.h"
#include "security/sha256.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/test_containers.h"

#include <QFile>
#include <QTest>

#include <cstring>

using namespace cvsw::cvbv3;
using namespace cvbtest;

namespace {

std::array<std::uint8_t, 32> challenge(std::uint32_t seed) {
    std::array<std::uint8_t, 32> bytes{};
    const Bytes filler = patternBytes(32, seed);
    std::copy(filler.begin(), filler.end(), bytes.begin());
    return bytes;
}

// response = SHA-256(key name || challenge || secret), computed here from the plain fixture values.
std::array<std::uint8_t, 32> expectedResponse(const RegistryRow& row, const std::array<std::uint8_t, 32>& c) {
    Bytes message(row.keyName, row.keyName + std::strlen(row.keyName));
    message.insert(message.end(), c.begin(), c.end());
    message.insert(message.end(), row.secret, row.secret + std::strlen(row.secret));
    return cvsw::security::sha256(message.data(), message.size());
}

std::array<std::uint8_t, 32> responseOf(std::string_view tag, std::uint32_t seed = 1) {
    return registryGenerator(tag)->getResponse(challenge(seed));
}

} // namespace

class TestBlockRegistry : public QObject {
    Q_OBJECT

private slots:
    void filledBeforeMain() { QCOMPARE(globalBlockRegistry().size(), std::size_t(35)); }

    void everyRowAnswersWithItsKeys_data() {
        QTest::addColumn<int>("row");
        for (int i = 0; i < 35; ++i) {
            QTest::newRow(RegistryRows[i].tag) << i;
        }
    }

    void everyRowAnswersWithItsKeys() {
        QFETCH(int, row);
        const RegistryRow& expected = RegistryRows[row];
        for (std::uint32_t seed : {1u, 2u}) {
            QCOMPARE(responseOf(expected.tag, seed), expectedResponse(expected, challenge(seed)));
        }
    }

    void runTimeKeyLengths_data() {
        QTest::addColumn<QByteArray>("tag");
        QTest::addColumn<int>("keyLength");
        QTest::addColumn<int>("secretLength");
        QTest::newRow("GRAPHAS1") << QByteArray("GRAPHAS1") << 47 << 16;
        QTest::newRow("OCL2CPM1") << QByteArray("OCL2CPM1") << 45 << 21;
        QTest::newRow("OCL2JNA1") << QByteArray("OCL2JNA1") << 48 << 21;
        QTest::newRow("ROWNCP01") << QByteArray("ROWNCP01") << 42 << 21;
        QTest::newRow("ROWNJNN1") << QByteArray("ROWNJNN1") << 45 << 21;
        QTest::newRow("LDSTCP01") << QByteArray("LDSTCP01") << 45 << 21;
        QTest::newRow("LDSTCP02") << QByteArray("LDSTCP02") << 32 << 32;
        QTest::newRow("LDSTJNA1") << QByteArray("LDSTJNA1") << 48 << 21;
        QTest::newRow("LDSTJNN1") << QByteArray("LDSTJNN1") << 48 << 21;
        QTest::newRow("ALDERN02") << QByteArray("ALDERN02") << 44 << 21;
        QTest::newRow("RT44NET1") << QByteArray("RT44NET1") << 32 << 32;
    }

    void runTimeKeyLengths() {
        QFETCH(QByteArray, tag);
        QFETCH(int, keyLength);
        QFETCH(int, secretLength);
        for (const RegistryRow& row : RegistryRows) {
            if (tag == row.tag) {
                QCOMPARE(int(std::strlen(row.keyName)), keyLength);
                QCOMPARE(int(std::strlen(row.secret)), secretLength);
                return;
            }
        }
        QFAIL("tag missing from the fixture");
    }

    void lookups_data() {
        QTest::addColumn<QByteArray>("tag");
        QTest::addColumn<bool>("found");
        QTest::newRow("LDSTCP02") << QByteArray("LDSTCP02") << true;
        QTest::newRow("LDSTCP03") << QByteArray("LDSTCP03") << false;
        QTest::newRow("lower case") << QByteArray("ldstcp02") << false;
        QTest::newRow("first row") << QByteArray("HERNCBM1") << true;
        QTest::newRow("last row") << QByteArray("RT44NET1") << true;
    }

    void lookups() {
        QFETCH(QByteArray, tag);
        QFETCH(bool, found);
        const auto& registry = globalBlockRegistry();
        QCOMPARE(registry.find(makeTag(tag.toStdString())) != registry.end(), found);
    }

    void factoriesMakeNewGenerators() {
        const auto& factory = globalBlockRegistry().at(makeTag("LDSTCP02"));
        const auto first = factory();
        const auto second = factory();
        QVERIFY(first && second && first != second);
        QCOMPARE(first->getResponse(challenge(3)), second->getResponse(challenge(3)));
        QVERIFY(dynamic_cast<FixedSecretAuthResponseGenerator*>(first.get()) != nullptr);
    }

    void sharedAndDistinctKeys() {
        QCOMPARE(responseOf("OCLTCBM1"), responseOf("OCLTCBM2"));
        QVERIFY(responseOf("HERNCBM1") != responseOf("HERNCBM2"));
    }

    void registeringAgainKeepsExistingRows() {
        auto& registry = globalBlockRegistry();
        const auto tag = makeTag("LDSTCP02");
        const AuthResponseGeneratorFactory original = registry.at(tag);
        bool replacementCalled = false;
        registry[tag] = [&replacementCalled] {
            replacementCalled = true;
            return std::make_shared<FixedSecretAuthResponseGenerator>("k", "s");
        };
        registerBlockAuthFactories();
        QCOMPARE(registry.size(), std::size_t(35));
        registry.at(tag)();
        QVERIFY(replacementCalled);
        registry[tag] = original;
    }

    void messageHandlerFilesExist() {
        QFile& log = messageHandlerLogFile();
        QFile& output = messageHandlerStandardOutput();
        QVERIFY(&log != &output);
        QVERIFY(!log.isOpen());
        QVERIFY(log.fileName().isEmpty());
        QVERIFY(!output.isOpen());
        registerBlockAuthFactories();
        QCOMPARE(&messageHandlerLogFile(), &log); // constructed once
    }

    // The program's keys read a container built by the kit with the Lodestar secrets.
    void lodestarContainerRoundTrip() {
        ContainerLayout layout;
        layout.blocks.push_back(
            {"LDSTCP01", patternBytes(333, 1), LodestarModel1ProductionSecret, true, {}, {}});
        layout.blocks.push_back(
            {"LDSTJNA1", patternBytes(64, 2), LodestarJuniperCpuAppProductionSecret, true, {}, {}});
        layout.blocks.push_back(
            {"LDSTJNN1", patternBytes(65, 3), LodestarJuniperCpuNetProductionSecret, true, {}, {}});
        auto file = loadContainer(buildContainer(layout));
        for (std::size_t i = 0; i < layout.blocks.size(); ++i) {
            QCOMPARE(decryptBlock(*file, i, layout.blocks[i].secret), layout.blocks[i].plain);
        }
    }
};

QTEST_GUILESS_MAIN(TestBlockRegistry)
#include "tst_block_registry.moc"
