#include "muppet/control_centre.h"
#include "muppet/endian_extractor.h"
#include "muppet/endian_inserter.h"
#include "muppet/file_put_lpd_command.h"
#include "muppet/hardware_version_command.h"
#include "muppet/indicate_firmware_upgrade_command.h"
#include "muppet/lpd_vector.h"
#include "muppet/product_model_command.h"
#include "muppet/product_type_command.h"
#include "muppet/serial_number_command.h"
#include "muppet/software_reset_command.h"
#include "muppet/software_reset_to_bootloader_command.h"
#include "muppet/software_version_command.h"
#include "muppet/store_user_settings_record_command.h"
#include "muppet/upgradeable_component_validity_command.h"
#include "muppet/user_verification_code_command.h"

#include <QByteArray>
#include <QTest>

#include <memory>
#include <optional>

using cvsw::muppet::ControlCentre;
using namespace cvsw::muppet::control;
using FilePut = FilePutLpdCommand<LpdVector<unsigned short>>;

namespace {

template <typename T>
QByteArray encoded(const T& command) {
    std::vector<std::uint8_t> out;
    cvsw::EndianInserter inserter(out, cvsw::EndianInserter::UNBOUNDED_ROOM);
    command.encode(inserter);
    return QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(out.size()));
}

template <typename T>
T made(Mode mode, auto&& fill) {
    T command(mode);
    fill(command);
    return command;
}

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// A control centre with a handler for every command. The handler of whichever command a message
// reaches writes the command out again, so a test sees every field the decoder filled.
class AllCommands : public ControlCentre::ErrorSink {
public:
    AllCommands() {
        centre.setErrorSink(this);
        record<ProductTypeCommand>();
        record<ProductModelCommand>();
        record<UpgradeableComponentValidityCommand>();
        record<SerialNumberCommand>();
        record<HardwareVersionCommand>();
        record<UserVerificationCodeCommand>();
        record<SoftwareVersionCommand>();
        record<SoftwareResetCommand>();
        record<SoftwareResetToBootloaderCommand>();
        record<FilePut>();
        record<StoreUserSettingsRecordCommand>();
        record<IndicateFirmwareUpgradeCommand>();
    }

    void handle(const QByteArray& message) {
        centre.handleFrame(reinterpret_cast<const std::uint8_t*>(message.constData()),
                           std::size_t(message.size()));
    }

    void handlerReplaced(Group, std::uint16_t) override {}
    void invalidGroup(Group) override {}
    void unhandled(Group, std::uint16_t) override { ++unhandledCount; }
    void tooShort(const std::uint8_t*, std::size_t) override { ++tooShortCount; }

    ControlCentre centre;
    std::optional<QByteArray> delivered;
    int tooShortCount = 0;
    int unhandledCount = 0;

private:
    template <typename T>
    void record() {
        centre.setHandler<T>([this](std::unique_ptr<T>&& command) { delivered = encoded(*command); });
    }
};

} // namespace

class TestControlCommands : public QObject {
    Q_OBJECT

private slots:
    void encode_data();
    void encode();
    void decode_data();
    void decode();
    void decodedFields();
    void lpdVector_data();
    void lpdVector();
    void inserterOverflow();
    void extractorShortfall();
};

void TestControlCommands::encode_data() {
    QTest::addColumn<QByteArray>("actual");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("product type GET") << encoded(ProductTypeCommand(Mode::GET)) << hex("020014");
    QTest::newRow("product model GET") << encoded(ProductModelCommand(Mode::GET)) << hex("02006e");
    QTest::newRow("validity GET") << encoded(UpgradeableComponentValidityCommand(Mode::GET)) << hex("02006f");
    QTest::newRow("hardware version GET") << encoded(HardwareVersionCommand(Mode::GET)) << hex("020023");
    QTest::newRow("user verification code GET")
        << encoded(UserVerificationCodeCommand(Mode::GET)) << hex("020038");
    QTest::newRow("serial number GET") << encoded(SerialNumberCommand(Mode::GET)) << hex("020011");
    QTest::newRow("product type INF 161")
        << encoded(made<ProductTypeCommand>(Mode::INF, [](auto& c) { c.productType = 161; }))
        << hex("82001400a100000000");
    QTest::newRow("software version GET") << encoded(SoftwareVersionCommand(Mode::GET)) << hex("020003");
    QTest::newRow("software version INF 1.2.3")
        << encoded(made<SoftwareVersionCommand>(Mode::INF,
                                                [](auto& c) {
                                                    c.version = {1, 2, 3};
                                                }))
        << hex("8200030102030000");
    QTest::newRow("put-offset query") << encoded(made<FilePut>(Mode::GET, [](auto& c) {
        c.fileId = 11000;
        c.offset = 99; // not part of a GET
    })) << hex("02004e2af8");
    QTest::newRow("put of three bytes") << encoded(made<FilePut>(Mode::SET, [](auto& c) {
        c.fileId = 11000;
        c.offset = 1024;
        c.fileData.bytes = {0xAA, 0xBB, 0xCC};
    })) << hex("42004e2af8000004000003aabbcc");
    QTest::newRow("reset to bootloader")
        << encoded(SoftwareResetToBootloaderCommand(Mode::SET)) << hex("420013");
    QTest::newRow("reset to application") << encoded(SoftwareResetCommand(Mode::SET)) << hex("420005");
    QTest::newRow("upgrade indication on")
        << encoded(made<IndicateFirmwareUpgradeCommand>(Mode::SET, [](auto& c) { c.indication = true; }))
        << hex("42007201");
    QTest::newRow("upgrade indication query")
        << encoded(IndicateFirmwareUpgradeCommand(Mode::GET)) << hex("020072");
    QTest::newRow("store request 2.5.0")
        << encoded(made<StoreUserSettingsRecordCommand>(Mode::SET,
                                                        [](auto& c) {
                                                            c.version = {2, 5, 0};
                                                        }))
        << hex("420069020500");
    QTest::newRow("store status query 2.5.0")
        << encoded(made<StoreUserSettingsRecordCommand>(Mode::GET,
                                                        [](auto& c) {
                                                            c.version = {2, 5, 0};
                                                        }))
        << hex("020069020500");
    QTest::newRow("store reply") << encoded(made<StoreUserSettingsRecordCommand>(Mode::INF, [](auto& c) {
        c.version = {2, 5, 0};
        c.supported = true;
        c.status = 2;
    })) << hex("8200690205000102");
    QTest::newRow("reset to bootloader ERR")
        << encoded(made<SoftwareResetToBootloaderCommand>(Mode::ERR,
                                                          [](auto& c) {
                                                              c.errorCode = 4;
                                                              c.failedMode = Mode::SET;
                                                              c.errorDetail = {9, 8, 7, 6};
                                                          }))
        << hex("c200130401"
               "09080706");
    QTest::newRow("ERR carries the failed mode's payload")
        << encoded(made<SoftwareVersionCommand>(Mode::ERR,
                                                [](auto& c) {
                                                    c.errorCode = 8;
                                                    c.failedMode = Mode::INF;
                                                    c.version = {1, 2, 3};
                                                    c.trailer = 0x0405;
                                                }))
        << hex("c2000308020000000001020304"
               "05");
    QTest::newRow("validity INF") << encoded(made<UpgradeableComponentValidityCommand>(Mode::INF,
                                                                                       [](auto& c) {
                                                                                           c.complete = true;
                                                                                           c.validFlags = 11;
                                                                                           c.validMask = 15;
                                                                                       }))
                                  << hex("82006f010000000b0000000f");
}

void TestControlCommands::encode() {
    QFETCH(QByteArray, actual);
    QFETCH(QByteArray, expected);
    QCOMPARE(actual.toHex(' '), expected.toHex(' '));
}

void TestControlCommands::decode_data() {
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<bool>("delivered");
    QTest::addColumn<QByteArray>("rewritten"); // the delivered command, written out again

    // ProductType, ProductModel, UpgradeableComponentValidity
    QTest::newRow("product type INF") << hex("820014009000010002") << true << hex("820014009000010002");
    QTest::newRow("product type INF, 5 bytes") << hex("8200140090000100") << false << QByteArray();
    QTest::newRow("product model INF") << hex("82006e05") << true << hex("82006e05");
    QTest::newRow("product model INF, empty") << hex("82006e") << false << QByteArray();
    QTest::newRow("validity INF") << hex("82006f020000000b0000000f") << true
                                  << hex("82006f010000000b0000000f");
    QTest::newRow("validity INF, 8 bytes") << hex("82006f020000000b000000") << false << QByteArray();
    QTest::newRow("product model ERR with INF payload")
        << hex("c2006e04020000000007") << true << hex("c2006e04020000000007");
    QTest::newRow("product model ERR, nothing after the header") << hex("c2006e") << true
                                                                 << hex("c2006e0003"
                                                                        "00000000");
    QTest::newRow("ERR, error code only") << hex("c2006e05") << true
                                          << hex("c2006e0503"
                                                 "00000000");
    QTest::newRow("ERR, detail cut short keeps it zero") << hex("c2006e050212") << true
                                                         << hex("c2006e0502"
                                                                "00000000"
                                                                "00");
    // HardwareVersion, UserVerificationCode, SerialNumber
    QTest::newRow("hardware version INF") << hex("82002307") << true << hex("82002307");
    QTest::newRow("hardware version INF, empty") << hex("820023") << false << QByteArray();
    QTest::newRow("user verification code INF") << hex("8200380001869f") << true << hex("8200380001869f");
    QTest::newRow("user verification code INF, 3 bytes") << hex("820038000186") << false << QByteArray();
    QTest::newRow("serial number INF") << hex("820011000102030405060708090a0b0c0d0e0f") << true
                                       << hex("820011000102030405060708090a0b0c0d0e0f");
    QTest::newRow("serial number INF, 15 bytes")
        << hex("820011000102030405060708090a0b0c0d0e") << false << QByteArray();
    // SoftwareVersion
    QTest::newRow("software version INF, 5 bytes")
        << hex("8200030102030000") << true << hex("8200030102030000");
    QTest::newRow("software version INF, 4 bytes") << hex("82000301020300") << false << QByteArray();
    QTest::newRow("software version INF, 7 bytes, extra ignored")
        << hex("82000301020300abcdef") << true << hex("82000301020300ab");
    QTest::newRow("software version GET") << hex("020003") << true << hex("020003");
    QTest::newRow("software version ERR, failed INF with payload")
        << hex("c2000308020a0b0c0d0102030405") << true << hex("c2000308020a0b0c0d0102030405");
    QTest::newRow("software version ERR, failed INF, payload cut short")
        << hex("c2000308020a0b0c0d0102") << true << hex("c2000308020a0b0c0d0102000000");
    // FilePutLpd
    QTest::newRow("file put INF, length 3, 2 bytes")
        << hex("82004e2af8000004000003aabb") << false << QByteArray();
    QTest::newRow("file put INF, length 3, 3 bytes")
        << hex("82004e2af8000004000003aabbcc") << true << hex("82004e2af8000004000003aabbcc");
    QTest::newRow("file put INF, length 0")
        << hex("82004e2af8000004000000") << true << hex("82004e2af8000004000000");
    QTest::newRow("file put INF, no length") << hex("82004e2af800000400") << false << QByteArray();
    QTest::newRow("file put GET reply of one byte") << hex("02004e2a") << false << QByteArray();
    QTest::newRow("file put GET") << hex("02004e2af8") << true << hex("02004e2af8");
    QTest::newRow("file put ERR, failed GET")
        << hex("c2004e0200000000002af8") << true << hex("c2004e0200000000002af8");
    QTest::newRow("file put ERR, failed SET, data cut short")
        << hex("c2004e0201000000002af8000004000003aabb") << true
        << hex("c2004e0201000000002af8000004000003000000");
    // Resets
    QTest::newRow("reset INF") << hex("820005") << true << hex("820005");
    QTest::newRow("reset to bootloader SET, extra ignored") << hex("42001301") << true << hex("420013");
    // IndicateFirmwareUpgrade
    QTest::newRow("indication INF, 0x05 reads as true") << hex("820072050001") << true << hex("820072010001");
    QTest::newRow("indication INF, short") << hex("8200720100") << false << QByteArray();
    QTest::newRow("indication SET") << hex("42007203") << true << hex("42007201");
    QTest::newRow("indication SET, empty") << hex("420072") << false << QByteArray();
    // StoreUserSettingsRecord
    QTest::newRow("store GET, 2 bytes") << hex("0200690205") << false << QByteArray();
    QTest::newRow("store SET, 2 bytes") << hex("4200690205") << false << QByteArray();
    QTest::newRow("store INF, 4 bytes") << hex("82006902050001") << false << QByteArray();
    QTest::newRow("store INF") << hex("8200690205000102") << true << hex("8200690205000102");
}

void TestControlCommands::decode() {
    QFETCH(QByteArray, message);
    QFETCH(bool, delivered);
    QFETCH(QByteArray, rewritten);

    AllCommands all;
    all.handle(message);
    QCOMPARE(all.unhandledCount, 0);
    QCOMPARE(all.delivered.has_value(), delivered);
    QCOMPARE(all.tooShortCount, delivered ? 0 : 1);
    if (delivered) {
        QCOMPARE(all.delivered->toHex(' '), rewritten.toHex(' '));
    }
}

// Field by field, so that a decoder and an encoder that share a mistake are still caught.
void TestControlCommands::decodedFields() {
    ControlCentre centre;
    auto handle = [&](const QByteArray& message) {
        centre.handleFrame(reinterpret_cast<const std::uint8_t*>(message.constData()),
                           std::size_t(message.size()));
    };

    std::unique_ptr<ProductTypeCommand> productType;
    centre.setHandler<ProductTypeCommand>([&](auto&& c) { productType = std::move(c); });
    handle(hex("820014009000010002"));
    QVERIFY(productType);
    QCOMPARE(productType->productType, 144);
    QCOMPARE(productType->secondWord, 1);
    QCOMPARE(productType->thirdWord, 2);

    std::unique_ptr<UpgradeableComponentValidityCommand> validity;
    centre.setHandler<UpgradeableComponentValidityCommand>([&](auto&& c) { validity = std::move(c); });
    handle(hex("82006f020000000b0000000f"));
    QVERIFY(validity);
    QVERIFY(validity->complete);
    QCOMPARE(validity->validFlags, 11u);
    QCOMPARE(validity->validMask, 15u);

    std::unique_ptr<ProductModelCommand> model;
    centre.setHandler<ProductModelCommand>([&](auto&& c) { model = std::move(c); });
    handle(hex("c2006e04020102030407"));
    QVERIFY(model);
    QCOMPARE(model->mode, Mode::ERR);
    QCOMPARE(model->errorCode, 4);
    QCOMPARE(model->failedMode, Mode::INF);
    QCOMPARE(model->errorDetail, (std::array<std::uint8_t, 4>{1, 2, 3, 4}));
    QCOMPARE(model->productModel, 7);
    handle(hex("c2006e"));
    QCOMPARE(model->errorCode, 0);
    QCOMPARE(model->failedMode, Mode::ERR);

    std::unique_ptr<SoftwareVersionCommand> version;
    centre.setHandler<SoftwareVersionCommand>([&](auto&& c) { version = std::move(c); });
    handle(hex("8200030102031234"));
    QVERIFY(version);
    QCOMPARE(version->version, (fwup::Version{1, 2, 3}));
    QCOMPARE(version->trailer, 0x1234);

    std::unique_ptr<FilePut> put;
    centre.setHandler<FilePut>([&](auto&& c) { put = std::move(c); });
    handle(hex("c2004e0201000000002af8000004000003aabb"));
    QVERIFY(put);
    QCOMPARE(put->fileId, 11000);
    QCOMPARE(put->offset, 1024u);
    QCOMPARE(put->fileData.bytes, (std::vector<std::uint8_t>{0, 0, 0}));

    std::unique_ptr<StoreUserSettingsRecordCommand> store;
    centre.setHandler<StoreUserSettingsRecordCommand>([&](auto&& c) { store = std::move(c); });
    handle(hex("8200690205000102"));
    QVERIFY(store);
    QCOMPARE(store->version, (fwup::Version{2, 5, 0}));
    QVERIFY(store->supported);
    QCOMPARE(store->status, 2);

    std::unique_ptr<IndicateFirmwareUpgradeCommand> indication;
    centre.setHandler<IndicateFirmwareUpgradeCommand>([&](auto&& c) { indication = std::move(c); });
    handle(hex("820072000105"));
    QVERIFY(indication);
    QVERIFY(!indication->indication);
    QVERIFY(indication->upgradeAllowed);
    QVERIFY(indication->indicationActive);
}

void TestControlCommands::lpdVector_data() {
    QTest::addColumn<int>("lengthBytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QByteArray>("expectedPrefix");
    QTest::addColumn<int>("expectedDataBytes");

    QTest::newRow("u8, 3 bytes") << 1 << 3 << hex("03") << 3;
    QTest::newRow("u8, 255 bytes") << 1 << 255 << hex("ff") << 255;
    QTest::newRow("u8, 256 bytes is cut to none") << 1 << 256 << hex("00") << 0;
    QTest::newRow("u8, 258 bytes is cut to two") << 1 << 258 << hex("02") << 2;
    QTest::newRow("u16, 3 bytes") << 2 << 3 << hex("0003") << 3;
    QTest::newRow("u16, 65535 bytes") << 2 << 65535 << hex("ffff") << 65535;
    QTest::newRow("u16, 65536 bytes is cut to none") << 2 << 65536 << hex("0000") << 0;
}

void TestControlCommands::lpdVector() {
    QFETCH(int, lengthBytes);
    QFETCH(int, count);
    QFETCH(QByteArray, expectedPrefix);
    QFETCH(int, expectedDataBytes);

    std::vector<std::uint8_t> data(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7 + 1);
    }
    std::vector<std::uint8_t> out;
    cvsw::EndianInserter inserter(out, cvsw::EndianInserter::UNBOUNDED_ROOM);
    if (lengthBytes == 1) {
        LpdVector<unsigned char>{data}.encode(inserter);
    } else {
        LpdVector<unsigned short>{data}.encode(inserter);
    }
    QCOMPARE(out.size(), std::size_t(lengthBytes + expectedDataBytes));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(out.data()), lengthBytes), expectedPrefix);
    QVERIFY(std::equal(out.begin() + lengthBytes, out.end(), data.begin()));

    // And back: the same bytes read as a vector of the encoded length.
    cvsw::ControlExtractor in(out.data(), out.size());
    if (lengthBytes == 1) {
        LpdVector<unsigned char> decoded;
        decoded.decode(in);
        QCOMPARE(decoded.bytes.size(), std::size_t(expectedDataBytes));
    } else {
        LpdVector<unsigned short> decoded;
        decoded.decode(in);
        QCOMPARE(decoded.bytes.size(), std::size_t(expectedDataBytes));
    }
    QVERIFY(!in.failed());
    QCOMPARE(in.remaining(), std::size_t(0));
}

void TestControlCommands::inserterOverflow() {
    std::vector<std::uint8_t> out;
    cvsw::EndianInserter inserter(out, 5);
    inserter.put<std::uint16_t>(0x0102);
    inserter.put<std::uint32_t>(0x03040506); // does not fit: nothing written, flag set
    QVERIFY(inserter.overflowed());
    inserter.put<std::uint8_t>(7); // would fit, but the flag stays
    QCOMPARE(out, (std::vector<std::uint8_t>{1, 2}));
    QCOMPARE(inserter.room(), 3u);

    // A vector whose count cannot be written writes nothing of its bytes.
    std::vector<std::uint8_t> small;
    cvsw::EndianInserter tight(small, 1);
    LpdVector<unsigned short>{{1, 2}}.encode(tight);
    QVERIFY(tight.overflowed());
    QVERIFY(small.empty());
}

void TestControlCommands::extractorShortfall() {
    const std::uint8_t bytes[] = {0x12, 0x34, 0x56};
    cvsw::ControlExtractor in(bytes, sizeof bytes);
    QCOMPARE(in.extract<std::uint16_t>(), 0x1234);
    QCOMPARE(in.extract<std::uint16_t>(), 0); // one byte left: nothing read
    QVERIFY(in.failed());
    QCOMPARE(in.extract<std::uint8_t>(), 0); // stays failed although a byte is there
    std::uint8_t target[1] = {0xEE};
    QVERIFY(!in.extractBytes(target, 1));
    QCOMPARE(target[0], 0xEE);
}

QTEST_GUILESS_MAIN(TestControlCommands)
#include "tst_control_commands.moc"
