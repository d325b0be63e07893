#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/encapsulated_mbu_json_block_builder.h"
#include "cvbv3/lodestar_control_pod_extended_mbu_header_builder_v1.h"
#include "cvbv3/lodestar_control_pod_extended_mbu_header_builder_v2.h"
#include "cvbv3/lodestar_control_pod_mbu_json_block_builder.h"
#include "logging/log.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/test_containers.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <stdexcept>

using namespace cvsw::cvbv3;
using namespace cvbtest;

namespace {

const Secret& DefaultSecret = LodestarModel1DevelopmentSecret;
const Secret& ProductionSecret = LodestarModel1ProductionSecret;

QJsonObject json(const QByteArray& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError) {
        qFatal("Bad JSON in test data: %s", text.constData());
    }
    return document.object();
}

QJsonObject merged(QJsonObject base, const QJsonObject& overrides, const QStringList& removed = {}) {
    for (auto it = overrides.begin(); it != overrides.end(); ++it) {
        base.insert(it.key(), it.value());
    }
    for (const QString& key : removed) {
        base.remove(key);
    }
    return base;
}

// What a call threw, by kind (the most derived of the standard types the builders use) and text.
template <typename Call>
QString outcomeOf(Call&& call) {
    try {
        call();
        return QString();
    } catch (const std::range_error& e) {
        return QStringLiteral("range_error: ") + QString::fromUtf8(e.what());
    } catch (const std::length_error& e) {
        return QStringLiteral("length_error: ") + QString::fromUtf8(e.what());
    } catch (const std::runtime_error& e) {
        return QStringLiteral("runtime_error: ") + QString::fromUtf8(e.what());
    } catch (const std::exception& e) {
        return QStringLiteral("other: ") + QString::fromUtf8(e.what());
    }
}

void appendBe32(Bytes& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

// The MBU metadata header written out field by field: revision, version, flags, extension, CRC.
Bytes expectedHeader(std::uint32_t revision, std::array<std::uint8_t, 3> version, std::uint32_t flags,
                     int icdRevision = -1) {
    Bytes bytes;
    appendBe32(bytes, revision);
    // Byte by byte: GCC 12 at -O3 takes a range insert after push_backs for an overflow.
    for (const std::uint8_t part : version) {
        bytes.push_back(part);
    }
    appendBe32(bytes, flags);
    if (icdRevision >= 0) {
        appendBe32(bytes, 1);
        bytes.push_back(static_cast<std::uint8_t>(icdRevision >> 8));
        bytes.push_back(static_cast<std::uint8_t>(icdRevision));
    }
    appendBe32(bytes, Crc32::compute(bytes.data(), bytes.size()));
    return bytes;
}

QByteArray toByteArray(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

void expectVersionFormatError() {
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression(QStringLiteral("^E\\|detector_version\\.cpp:\\d+\\|Invalid version "
                                                        "format\\. Expected: <major>\\.<minor>\\.<patch>$")));
}

template <typename Call>
auto withErrorLogOff(Call&& call) {
    unsigned char& enabled =
        cvsw::log::detail::LogCore::enabledLevels_[static_cast<int>(cvsw::log::Level::Error)];
    const unsigned char previous = enabled;
    enabled = 0;
    auto result = call();
    enabled = previous;
    return result;
}

QString blockIdText(const CvbBlock& block) {
    const auto id = block.header().blockId();
    return QString::fromLatin1(reinterpret_cast<const char*>(id.data()), static_cast<qsizetype>(id.size()));
}

QString buildDescriptionText(const CvbBlock& block) {
    const auto description = block.header().buildDescription();
    const auto* text = reinterpret_cast<const char*>(description.data());
    return QString::fromUtf8(text,
                             static_cast<qsizetype>(qstrnlen(text, description.size()))); // 64 bytes: no zero
}

} // namespace

class TestJsonBlockBuilders : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(imageDir_.isValid()); }

    void metadataHeader_data() {
        QTest::addColumn<int>("revision");
        QTest::addColumn<QByteArray>("description");
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("badVersionFormat");

        const QString none;
        const QString badVersion = QStringLiteral("runtime_error: Invalid software version.");
        const QString hwRange = QStringLiteral("runtime_error: Hardware version out of range.");
        const QString notArray =
            QStringLiteral("runtime_error: Compatible hardware versions field is not an array.");
        const QString icdRange =
            QStringLiteral("range_error: Required Bluetooth ICD Revision value out of range");
        auto header = [](std::uint32_t revision, std::array<std::uint8_t, 3> version, std::uint32_t flags,
                         int icd = -1) {
            return toByteArray(expectedHeader(revision, version, flags, icd));
        };

        QTest::newRow("revision 1") << 1
                                    << QByteArray(
                                           R"({"sw_version": "1.2.3", "compatible_hw_versions": [1, 3]})")
                                    << header(1, {1, 2, 3}, 0x0A) << none << false;
        QTest::newRow("revision 1 takes no extension")
            << 1
            << QByteArray(
                   R"({"sw_version": "1.2.3", "compatible_hw_versions": [1, 3], "required_bt_icd_revision": 2})")
            << header(1, {1, 2, 3}, 0x0A) << none << false;
        QTest::newRow("revision 2")
            << 2
            << QByteArray(
                   R"({"sw_version": "1.2.3", "compatible_hw_versions": [1, 3], "required_bt_icd_revision": 2})")
            << header(2, {1, 2, 3}, 0x0A, 2) << none << false;
        QTest::newRow("ICD revision 0")
            << 2
            << QByteArray(
                   R"({"sw_version": "4.5.6", "compatible_hw_versions": [2], "required_bt_icd_revision": 0})")
            << header(2, {4, 5, 6}, 0x04, 0) << none << false;
        QTest::newRow("ICD revision 65535")
            << 2
            << QByteArray(
                   R"({"sw_version": "4.5.6", "compatible_hw_versions": [2], "required_bt_icd_revision": 65535})")
            << header(2, {4, 5, 6}, 0x04, 65535) << none << false;
        QTest::newRow("highest and lowest hardware version")
            << 1 << QByteArray(R"({"sw_version": "1.0.0", "compatible_hw_versions": [31, 1, 1]})")
            << header(1, {1, 0, 0}, 0x80000002u) << none << false;
        QTest::newRow("no hardware versions")
            << 1 << QByteArray(R"({"sw_version": "1.0.0", "compatible_hw_versions": []})")
            << header(1, {1, 0, 0}, 0) << none << false;
        QTest::newRow("version parts kept modulo 256")
            << 1 << QByteArray(R"({"sw_version": "1.256.257", "compatible_hw_versions": [1]})")
            << header(1, {1, 0, 1}, 0x02) << none << false;
        QTest::newRow("negative part")
            << 1 << QByteArray(R"({"sw_version": "-1.2.3", "compatible_hw_versions": [1]})")
            << header(1, {255, 2, 3}, 0x02) << none << false;
        QTest::newRow("part beyond 32 bits counts as 0")
            << 1 << QByteArray(R"({"sw_version": "1.2.4294967296", "compatible_hw_versions": [1]})")
            << header(1, {1, 2, 0}, 0x02) << none << false;
        QTest::newRow("empty part counts as 0")
            << 1 << QByteArray(R"({"sw_version": "1..3", "compatible_hw_versions": [1]})")
            << header(1, {1, 0, 3}, 0x02) << none << false;
        QTest::newRow("text part counts as 0")
            << 1 << QByteArray(R"({"sw_version": "x.2.3", "compatible_hw_versions": [1]})")
            << header(1, {0, 2, 3}, 0x02) << none << false;

        QTest::newRow("version 0.0.0")
            << 1 << QByteArray(R"({"sw_version": "0.0.0", "compatible_hw_versions": [1]})") << QByteArray()
            << badVersion << false;
        QTest::newRow("version 0.256.0 wraps to 0.0.0")
            << 2
            << QByteArray(
                   R"({"sw_version": "0.256.0", "compatible_hw_versions": [1], "required_bt_icd_revision": 1})")
            << QByteArray() << badVersion << false;
        QTest::newRow("two parts") << 1
                                   << QByteArray(R"({"sw_version": "1.2", "compatible_hw_versions": [1]})")
                                   << QByteArray() << badVersion << true;
        QTest::newRow("four parts") << 1
                                    << QByteArray(
                                           R"({"sw_version": "1.2.3.4", "compatible_hw_versions": [1]})")
                                    << QByteArray() << badVersion << true;
        QTest::newRow("version as a number")
            << 1 << QByteArray(R"({"sw_version": 1.5, "compatible_hw_versions": [1]})") << QByteArray()
            << badVersion << true;
        QTest::newRow("no version") << 1 << QByteArray(R"({"compatible_hw_versions": [1]})") << QByteArray()
                                    << badVersion << true;
        QTest::newRow("hardware version 0")
            << 1 << QByteArray(R"({"sw_version": "1.2.3", "compatible_hw_versions": [0]})") << QByteArray()
            << hwRange << false;
        QTest::newRow("hardware version 32")
            << 1 << QByteArray(R"({"sw_version": "1.2.3", "compatible_hw_versions": [1, 32]})")
            << QByteArray() << hwRange << false;
        QTest::newRow("hardware version as text")
            << 1 << QByteArray(R"({"sw_version": "1.2.3", "compatible_hw_versions": ["3"]})") << QByteArray()
            << hwRange << false;
        QTest::newRow("hardware version not whole")
            << 1 << QByteArray(R"({"sw_version": "1.2.3", "compatible_hw_versions": [2.5]})") << QByteArray()
            << hwRange << false;
        QTest::newRow("hardware versions as text")
            << 1 << QByteArray(R"({"sw_version": "1.2.3", "compatible_hw_versions": "1, 3"})") << QByteArray()
            << notArray << false;
        QTest::newRow("no hardware versions key")
            << 1 << QByteArray(R"({"sw_version": "1.2.3"})") << QByteArray() << notArray << false;
        QTest::newRow("revision 2 without ICD revision")
            << 2 << QByteArray(R"({"sw_version": "1.2.3", "compatible_hw_versions": [1]})") << QByteArray()
            << QStringLiteral("runtime_error: Required bluetooth ICD revision is not provided.") << false;
        QTest::newRow("ICD revision 65536")
            << 2
            << QByteArray(
                   R"({"sw_version": "1.2.3", "compatible_hw_versions": [1], "required_bt_icd_revision": 65536})")
            << QByteArray() << icdRange << false;
        QTest::newRow("ICD revision -1")
            << 2
            << QByteArray(
                   R"({"sw_version": "1.2.3", "compatible_hw_versions": [1], "required_bt_icd_revision": -1})")
            << QByteArray() << icdRange << false;
        QTest::newRow("ICD revision as text")
            << 2
            << QByteArray(
                   R"({"sw_version": "1.2.3", "compatible_hw_versions": [1], "required_bt_icd_revision": "2"})")
            << QByteArray() << icdRange << false;
        QTest::newRow("ICD revision beyond 32 bits")
            << 2
            << QByteArray(
                   R"({"sw_version": "1.2.3", "compatible_hw_versions": [1], "required_bt_icd_revision": 4294967298})")
            << QByteArray() << icdRange << false;
    }

    void metadataHeader() {
        QFETCH(int, revision);
        QFETCH(QByteArray, description);
        QFETCH(QByteArray, header);
        QFETCH(QString, error);
        QFETCH(bool, badVersionFormat);

        std::unique_ptr<IMbuMetadataHeaderBuilder> builder;
        if (revision == 1) {
            builder = std::make_unique<v1::LodestarControlPodExtendedMbuHeaderBuilder>();
        } else {
            builder = std::make_unique<v2::LodestarControlPodExtendedMbuHeaderBuilder>();
        }
        if (badVersionFormat) {
            expectVersionFormatError();
        }
        const QJsonObject object = json(description);
        Bytes built;
        QCOMPARE(outcomeOf([&] { built = builder->build(object); }), error);
        QCOMPARE(toByteArray(built), header);
    }

    void fillingFails_data() {
        QTest::addColumn<bool>("withBlock");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<QByteArray>("overrides");
        QTest::addColumn<QString>("error");

        const QStringList keep;
        const QString notRecognized = QStringLiteral("runtime_error: Block Id not recognized.");
        const QString tooLong = QStringLiteral("length_error: String longer than build description.");

        QTest::newRow("no block") << false << keep << QByteArray("{}")
                                  << QStringLiteral("runtime_error: No block provided.");
        QTest::newRow("no block id") << true << QStringList{QStringLiteral("block_id")} << QByteArray("{}")
                                     << QStringLiteral("runtime_error: Block Id not provided.");
        QTest::newRow("no block id and no file name")
            << true << QStringList{QStringLiteral("block_id"), QStringLiteral("filename")} << QByteArray("{}")
            << QStringLiteral("runtime_error: Block Id not provided.");
        QTest::newRow("block id of seven characters")
            << true << keep << QByteArray(R"({"block_id": "LDSTCP0"})") << notRecognized;
        QTest::newRow("block id of nine characters")
            << true << keep << QByteArray(R"({"block_id": "LDSTCP011"})") << notRecognized;
        QTest::newRow("other control-pod tag")
            << true << keep << QByteArray(R"({"block_id": "LDSTCP02"})") << notRecognized;
        QTest::newRow("tag in lower case")
            << true << keep << QByteArray(R"({"block_id": "ldstcp01"})") << notRecognized;
        QTest::newRow("block id as a number")
            << true << keep << QByteArray(R"({"block_id": 1})") << notRecognized;
        QTest::newRow("empty file name") << true << keep << QByteArray(R"({"filename": ""})")
                                         << QStringLiteral("runtime_error: Filename not provided.");
        QTest::newRow("no file name") << true << QStringList{QStringLiteral("filename")} << QByteArray("{}")
                                      << QStringLiteral("runtime_error: Filename not provided.");
        QTest::newRow("no software version")
            << true << QStringList{QStringLiteral("sw_version")} << QByteArray("{}")
            << QStringLiteral("runtime_error: Software version not provided.");
        QTest::newRow("no hardware versions")
            << true << QStringList{QStringLiteral("compatible_hw_versions")} << QByteArray("{}")
            << QStringLiteral("runtime_error: Compatible HW versions not provided.");
        QTest::newRow("build description of 65 bytes")
            << true << keep << QByteArray(R"({"build_description": ")" + QByteArray(65, 'd') + R"("})")
            << tooLong;
        // 33 characters, but 66 bytes in UTF-8: the limit is in bytes.
        QTest::newRow("build description of 66 UTF-8 bytes")
            << true << keep
            << QByteArray(R"({"build_description": ")" + QString(33, QChar(0xE9)).toUtf8() + R"("})")
            << tooLong;
        QTest::newRow("header fault passes through")
            << true << keep << QByteArray(R"({"sw_version": "0.0.0"})")
            << QStringLiteral("runtime_error: Invalid software version.");
    }

    void fillingFails() {
        QFETCH(bool, withBlock);
        QFETCH(QStringList, removed);
        QFETCH(QByteArray, overrides);
        QFETCH(QString, error);

        QJsonObject object = merged(baseDescription(imagePath(16)), json(overrides), removed);
        LodestarControlPodMbuJsonBlockBuilder builder(DefaultSecret, ProductionSecret);
        CvbFile file;
        if (withBlock) {
            builder.setBlock(file.addBlock());
        }
        QCOMPARE(outcomeOf([&] { builder.loadFromJsonObject(object); }), error);
        if (withBlock) {
            QVERIFY(!file.blockByIndex(0)->dataSource()); // nothing to save from a failed fill
        }
    }

    // A container made by the builder reads back with the library's loader, and its block decrypts
    // with the registry's generator and the family secret to the metadata header and the image.
    void builtContainerReadsBack_data() {
        QTest::addColumn<QByteArray>("overrides");
        QTest::addColumn<int>("imageSize");
        QTest::addColumn<bool>("production");
        QTest::addColumn<QByteArray>("header");

        const QByteArray rev1 = toByteArray(expectedHeader(1, {3, 49, 7}, 0x06));
        const QByteArray rev2 = toByteArray(expectedHeader(2, {3, 49, 7}, 0x06, 258));
        QTest::newRow("revision 1, default secret") << QByteArray("{}") << 1000 << false << rev1;
        QTest::newRow("revision 2, default secret")
            << QByteArray(R"({"required_bt_icd_revision": 258})") << 1000 << false << rev2;
        QTest::newRow("revision 2, production secret")
            << QByteArray(R"({"required_bt_icd_revision": 258, "use_production_secret": true})") << 5000
            << true << rev2;
        QTest::newRow("production secret turned off")
            << QByteArray(R"({"required_bt_icd_revision": 258, "use_production_secret": false})") << 1000
            << false << rev2;
        QTest::newRow("empty image") << QByteArray(R"({"required_bt_icd_revision": 258})") << 0 << false
                                     << rev2;
        QTest::newRow("header and image fill whole cipher blocks")
            << QByteArray(R"({"required_bt_icd_revision": 258, "use_production_secret": true})") << 11 << true
            << rev2;
        QTest::newRow("image over many save chunks")
            << QByteArray(R"({"required_bt_icd_revision": 258, "use_production_secret": true})") << 100000
            << true << rev2;
    }

    void builtContainerReadsBack() {
        QFETCH(QByteArray, overrides);
        QFETCH(int, imageSize);
        QFETCH(bool, production);
        QFETCH(QByteArray, header);

        const Bytes image = patternBytes(static_cast<std::size_t>(imageSize), 11);
        QJsonObject object = merged(baseDescription(imagePath(image)), json(overrides));
        const QString path = saveContainer({object});

        CvbFile loaded;
        QVERIFY(loaded.loadFromFile(path.toStdString()));
        QCOMPARE(loaded.blockCount(), std::size_t(1));
        const auto block = loaded.blockByIndex(0);
        QCOMPARE(blockIdText(*block), QStringLiteral("LDSTCP01"));
        QCOMPARE(buildDescriptionText(*block), QStringLiteral("Control pod 3.49.7"));

        const QByteArray expected = header + toByteArray(image);
        const Secret& secret = production ? ProductionSecret : DefaultSecret;
        QCOMPARE(toByteArray(decryptBlock(loaded, 0, secret)), expected);

        // The other secret does not open the block: it decrypts to other bytes or to a bad padding,
        // whose error line is of no interest here.
        const Secret& other = production ? DefaultSecret : ProductionSecret;
        QString wrongResult;
        const QString thrown = withErrorLogOff([&] {
            return outcomeOf([&] { wrongResult = toByteArray(decryptBlock(loaded, 0, other)).toHex(); });
        });
        QVERIFY(!thrown.isEmpty() || wrongResult != expected.toHex());
    }

    // The assembler calls one builder once per block; each call fills the block it was just given.
    void oneBuilderFillsSeveralBlocks() {
        const Bytes firstImage = patternBytes(300, 1);
        const Bytes secondImage = patternBytes(70, 2);
        const Bytes thirdImage = patternBytes(41, 3);
        QJsonObject first =
            merged(baseDescription(imagePath(firstImage)), json(R"({"sw_version": "1.0.0"})"));
        QJsonObject second = merged(baseDescription(imagePath(secondImage)),
                                    json(R"({"sw_version": "2.0.0", "required_bt_icd_revision": 7})"));
        QJsonObject third = merged(
            baseDescription(imagePath(thirdImage)),
            json(R"({"sw_version": "3.0.0", "required_bt_icd_revision": 9, "use_production_secret": true,
                            "build_description": "third"})"));
        const QString path = saveContainer({first, second, third});

        CvbFile loaded;
        QVERIFY(loaded.loadFromFile(path.toStdString()));
        QCOMPARE(loaded.blockCount(), std::size_t(3));
        Bytes expected = expectedHeader(1, {1, 0, 0}, 0x06);
        expected.insert(expected.end(), firstImage.begin(), firstImage.end());
        QCOMPARE(decryptBlock(loaded, 0, DefaultSecret), expected);
        expected = expectedHeader(2, {2, 0, 0}, 0x06, 7);
        expected.insert(expected.end(), secondImage.begin(), secondImage.end());
        QCOMPARE(decryptBlock(loaded, 1, DefaultSecret), expected);
        expected = expectedHeader(2, {3, 0, 0}, 0x06, 9);
        expected.insert(expected.end(), thirdImage.begin(), thirdImage.end());
        QCOMPARE(decryptBlock(loaded, 2, ProductionSecret), expected);
        QCOMPARE(buildDescriptionText(*loaded.blockByIndex(2)), QStringLiteral("third"));
    }

    // A tag the block-type registry does not know gets no generator: the fill succeeds, the save
    // cannot encrypt.
    void unknownTagCannotBeSaved() {
        EncapsulatedMbuJsonBlockBuilder builder(
            makeTag("ZZZZZZZZ"), DefaultSecret, ProductionSecret,
            std::make_unique<v2::LodestarControlPodExtendedMbuHeaderBuilder>());
        CvbFile file;
        builder.setBlock(file.addBlock());
        QJsonObject object = merged(baseDescription(imagePath(16)),
                                    json(R"({"block_id": "ZZZZZZZZ", "required_bt_icd_revision": 1})"));
        QVERIFY(builder.loadFromJsonObject(object));
        QCOMPARE(blockIdText(*file.blockByIndex(0)), QStringLiteral("ZZZZZZZZ"));
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("No response generator present.$")));
        const QString path = imageDir_.filePath(QStringLiteral("unknown.cvb"));
        QCOMPARE(outcomeOf([&] { file.saveToFile(path.toStdString()); }),
                 QStringLiteral("runtime_error: No ResponseGenerator present."));
    }

    // The image is the block's payload: one that cannot be read when the container is saved fails the
    // save (a missing one is logged once), rather than leaving a block that holds the metadata header
    // alone.
    void unreadableImageFailsTheSave_data() {
        QTest::addColumn<QString>("image");
        QTest::addColumn<bool>("logged");
        QTest::addColumn<QString>("error");

        const QString notOpened = QStringLiteral("runtime_error: Image file could not be opened.");
        QTest::newRow("no such file") << QStringLiteral("no-such-image.bin") << true << notOpened;
        QTest::newRow("no such folder") << QStringLiteral("no-such-folder/image.bin") << true << notOpened;
        QTest::newRow("a folder, which opens but cannot be read")
            << QStringLiteral("a-folder") << false
            << QStringLiteral("runtime_error: Problem reading data from the input source.");
    }

    void unreadableImageFailsTheSave() {
        QFETCH(QString, image);
        QFETCH(bool, logged);
        QFETCH(QString, error);

        QVERIFY(QDir(imageDir_.path()).mkpath(QStringLiteral("a-folder")));
        const QString unreadable = imageDir_.filePath(image);
        QJsonObject object =
            merged(baseDescription(unreadable), json(R"({"required_bt_icd_revision": 258})"));
        LodestarControlPodMbuJsonBlockBuilder builder(DefaultSecret, ProductionSecret);
        CvbFile file;
        builder.setBlock(file.addBlock());
        QVERIFY(builder.loadFromJsonObject(object)); // the image is looked for only when saved

        const QRegularExpression openFailure(
            QStringLiteral("^E\\|plain_file_data_source\\.cpp:\\d+\\|Failed to open file: .*") +
            QRegularExpression::escape(image) + QLatin1Char('$'));
        if (logged) {
            QTest::ignoreMessage(QtWarningMsg, openFailure);
        }
        QTest::failOnWarning(openFailure); // a second pass over the missing file would log it again
        const QString path = imageDir_.filePath(QStringLiteral("container_%1.cvb").arg(++files_));
        QCOMPARE(outcomeOf([&] { file.saveToFile(path.toStdString()); }), error);

        // What the failed save left behind is no container.
        CvbFile loaded;
        QVERIFY(!outcomeOf([&] { loaded.loadFromFile(path.toStdString()); }).isEmpty());
    }

private:
    QJsonObject baseDescription(const QString& image) const {
        QJsonObject object =
            json(R"({"block_id": "LDSTCP01", "sw_version": "3.49.7", "compatible_hw_versions": [1, 2],
                                      "build_description": "Control pod 3.49.7"})");
        object.insert(QStringLiteral("filename"), image);
        return object;
    }

    QString imagePath(const Bytes& image) {
        const QString path = imageDir_.filePath(QStringLiteral("image_%1.bin").arg(++files_));
        if (!writeBytes(path, image)) {
            qFatal("Cannot write a test image");
        }
        return path;
    }

    QString imagePath(std::size_t size) { return imagePath(patternBytes(size)); }

    // One block per description, all through one control-pod builder, saved to a new file.
    QString saveContainer(const std::vector<QJsonObject>& descriptions) {
        LodestarControlPodMbuJsonBlockBuilder builder(DefaultSecret, ProductionSecret);
        CvbFile file;
        for (QJsonObject description : descriptions) {
            builder.setBlock(file.addBlock());
            if (!builder.loadFromJsonObject(description)) {
                qFatal("Builder refused a description");
            }
        }
        const QString path = imageDir_.filePath(QStringLiteral("container_%1.cvb").arg(++files_));
        if (!file.saveToFile(path.toStdString())) {
            qFatal("Cannot save a test container");
        }
        return path;
    }

    QTemporaryDir imageDir_;
    int files_ = 0;
};

QTEST_GUILESS_MAIN(TestJsonBlockBuilders)
#include "tst_json_block_builders.moc"
