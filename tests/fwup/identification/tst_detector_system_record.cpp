// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QTest>

#include "fwup/identification/detector_system_record.h"
#include "fwup/identification/legacy_system_identity.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

const QString serialA = QStringLiteral("0123456789abcdef0123456789abcdef");
const QString serialB = QStringLiteral("fedcba9876543210fedcba9876543210");
const QJsonValue null(QJsonValue::Null);

QJsonObject storedSystem(const QString& type, const QJsonArray& modules) {
    return QJsonObject{{QStringLiteral("detectorType"), type}, {QStringLiteral("modules"), modules}};
}

QJsonObject storedModule(const QJsonValue& serial, const QJsonValue& code) {
    return QJsonObject{{QStringLiteral("serialNumber"), serial},
                       {QStringLiteral("userVerificationCode"), code}};
}

// What the update under test writes for a pod with the given serial and code and its sub-system.
QJsonObject writtenSystem(const QJsonValue& serial, const QJsonValue& code) {
    return storedSystem(QStringLiteral("summit_pro_2"),
                        QJsonArray{QJsonObject{{QStringLiteral("moduleName"), QStringLiteral("pod")},
                                               {QStringLiteral("hardwareVersion"), 3},
                                               {QStringLiteral("softwareVersion"), QStringLiteral("1.2.3")},
                                               {QStringLiteral("serialNumber"), serial},
                                               {QStringLiteral("userVerificationCode"), code}},
                                   QJsonObject{{QStringLiteral("moduleName"), QStringLiteral("tamarind")},
                                               {QStringLiteral("hardwareVersion"), null},
                                               {QStringLiteral("softwareVersion"), null},
                                               {QStringLiteral("serialNumber"), QStringLiteral("T-1")},
                                               {QStringLiteral("userVerificationCode"), null}}});
}

QByteArray json(const QJsonArray& array) {
    return QJsonDocument(array).toJson();
}

fwup::MbuComponentIdentity module(const QString& serial, std::optional<fwup::Version> version) {
    fwup::MbuComponentIdentity identity;
    identity.serialNumber = serial;
    identity.softwareVersion = version;
    identity.hardwareRevision = 2;
    identity.userVerificationCode = cvsw::v2::RangedInteger<unsigned int, 0u, 99999u>(4711);
    return identity;
}

} // namespace

class TestDetectorSystemRecord : public QObject {
    Q_OBJECT

private slots:
    void init();
    void update_data();
    void update();
    void emptyModuleListWritesNothing();
    void dualModuleSystem();
    void hardwareVersionPair_data();
    void hardwareVersionPair();

private:
    QTemporaryDir dir_;
    QString path_;
};

void TestDetectorSystemRecord::init() {
    QVERIFY(dir_.isValid());
    path_ = dir_.filePath(QStringLiteral("summit_index.json"));
    QFile::remove(path_);
}

void TestDetectorSystemRecord::update_data() {
    QTest::addColumn<QByteArray>("content"); // null: no file
    QTest::addColumn<QString>("serial");     // empty: the new pod has none
    QTest::addColumn<qint64>("code");        // negative: the new pod has none
    QTest::addColumn<QJsonArray>("expected");

    const QJsonObject liveEntry{{QStringLiteral("serialNumber"), serialA},
                                {QStringLiteral("detectorType"), QStringLiteral("summit_pro")},
                                {QStringLiteral("userVerificationCode"), QStringLiteral("12345")}};
    const QJsonObject otherSystem =
        storedSystem(QStringLiteral("x"), {storedModule(serialB, QStringLiteral("1"))});
    const QJsonObject serialInSecondModule = storedSystem(
        QStringLiteral("x"), {storedModule(serialB, null), storedModule(serialA, QStringLiteral("12345"))});
    const QJsonObject noModules = storedSystem(QStringLiteral("x"), {});

    QTest::newRow("fresh file") << QByteArray() << serialA << qint64(12345)
                                << QJsonArray{writtenSystem(serialA, QStringLiteral("12345"))};
    QTest::newRow("first system of the serial replaced, the rest kept")
        << json({liveEntry, 7, noModules, serialInSecondModule, otherSystem,
                 storedSystem(QStringLiteral("old"), {storedModule(serialA, QStringLiteral("99"))}),
                 storedSystem(QStringLiteral("later"), {storedModule(serialA, null)})})
        << serialA << qint64(12345)
        << QJsonArray{liveEntry,
                      7,
                      noModules,
                      serialInSecondModule,
                      otherSystem,
                      writtenSystem(serialA, QStringLiteral("12345")),
                      storedSystem(QStringLiteral("later"), {storedModule(serialA, null)})};
    QTest::newRow("without a serial, found by the code")
        << json({otherSystem,
                 storedSystem(QStringLiteral("old"), {storedModule(serialB, QStringLiteral("12345"))})})
        << QString() << qint64(12345)
        << QJsonArray{otherSystem, writtenSystem(null, QStringLiteral("12345"))};
    QTest::newRow("with a serial, an equal code alone does not match")
        << json({storedSystem(QStringLiteral("old"), {storedModule(serialB, QStringLiteral("12345"))})})
        << serialA << qint64(12345)
        << QJsonArray{storedSystem(QStringLiteral("old"), {storedModule(serialB, QStringLiteral("12345"))}),
                      writtenSystem(serialA, QStringLiteral("12345"))};
    QTest::newRow("neither serial nor code matches nothing, not even nulls")
        << json({storedSystem(QStringLiteral("old"), {storedModule(null, null)})}) << QString() << qint64(-1)
        << QJsonArray{storedSystem(QStringLiteral("old"), {storedModule(null, null)}),
                      writtenSystem(null, null)};
    QTest::newRow("serial numbers are case-sensitive")
        << json({storedSystem(QStringLiteral("old"), {storedModule(serialA.toUpper(), null)})}) << serialA
        << qint64(-1)
        << QJsonArray{storedSystem(QStringLiteral("old"), {storedModule(serialA.toUpper(), null)}),
                      writtenSystem(serialA, null)};
    QTest::newRow("object instead of an array") << QByteArray(R"({"modules": []})") << serialA << qint64(0)
                                                << QJsonArray{writtenSystem(serialA, QStringLiteral("0"))};
    QTest::newRow("not JSON at all") << QByteArray("summit") << serialA << qint64(99999)
                                     << QJsonArray{writtenSystem(serialA, QStringLiteral("99999"))};
}

void TestDetectorSystemRecord::update() {
    QFETCH(QByteArray, content);
    QFETCH(QString, serial);
    QFETCH(qint64, code);
    QFETCH(QJsonArray, expected);

    if (!content.isNull()) {
        QFile file(path_);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
    }
    fwup::DeviceIdentity pod;
    pod.moduleName = QStringLiteral("pod");
    pod.hardwareVersion = 3;
    pod.softwareVersion = fwup::Version{1, 2, 3};
    if (!serial.isEmpty()) {
        pod.serialNumber = serial;
    }
    if (code >= 0) {
        pod.userVerificationCode = std::uint32_t(code);
    }
    fwup::DeviceIdentity tamarind;
    tamarind.moduleName = QStringLiteral("tamarind");
    tamarind.serialNumber = QStringLiteral("T-1");

    fwup::update_system_identity_json(path_, QStringLiteral("summit_pro_2"), {pod, tamarind});

    QCOMPARE(fwup::loadJsonArrayOfSystems(path_), expected);
    QFile file(path_);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QJsonDocument(expected).toJson(QJsonDocument::Indented));
}

void TestDetectorSystemRecord::emptyModuleListWritesNothing() {
    fwup::update_system_identity_json(path_, QStringLiteral("summit_pro_2"), {});
    QVERIFY(!QFile::exists(path_));
}

void TestDetectorSystemRecord::dualModuleSystem() {
    const auto legacyModule = [](const QString& name, const QString& version, const QString& serial,
                                 bool speculative) {
        return QJsonObject{{QStringLiteral("moduleName"), name},
                           {QStringLiteral("hardwareVersion"), 2},
                           {QStringLiteral("softwareVersion"), version},
                           {QStringLiteral("serialNumber"), serial},
                           {QStringLiteral("userVerificationCode"), QStringLiteral("4711")},
                           {QStringLiteral("isSpeculative"), speculative}};
    };
    const QJsonArray unrelated{storedSystem(QStringLiteral("x"), {storedModule(serialB, null)})};
    fwup::saveJsonArrayOfSystems(path_, unrelated);

    // A first sighting without a version, then a second one that knows it: one element remains.
    const fwup::LegacySystemIdentity second(std::nullopt, module(serialB, fwup::Version{4, 5, 6}),
                                            fwup::DetectorType::NONE, false);
    fwup::update_dual_module_system_identity(path_,
                                             fwup::LegacySystemIdentity(module(serialA, std::nullopt),
                                                                        std::nullopt,
                                                                        fwup::DetectorType::NONE, true),
                                             QStringLiteral("coil"), second, QStringLiteral("box"));
    QJsonArray expected = unrelated;
    expected.append(
        storedSystem(QStringLiteral("RDX 30"),
                     {legacyModule(QStringLiteral("coil"), QStringLiteral("0.0.0"), serialA, true),
                      legacyModule(QStringLiteral("box"), QStringLiteral("4.5.6"), serialB, false)}));
    QCOMPARE(fwup::loadJsonArrayOfSystems(path_), expected);

    fwup::update_dual_module_system_identity(
        path_,
        fwup::LegacySystemIdentity(module(serialA, fwup::Version{1, 0, 7}), std::nullopt,
                                   fwup::DetectorType::NONE, false),
        QStringLiteral("coil"), second, QStringLiteral("box"));
    expected.replace(
        1, storedSystem(QStringLiteral("RDX 30"),
                        {legacyModule(QStringLiteral("coil"), QStringLiteral("1.0.7"), serialA, false),
                         legacyModule(QStringLiteral("box"), QStringLiteral("4.5.6"), serialB, false)}));
    QCOMPARE(fwup::loadJsonArrayOfSystems(path_), expected);
}

void TestDetectorSystemRecord::hardwareVersionPair_data() {
    QTest::addColumn<quint8>("cb");
    QTest::addColumn<quint8>("pod");
    QTest::addColumn<quint16>("combined");
    QTest::newRow("zero") << quint8(0) << quint8(0) << quint16(0);
    QTest::newRow("control board high") << quint8(0x12) << quint8(0x34) << quint16(0x1234);
    QTest::newRow("pod only") << quint8(0) << quint8(0xFF) << quint16(0x00FF);
    QTest::newRow("all set") << quint8(0xFF) << quint8(0xFF) << quint16(0xFFFF);
}

void TestDetectorSystemRecord::hardwareVersionPair() {
    QFETCH(quint8, cb);
    QFETCH(quint8, pod);
    QFETCH(quint16, combined);
    QCOMPARE(fwup::combine_cb_pod_hw_version(cb, pod), combined);
    std::uint8_t splitCb = 0xAA;
    std::uint8_t splitPod = 0xAA;
    fwup::separate_cb_pod_hw_version(combined, splitCb, splitPod);
    QCOMPARE(splitCb, cb);
    QCOMPARE(splitPod, pod);
}

QTEST_GUILESS_MAIN(TestDetectorSystemRecord)
#include "tst_detector_system_record.moc"
