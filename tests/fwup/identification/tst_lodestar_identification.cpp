// Whole Lodestar systems identified through the program's own link stack: the hidapi stand-in,
// the HID factory, Mcobs1 framing and the pod's tunnel to its Tamarind sub-system.
#include <QTest>

#include "simulated_system_fixture.h"

#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/lodestar_detector_identifier.h"
#include "fwup/identification/lodestar_identifier_customisations.h"
#include "fwup/identification/lodestar_system_identity.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace identification_test;
using fwup::DetectorType;
using fwup::UpgradeableComponent;
using fwup::Version;
using PodMode = SimulatedDetector::PodMode;
using OptionalBool = std::optional<bool>;

Q_DECLARE_METATYPE(PodMode)
Q_DECLARE_METATYPE(OptionalBool)

namespace {

constexpr std::uint32_t POD_CODE = 4321;

QJsonObject entry(const QString& serial, const QString& name, const QString& code) {
    return QJsonObject{{QStringLiteral("serialNumber"), serial},
                       {QStringLiteral("detectorType"), name},
                       {QStringLiteral("userVerificationCode"), code}};
}

QJsonArray readRecord(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).array() : QJsonArray();
}

void writeRecord(const QString& path, const QJsonArray& records) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(records).toJson());
}

bool tunnelOpened(const SimulatedDetector& detector) {
    return !detector.linkEvents().filter(QStringLiteral("tunnel set-up")).isEmpty();
}

const fwup::LodestarSystemIdentity& asLodestar(const fwup::ISystemIdentity& identity) {
    return dynamic_cast<const fwup::LodestarSystemIdentity&>(identity);
}

} // namespace

class TestLodestarIdentification : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void identifiesSystem_data();
    void identifiesSystem();
    void podStepFailures_data();
    void podStepFailures();
    void tamarindOutcomes_data();
    void tamarindOutcomes();
    void withoutRecordPath();
    void podValidityUnanswered();
    void lodestarValidityFlags_data();
    void lodestarValidityFlags();
    void lodestarRecordNames_data();
    void lodestarRecordNames();
    void registryIsFilledOnlyByRegistration();

private:
    std::unique_ptr<fwup::ISystemIdentity> identify(bool withRecord = true);

    QTemporaryDir dir_;
    QString recordPath_;
    std::unique_ptr<SimulatedDetector> detector_;
};

void TestLodestarIdentification::initTestCase() {
    registerLinkStack();
}

void TestLodestarIdentification::cleanupTestCase() {
    unregisterLinkStack();
}

void TestLodestarIdentification::init() {
    QVERIFY(dir_.isValid());
    recordPath_ = dir_.filePath(QStringLiteral("summit_index.json"));
    QFile::remove(recordPath_);
}

void TestLodestarIdentification::cleanup() {
    detector_.reset();
    cuu::test::FakeHidBus::instance().reset();
}

std::unique_ptr<fwup::ISystemIdentity> TestLodestarIdentification::identify(bool withRecord) {
    fwup::LodestarDetectorIdentifier identifier(
        withRecord ? std::optional<const QString>(recordPath_) : std::nullopt, shortTiming());
    return identifier.identifyDetector(detector_->location());
}

void TestLodestarIdentification::identifiesSystem_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<int>("podModel");
    QTest::addColumn<bool>("tamarindPresent");
    QTest::addColumn<QString>("recordedName");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("speculative");
    QTest::addColumn<QString>("nameWritten");
    QTest::addColumn<bool>("tamarindIdentified");
    QTest::addColumn<OptionalBool>("componentsValid");

    const PodMode app = PodMode::Application;
    const PodMode boot = PodMode::Bootloader;
    QTest::newRow("application, model 1") << app << 1 << true << QString() << 22 << false
                                          << QStringLiteral("summit_pro") << true << OptionalBool(true);
    QTest::newRow("application, model 2") << app << 2 << true << QString() << 23 << false
                                          << QStringLiteral("summit_pro_2") << true << OptionalBool(true);
    QTest::newRow("application, model 2 recorded as a guess")
        << app << 2 << true << QStringLiteral("speculativeSummitPro") << 23 << false
        << QStringLiteral("summit_pro_2") << true << OptionalBool(true);
    QTest::newRow("application, tamarind silent") << app << 1 << false << QString() << 22 << false
                                                  << QStringLiteral("summit_pro") << false << OptionalBool();
    QTest::newRow("bootloader, not recorded")
        << boot << 2 << true << QString() << 22 << true << QStringLiteral("speculativeSummitPro") << false
        << OptionalBool();
    QTest::newRow("bootloader, recorded as model 2")
        << boot << 1 << true << QStringLiteral("summit_pro_2") << 23 << false
        << QStringLiteral("summit_pro_2") << false << OptionalBool();
    QTest::newRow("bootloader, guessed as model 2 before")
        << boot << 1 << true << QStringLiteral("speculativeSummitPro2") << 23 << true
        << QStringLiteral("speculativeSummitPro2") << false << OptionalBool();
}

void TestLodestarIdentification::identifiesSystem() {
    QFETCH(PodMode, mode);
    QFETCH(int, podModel);
    QFETCH(bool, tamarindPresent);
    QFETCH(QString, recordedName);
    QFETCH(int, type);
    QFETCH(bool, speculative);
    QFETCH(QString, nameWritten);
    QFETCH(bool, tamarindIdentified);
    QFETCH(OptionalBool, componentsValid);

    detector_ = plugDetector(mode);
    SimulatedComponent& pod = detector_->pod();
    SimulatedComponent& tamarind = detector_->tamarind();
    pod.setModel(static_cast<std::uint8_t>(podModel));
    pod.setUserVerificationCode(POD_CODE);
    pod.setHardwareRevision(6);
    tamarind.setHardwareRevision(9);
    detector_->setTamarindPresent(tamarindPresent);
    const QJsonObject otherDetector =
        entry(QStringLiteral("00"), QStringLiteral("summit_pro"), QStringLiteral("1"));
    QJsonArray records{otherDetector};
    if (!recordedName.isEmpty()) {
        records.append(entry(pod.serialNumberText(), recordedName, QStringLiteral("1")));
    }
    writeRecord(recordPath_, records);

    const std::unique_ptr<fwup::ISystemIdentity> identity = identify();
    QVERIFY(identity);
    const fwup::LodestarSystemIdentity& lodestar = asLodestar(*identity);

    QCOMPARE(identity->detectorType(), static_cast<DetectorType>(type));
    QCOMPARE(identity->serialNumber(), pod.serialNumberText());
    QCOMPARE(identity->componentsValid(), componentsValid);
    QCOMPARE(lodestar.mbuIdentity().isSpeculative, speculative);
    QCOMPARE(lodestar.mbuIdentity().hardwareRevision, std::uint8_t(6));
    QCOMPARE(lodestar.mbuIdentity().userVerificationCode.value(), POD_CODE);
    QCOMPARE(lodestar.mbuIdentity().productType, mode == PodMode::Application ? 144 : 145);

    const auto versions = identity->componentVersions();
    const Version tamarindVersion = tamarindIdentified ? tamarind.softwareVersion() : Version{};
    QVERIFY(versions.value(UpgradeableComponent::TAMARIND) == tamarindVersion);
    QCOMPARE(versions.contains(UpgradeableComponent::CONTROL_POD), mode == PodMode::Application);
    if (mode == PodMode::Application) {
        QVERIFY(versions.value(UpgradeableComponent::CONTROL_POD) == pod.softwareVersion());
    }
    QCOMPARE(lodestar.tamarindIdentity()->detectorType, DetectorType::LODESTAR_JUNIPER);
    QCOMPARE(lodestar.tamarindIdentity()->serialNumber,
             tamarindIdentified ? tamarind.serialNumberText() : QString());
    QCOMPARE(lodestar.tamarindIdentity()->hardwareRevision, std::uint8_t(tamarindIdentified ? 9 : 0));

    // The chains the device saw, in order.
    const QStringList podChain = mode == PodMode::Application ? APPLICATION_CHAIN : BOOTLOADER_CHAIN;
    QCOMPARE(pod.requestLog(), QStringList{QStringLiteral("GET 20")} + podChain);
    QCOMPARE(tamarind.requestLog(),
             tamarindIdentified ? QStringList{QStringLiteral("GET 20")} + TAMARIND_CHAIN : QStringList());
    QVERIFY(pod.isOperatorLoggedIn());

    QJsonArray expected{otherDetector, entry(pod.serialNumberText(), nameWritten, QString::number(POD_CODE))};
    if (tamarindIdentified) {
        expected.append(entry(tamarind.serialNumberText(), QStringLiteral("summit_pro_bluetooth"),
                              QStringLiteral("100000")));
    }
    QCOMPARE(readRecord(recordPath_), expected);
}

void TestLodestarIdentification::podStepFailures_data() {
    QTest::addColumn<PodMode>("mode");
    QTest::addColumn<int>("podAnswersType");
    QTest::addColumn<int>("podModel");
    QTest::addColumn<QString>("recordedName");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("product type 161 on the pod's link")
        << PodMode::Application << 161 << 1 << QString()
        << QStringList{
               QStringLiteral("Received unsupported device product type NORDIC_BLUETOOTH_LE_GATEWAY")};
    QTest::newRow("model 3") << PodMode::Application << 144 << 3 << QString()
                             << QStringList{
                                    QStringLiteral("detector type is not lodestar"),
                                    QStringLiteral("Received product details do not represent a known "
                                                   "product type  LODESTAR_CONTROL_POD 3")};
    QTest::newRow("model 0 until the polls run out")
        << PodMode::Application << 144 << 0 << QString()
        << QStringList{QStringLiteral("Gave up waiting product model to become valid"),
                       QStringLiteral("Identification Failed")};
    QTest::newRow("record names no lodestar")
        << PodMode::Bootloader << 145 << 1 << QStringLiteral("summit")
        << QStringList{QStringLiteral("Cannot determine system type from name  \"summit\"")};
}

void TestLodestarIdentification::podStepFailures() {
    QFETCH(PodMode, mode);
    QFETCH(int, podAnswersType);
    QFETCH(int, podModel);
    QFETCH(QString, recordedName);
    QFETCH(QStringList, messages);

    detector_ = plugDetector(mode);
    detector_->pod().setPersonality(static_cast<SimulatedComponent::Personality>(podAnswersType));
    detector_->pod().setModel(static_cast<std::uint8_t>(podModel));
    const QJsonArray records{entry(detector_->pod().serialNumberText(), recordedName, QStringLiteral("1"))};
    if (!recordedName.isEmpty()) {
        writeRecord(recordPath_, records);
    }

    for (const QString& message : messages) {
        QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
    }
    QVERIFY(!identify());
    QVERIFY(!tunnelOpened(*detector_));
    QVERIFY(detector_->tamarind().requestLog().isEmpty());
    QCOMPARE(readRecord(recordPath_), recordedName.isEmpty() ? QJsonArray() : records);
}

void TestLodestarIdentification::tamarindOutcomes_data() {
    QTest::addColumn<int>("tamarindType");
    QTest::addColumn<int>("tamarindModel");
    QTest::addColumn<int>("validFlags");
    QTest::addColumn<int>("incompletePolls");
    QTest::addColumn<bool>("identified");
    QTest::addColumn<OptionalBool>("tamarindValid");
    QTest::addColumn<QString>("message");

    QTest::newRow("all masked bits set") << 161 << 1 << 0b101 << 0 << true << OptionalBool(true) << QString();
    QTest::newRow("a masked bit clear") << 161 << 1 << 0b001 << 0 << true << OptionalBool(false) << QString();
    QTest::newRow("check completes on poll 45")
        << 161 << 1 << 0b101 << 44 << true << OptionalBool(true) << QString();
    QTest::newRow("check never completes")
        << 161 << 1 << 0b101 << 45 << true << OptionalBool()
        << QStringLiteral("Gave up waiting component validity check to complete");
    QTest::newRow("answers as a bootloader")
        << 145 << 1 << 0b101 << 0 << false << OptionalBool()
        << QStringLiteral("Received unsupported device product type LODESTAR_CONTROL_POD_BOOTLOADER");
    QTest::newRow("model 2") << 161 << 2 << 0b101 << 0 << false << OptionalBool()
                             << QStringLiteral(
                                    "Received product details do not represent a known product type  "
                                    "NORDIC_BLUETOOTH_LE_GATEWAY 2");
}

void TestLodestarIdentification::tamarindOutcomes() {
    QFETCH(int, tamarindType);
    QFETCH(int, tamarindModel);
    QFETCH(int, validFlags);
    QFETCH(int, incompletePolls);
    QFETCH(bool, identified);
    QFETCH(OptionalBool, tamarindValid);
    QFETCH(QString, message);

    detector_ = plugDetector(PodMode::Application);
    SimulatedComponent& tamarind = detector_->tamarind();
    tamarind.setPersonality(static_cast<SimulatedComponent::Personality>(tamarindType));
    tamarind.setModel(static_cast<std::uint8_t>(tamarindModel));
    tamarind.setValidity(true, static_cast<std::uint32_t>(validFlags), 0b101);
    tamarind.setValidityIncompletePolls(incompletePolls);
    if (!message.isEmpty()) {
        QTest::ignoreMessage(QtDebugMsg, message.toUtf8().constData());
    }

    const std::unique_ptr<fwup::ISystemIdentity> identity = identify();
    QVERIFY(identity);
    const auto& part = *asLodestar(*identity).tamarindIdentity();
    QCOMPARE(part.serialNumber, identified ? tamarind.serialNumberText() : QString());
    QCOMPARE(part.componentsValid, tamarindValid);
    QCOMPARE(identity->componentsValid(), tamarindValid);
    QCOMPARE(tamarind.requestCount(111),
             tamarindType == 161 ? 1 + incompletePolls - (incompletePolls == 45) : 0);
    QCOMPARE(readRecord(recordPath_).size(), identified ? 2 : 1);
}

void TestLodestarIdentification::withoutRecordPath() {
    detector_ = plugDetector(PodMode::Bootloader);
    detector_->pod().setModel(2);
    const std::unique_ptr<fwup::ISystemIdentity> identity = identify(false);
    QVERIFY(identity);
    QCOMPARE(identity->detectorType(), DetectorType::LODESTAR_MODEL_1);
    QVERIFY(asLodestar(*identity).mbuIdentity().isSpeculative);
    QVERIFY(QDir(dir_.path()).isEmpty());
}

void TestLodestarIdentification::podValidityUnanswered() {
    detector_ = plugDetector(PodMode::Application);
    detector_->pod().setValidityIncompletePolls(5);
    const std::unique_ptr<fwup::ISystemIdentity> identity = identify();
    QVERIFY(identity);
    const fwup::MbuComponentIdentity& pod = asLodestar(*identity).mbuIdentity();
    QVERIFY(!pod.validityFlagA.has_value());
    QVERIFY(!pod.validityFlagB.has_value());
    QCOMPARE(identity->componentsValid(), OptionalBool());
    QCOMPARE(asLodestar(*identity).tamarindIdentity()->componentsValid, OptionalBool(true));
}

void TestLodestarIdentification::lodestarValidityFlags_data() {
    QTest::addColumn<uint>("flags");
    QTest::addColumn<uint>("mask");
    QTest::addColumn<bool>("podA");
    QTest::addColumn<bool>("podB");

    QTest::newRow("all set") << 0b11u << 0b11u << true << true;
    QTest::newRow("bit 1 clear") << 0b01u << 0b11u << false << false;
    QTest::newRow("bit 1 set, not masked") << 0b110u << 0b100u << false << true;
    QTest::newRow("bit 1 set, other masked bit clear") << 0b010u << 0b110u << true << false;
    QTest::newRow("empty mask") << 0u << 0u << false << true;
}

// The Tamarind verdict follows the pod's second rule.
void TestLodestarIdentification::lodestarValidityFlags() {
    QFETCH(uint, flags);
    QFETCH(uint, mask);
    QFETCH(bool, podA);
    QFETCH(bool, podB);

    QCOMPARE(fwup::lodestar_mbu_identifier_customisations().validityFlagA(flags, mask), podA);
    QCOMPARE(fwup::lodestar_mbu_identifier_customisations().validityFlagB(flags, mask), podB);
    QCOMPARE(fwup::lodestar_tamarind_customisations().validityFlag(flags, mask), podB);
}

void TestLodestarIdentification::lodestarRecordNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("podType");
    QTest::addColumn<int>("tamarindType");

    QTest::newRow("summit_pro") << QStringLiteral("summit_pro") << 22 << 0;
    QTest::newRow("speculativeSummitPro") << QStringLiteral("speculativeSummitPro") << 22 << 0;
    QTest::newRow("summit_pro_2") << QStringLiteral("summit_pro_2") << 23 << 0;
    QTest::newRow("speculativeSummitPro2") << QStringLiteral("speculativeSummitPro2") << 23 << 0;
    QTest::newRow("summit_pro_bluetooth") << QStringLiteral("summit_pro_bluetooth") << 0 << 21;
    QTest::newRow("case differs") << QStringLiteral("Summit_Pro") << 0 << 0;
}

// 0 stands for no type.
void TestLodestarIdentification::lodestarRecordNames() {
    QFETCH(QString, name);
    QFETCH(int, podType);
    QFETCH(int, tamarindType);

    const auto& mbu = fwup::lodestar_mbu_identifier_customisations();
    QCOMPARE(static_cast<int>(mbu.detectorTypeFromName(name).value_or(DetectorType::NONE)), podType);
    QCOMPARE(static_cast<int>(fwup::lodestar_tamarind_customisations().detectorTypeFromName(name).value_or(
                 DetectorType::NONE)),
             tamarindType);
    if (podType != 0) {
        const auto type = static_cast<DetectorType>(podType);
        const bool guessed = name.startsWith(QLatin1String("speculative"));
        QCOMPARE(guessed ? mbu.speculativeDetectorName(type) : mbu.detectorName(type),
                 std::optional<QString>(name));
    }
}

void TestLodestarIdentification::registryIsFilledOnlyByRegistration() {
    auto& registry = fwup::global_detector_identifier_registry();
    QVERIFY(registry.isEmpty());
    QCOMPARE(&fwup::global_detector_identifier_registry(), &registry);
}

QTEST_GUILESS_MAIN(TestLodestarIdentification)

#include "tst_lodestar_identification.moc"
