// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QTest>

#include "fwup/identification/lodestar_system_identity.h"
#include "fwup/identification/mbu_and_tamarind_system_identity.h"

#include <functional>

using fwup::DetectorType;
using fwup::ISystemIdentity;
using fwup::LodestarSystemIdentity;
using fwup::MbuAndTamarindSystemIdentity;
using fwup::MbuComponentIdentity;
using fwup::TamarindComponentIdentity;
using fwup::UpgradeableComponent;
using fwup::Version;

namespace {

using MbuChange = std::function<void(MbuComponentIdentity&)>;
using TamarindChange = std::function<void(std::optional<TamarindComponentIdentity>&)>;
using OptionalBool = std::optional<bool>;
using Code = decltype(MbuComponentIdentity::userVerificationCode);

MbuComponentIdentity pod() {
    MbuComponentIdentity identity;
    identity.softwareVersion = Version{3, 49, 0};
    identity.hardwareRevision = 4;
    identity.productType = 144;
    identity.userVerificationCode = Code(12345);
    identity.serialNumber = QStringLiteral("00112233445566778899aabbccddeeff");
    identity.detectorType = DetectorType::LODESTAR_MODEL_1;
    identity.validityFlagA = true;
    identity.validityFlagB = true;
    return identity;
}

TamarindComponentIdentity tamarind() {
    return TamarindComponentIdentity{Version{1, 2, 3}, 7, QStringLiteral("ffeeddccbbaa99887766554433221100"),
                                     DetectorType::LODESTAR_JUNIPER, true};
}

// An identity of some other family, with the same serial number as pod().
class OtherSystemIdentity final : public ISystemIdentity {
public:
    QMap<UpgradeableComponent, Version> componentVersions() const override { return {}; }
    DetectorType detectorType() const override { return DetectorType::LODESTAR_MODEL_1; }
    QString serialNumber() const override { return pod().serialNumber; }
    bool isSameDetector(const ISystemIdentity&) const override { return false; }
    std::optional<bool> componentsValid() const override { return std::nullopt; }
    std::unique_ptr<ISystemIdentity> clone() const override {
        return std::make_unique<OtherSystemIdentity>();
    }
    bool operator==(const ISystemIdentity&) const override { return false; }
};

// Compared through the interface, as the state machine does.
bool equal(const ISystemIdentity& a, const ISystemIdentity& b) {
    return a == b;
}

} // namespace

Q_DECLARE_METATYPE(MbuChange)
Q_DECLARE_METATYPE(TamarindChange)
Q_DECLARE_METATYPE(OptionalBool)

class TestSystemIdentities : public QObject {
    Q_OBJECT

private slots:
    void mbuRecordEquality_data();
    void mbuRecordEquality();
    void baseComparison_data();
    void baseComparison();
    void lodestarComparison_data();
    void lodestarComparison();
    void comparisonWithAnotherFamily();
    void isSameDetector_data();
    void isSameDetector();
    void componentsValid_data();
    void componentsValid();
    void componentVersions_data();
    void componentVersions();
    void cloneIsOfTheBaseClass();
    void copyTakesTheSystemTypeOfTheSource();
};

void TestSystemIdentities::mbuRecordEquality_data() {
    QTest::addColumn<MbuChange>("change");
    QTest::addColumn<bool>("equal");

    QTest::newRow("same") << MbuChange([](MbuComponentIdentity&) {}) << true;
    QTest::newRow("product type 145") << MbuChange([](auto& m) { m.productType = 145; }) << true;
    QTest::newRow("version patch") << MbuChange([](auto& m) {
        m.softwareVersion = Version{3, 49, 1};
    }) << false;
    QTest::newRow("version absent") << MbuChange([](auto& m) { m.softwareVersion.reset(); }) << false;
    QTest::newRow("hardware revision") << MbuChange([](auto& m) { m.hardwareRevision = 5; }) << false;
    QTest::newRow("verification code")
        << MbuChange([](auto& m) { m.userVerificationCode = Code(12346); }) << false;
    QTest::newRow("serial case") << MbuChange([](auto& m) { m.serialNumber = m.serialNumber.toUpper(); })
                                 << false;
    QTest::newRow("detector type") << MbuChange([](auto& m) {
        m.detectorType = DetectorType::LODESTAR_MODEL_2;
    }) << false;
    QTest::newRow("speculative") << MbuChange([](auto& m) { m.isSpeculative = true; }) << false;
    QTest::newRow("flag A false") << MbuChange([](auto& m) { m.validityFlagA = false; }) << false;
    QTest::newRow("flag A absent") << MbuChange([](auto& m) { m.validityFlagA.reset(); }) << false;
    QTest::newRow("flag B absent") << MbuChange([](auto& m) { m.validityFlagB.reset(); }) << false;
}

void TestSystemIdentities::mbuRecordEquality() {
    QFETCH(MbuChange, change);
    QFETCH(bool, equal);

    MbuComponentIdentity changed = pod();
    change(changed);
    QCOMPARE(pod() == changed, equal);
    QCOMPARE(changed == pod(), equal);

    MbuComponentIdentity bothEmpty = pod();
    bothEmpty.softwareVersion.reset();
    bothEmpty.validityFlagA.reset();
    MbuComponentIdentity alsoEmpty = bothEmpty;
    QVERIFY(bothEmpty == alsoEmpty);
}

void TestSystemIdentities::baseComparison_data() {
    QTest::addColumn<MbuChange>("mbuChange");
    QTest::addColumn<TamarindChange>("tamarindChange");
    QTest::addColumn<int>("otherSystemType");
    QTest::addColumn<bool>("equal");

    const MbuChange samePod = [](MbuComponentIdentity&) {
    };
    const TamarindChange sameTamarind = [](std::optional<TamarindComponentIdentity>&) {
    };

    QTest::newRow("identical") << samePod << sameTamarind << 22 << true;
    QTest::newRow("system type") << samePod << sameTamarind << 23 << false;
    QTest::newRow("pod product type")
        << MbuChange([](auto& m) { m.productType = 145; }) << sameTamarind << 22 << true;
    QTest::newRow("pod serial") << MbuChange([](auto& m) { m.serialNumber = QStringLiteral("x"); })
                                << sameTamarind << 22 << false;
    QTest::newRow("tamarind absent") << samePod << TamarindChange([](auto& t) { t.reset(); }) << 22 << false;
    QTest::newRow("tamarind version") << samePod << TamarindChange([](auto& t) {
        t->softwareVersion = Version{1, 2, 4};
    }) << 22 << false;
    QTest::newRow("tamarind revision")
        << samePod << TamarindChange([](auto& t) { t->hardwareRevision = 8; }) << 22 << false;
    QTest::newRow("tamarind serial case")
        << samePod << TamarindChange([](auto& t) { t->serialNumber = t->serialNumber.toUpper(); }) << 22
        << false;
    QTest::newRow("tamarind type") << samePod
                                   << TamarindChange([](auto& t) { t->detectorType = DetectorType::NONE; })
                                   << 22 << false;
    QTest::newRow("tamarind verdict")
        << samePod << TamarindChange([](auto& t) { t->componentsValid.reset(); }) << 22 << false;
}

void TestSystemIdentities::baseComparison() {
    QFETCH(MbuChange, mbuChange);
    QFETCH(TamarindChange, tamarindChange);
    QFETCH(int, otherSystemType);
    QFETCH(bool, equal);

    const MbuAndTamarindSystemIdentity mine(tamarind(), pod(), DetectorType::LODESTAR_MODEL_1);
    MbuComponentIdentity otherPod = pod();
    mbuChange(otherPod);
    std::optional<TamarindComponentIdentity> otherTamarind = tamarind();
    tamarindChange(otherTamarind);
    const MbuAndTamarindSystemIdentity other(otherTamarind, otherPod,
                                             static_cast<DetectorType>(otherSystemType));

    QCOMPARE(::equal(mine, other), equal);
    QCOMPARE(::equal(other, mine), equal);

    // No Tamarind part on either side is no difference.
    const MbuAndTamarindSystemIdentity podOnly(std::nullopt, pod(), DetectorType::LODESTAR_MODEL_1);
    QVERIFY(
        ::equal(podOnly, MbuAndTamarindSystemIdentity(std::nullopt, pod(), DetectorType::LODESTAR_MODEL_1)));
}

void TestSystemIdentities::lodestarComparison_data() {
    QTest::addColumn<MbuChange>("mbuChange");
    QTest::addColumn<int>("otherSystemType");
    QTest::addColumn<bool>("equal");

    const MbuChange samePod = [](MbuComponentIdentity&) {
    };

    QTest::newRow("identical") << samePod << 22 << true;
    QTest::newRow("other model on the whole") << samePod << 23 << true;
    QTest::newRow("other model on the pod")
        << MbuChange([](auto& m) { m.detectorType = DetectorType::LODESTAR_MODEL_2; }) << 23 << true;
    QTest::newRow("bootloader product type") << MbuChange([](auto& m) { m.productType = 145; }) << 22 << true;
    QTest::newRow("not a lodestar on the whole") << samePod << 21 << false;
    QTest::newRow("not a lodestar pod")
        << MbuChange([](auto& m) { m.detectorType = DetectorType::NONE; }) << 22 << false;
    QTest::newRow("speculative") << MbuChange([](auto& m) { m.isSpeculative = true; }) << 22 << false;
    QTest::newRow("version") << MbuChange([](auto& m) { m.softwareVersion.reset(); }) << 22 << false;
    QTest::newRow("verification code")
        << MbuChange([](auto& m) { m.userVerificationCode = Code(0); }) << 22 << false;
    QTest::newRow("flag B") << MbuChange([](auto& m) { m.validityFlagB = false; }) << 22 << false;
}

void TestSystemIdentities::lodestarComparison() {
    QFETCH(MbuChange, mbuChange);
    QFETCH(int, otherSystemType);
    QFETCH(bool, equal);

    const LodestarSystemIdentity mine(tamarind(), pod(), DetectorType::LODESTAR_MODEL_1);
    MbuComponentIdentity otherPod = pod();
    mbuChange(otherPod);
    const LodestarSystemIdentity other(tamarind(), otherPod, static_cast<DetectorType>(otherSystemType));
    QCOMPARE(::equal(mine, other), equal);

    // A plain identity as the other side is compared the Lodestar way too.
    const MbuAndTamarindSystemIdentity plainOther(tamarind(), otherPod,
                                                  static_cast<DetectorType>(otherSystemType));
    QCOMPARE(::equal(mine, plainOther), equal);
}

void TestSystemIdentities::comparisonWithAnotherFamily() {
    const OtherSystemIdentity other;
    QVERIFY(!::equal(MbuAndTamarindSystemIdentity(tamarind(), pod(), DetectorType::LODESTAR_MODEL_1), other));
    QVERIFY(!::equal(LodestarSystemIdentity(tamarind(), pod(), DetectorType::LODESTAR_MODEL_1), other));
}

void TestSystemIdentities::isSameDetector_data() {
    QTest::addColumn<MbuChange>("mbuChange");
    QTest::addColumn<bool>("same");

    QTest::newRow("same serial") << MbuChange([](MbuComponentIdentity&) {}) << true;
    QTest::newRow("same serial, other version and type") << MbuChange([](auto& m) {
        m.softwareVersion.reset();
        m.detectorType = DetectorType::LODESTAR_MODEL_2;
        m.productType = 145;
        m.isSpeculative = true;
    }) << true;
    QTest::newRow("serial in upper case")
        << MbuChange([](auto& m) { m.serialNumber = m.serialNumber.toUpper(); }) << false;
    QTest::newRow("serial one longer")
        << MbuChange([](auto& m) { m.serialNumber.append(QLatin1Char('0')); }) << false;
}

void TestSystemIdentities::isSameDetector() {
    QFETCH(MbuChange, mbuChange);
    QFETCH(bool, same);

    const LodestarSystemIdentity mine(tamarind(), pod(), DetectorType::LODESTAR_MODEL_1);
    MbuComponentIdentity otherPod = pod();
    mbuChange(otherPod);
    const MbuAndTamarindSystemIdentity other(std::nullopt, otherPod, DetectorType::LODESTAR_MODEL_2);
    QCOMPARE(mine.isSameDetector(other), same);
    QCOMPARE(other.isSameDetector(mine), same);

    // Another family's identity is never the same detector, whatever its serial number.
    QVERIFY(!mine.isSameDetector(OtherSystemIdentity()));
}

void TestSystemIdentities::componentsValid_data() {
    QTest::addColumn<OptionalBool>("flagA");
    QTest::addColumn<OptionalBool>("flagB");
    QTest::addColumn<bool>("tamarindPresent");
    QTest::addColumn<OptionalBool>("tamarindVerdict");
    QTest::addColumn<OptionalBool>("result");

    const OptionalBool none;
    QTest::newRow("A empty") << none << OptionalBool(true) << true << OptionalBool(true) << none;
    QTest::newRow("B empty") << OptionalBool(true) << none << true << OptionalBool(true) << none;
    QTest::newRow("no tamarind") << OptionalBool(true) << OptionalBool(true) << false << none << none;
    QTest::newRow("tamarind without verdict")
        << OptionalBool(true) << OptionalBool(true) << true << none << none;
    QTest::newRow("all true") << OptionalBool(true) << OptionalBool(true) << true << OptionalBool(true)
                              << OptionalBool(true);
    QTest::newRow("tamarind false") << OptionalBool(true) << OptionalBool(true) << true << OptionalBool(false)
                                    << OptionalBool(false);
    QTest::newRow("A false") << OptionalBool(false) << OptionalBool(true) << true << OptionalBool(true)
                             << OptionalBool(false);
    QTest::newRow("B false") << OptionalBool(true) << OptionalBool(false) << true << OptionalBool(true)
                             << OptionalBool(false);
    QTest::newRow("A false, B empty") << OptionalBool(false) << none << true << OptionalBool(true) << none;
    QTest::newRow("A false, no tamarind verdict")
        << OptionalBool(false) << OptionalBool(false) << true << none << none;
}

void TestSystemIdentities::componentsValid() {
    QFETCH(OptionalBool, flagA);
    QFETCH(OptionalBool, flagB);
    QFETCH(bool, tamarindPresent);
    QFETCH(OptionalBool, tamarindVerdict);
    QFETCH(OptionalBool, result);

    MbuComponentIdentity mbu = pod();
    mbu.validityFlagA = flagA;
    mbu.validityFlagB = flagB;
    std::optional<TamarindComponentIdentity> sub;
    if (tamarindPresent) {
        sub = tamarind();
        sub->componentsValid = tamarindVerdict;
    }
    QCOMPARE(LodestarSystemIdentity(sub, mbu, DetectorType::LODESTAR_MODEL_1).componentsValid(), result);
}

void TestSystemIdentities::componentVersions_data() {
    QTest::addColumn<bool>("podVersionKnown");
    QTest::addColumn<bool>("tamarindPresent");
    QTest::addColumn<QList<int>>("keys");

    QTest::newRow("application with tamarind") << true << true << QList<int>{8, 10};
    QTest::newRow("bootloader with tamarind") << false << true << QList<int>{10};
    QTest::newRow("application alone") << true << false << QList<int>{8};
    QTest::newRow("bootloader alone") << false << false << QList<int>{};
}

void TestSystemIdentities::componentVersions() {
    QFETCH(bool, podVersionKnown);
    QFETCH(bool, tamarindPresent);
    QFETCH(QList<int>, keys);

    MbuComponentIdentity mbu = pod();
    if (!podVersionKnown) {
        mbu.softwareVersion.reset();
    }
    std::optional<TamarindComponentIdentity> sub;
    if (tamarindPresent) {
        sub = tamarind();
    }
    const MbuAndTamarindSystemIdentity identity(sub, mbu, DetectorType::LODESTAR_MODEL_2);
    const auto versions = identity.componentVersions();
    QList<int> actualKeys;
    for (UpgradeableComponent key : versions.keys()) {
        actualKeys << static_cast<int>(key);
    }
    QCOMPARE(actualKeys, keys);
    if (podVersionKnown) {
        QVERIFY(versions.value(UpgradeableComponent::CONTROL_POD) == (Version{3, 49, 0}));
    }
    if (tamarindPresent) {
        QVERIFY(versions.value(UpgradeableComponent::TAMARIND) == (Version{1, 2, 3}));
    }
    QCOMPARE(identity.detectorType(), DetectorType::LODESTAR_MODEL_2);
    QCOMPARE(identity.serialNumber(), pod().serialNumber);
}

void TestSystemIdentities::cloneIsOfTheBaseClass() {
    const LodestarSystemIdentity model2(tamarind(), pod(), DetectorType::LODESTAR_MODEL_2);
    const LodestarSystemIdentity model1(tamarind(), pod(), DetectorType::LODESTAR_MODEL_1);
    QVERIFY(::equal(model2, model1));

    const std::unique_ptr<ISystemIdentity> copy = model2.clone();
    QVERIFY(dynamic_cast<const LodestarSystemIdentity*>(copy.get()) == nullptr);
    QVERIFY(dynamic_cast<const MbuAndTamarindSystemIdentity*>(copy.get()) != nullptr);
    QCOMPARE(copy->detectorType(), DetectorType::LODESTAR_MODEL_2);
    QVERIFY(::equal(*copy, model2));
    // The copy compares the base way, which looks at the system type.
    QVERIFY(!::equal(*copy, model1));
    QVERIFY(copy->isSameDetector(model1));
}

void TestSystemIdentities::copyTakesTheSystemTypeOfTheSource() {
    // A subclass that reports its own type: the copy keeps what the source reported.
    class ReportsModel2 final : public MbuAndTamarindSystemIdentity {
    public:
        using MbuAndTamarindSystemIdentity::MbuAndTamarindSystemIdentity;
        DetectorType detectorType() const override { return DetectorType::LODESTAR_MODEL_2; }
    };
    const ReportsModel2 source(tamarind(), pod(), DetectorType::LODESTAR_MODEL_1);
    const MbuAndTamarindSystemIdentity copy(source);
    QCOMPARE(copy.detectorType(), DetectorType::LODESTAR_MODEL_2);
    QVERIFY(copy.tamarindIdentity() == source.tamarindIdentity());
    QVERIFY(copy.mbuIdentity() == source.mbuIdentity());
}

QTEST_GUILESS_MAIN(TestSystemIdentities)

#include "tst_system_identities.moc"
