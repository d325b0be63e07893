// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QTest>

#include "fwup/coordination/bt_software_firmware_version_checker.h"
#include "fwup/coordination/md_software_detector_version_checker.h"
#include "fwup/coordination/md_software_firmware_version_checker.h"
#include "fwup/identification/lodestar_system_identity.h"

using fwup::DetectorType;
using fwup::UpgradeableComponent;
using fwup::Version;
using Versions = QMap<UpgradeableComponent, Version>;

Q_DECLARE_METATYPE(Versions)
Q_DECLARE_METATYPE(fwup::Version)

namespace {

enum Checker { Detector, PodFirmware, TamarindFirmware };

constexpr auto Model1 = DetectorType::LODESTAR_MODEL_1;
constexpr auto Model2 = DetectorType::LODESTAR_MODEL_2;
constexpr auto Pod = UpgradeableComponent::CONTROL_POD;
constexpr auto Tamarind = UpgradeableComponent::TAMARIND;
const Version Limit{1, 79, 0};

fwup::LodestarSystemIdentity identity(DetectorType type, const Versions& installed) {
    fwup::MbuComponentIdentity pod;
    if (installed.contains(Pod)) {
        pod.softwareVersion = installed.value(Pod);
    }
    std::optional<fwup::TamarindComponentIdentity> tamarind;
    if (installed.contains(Tamarind)) {
        tamarind.emplace().softwareVersion = installed.value(Tamarind);
    }
    return {tamarind, pod, type};
}

} // namespace

class TestVersionCheckers : public QObject {
    Q_OBJECT

private slots:
    void answers_data() {
        QTest::addColumn<int>("checker"); // answering for model 1
        QTest::addColumn<Version>("maximum");
        QTest::addColumn<int>("askedType");
        QTest::addColumn<Versions>("versions");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("critical"); // logged at each call, when not empty

        const auto row = [](const char* name, Checker checker, Version maximum, DetectorType type,
                            Versions versions, int answer, const QString& critical = {}) {
            QTest::newRow(name) << int(checker) << maximum << int(type) << versions << answer << critical;
        };
        row("detector: equal to the maximum", Detector, Limit, Model1, {{Pod, {1, 79, 0}}}, 2);
        row("detector: older", Detector, Limit, Model1, {{Pod, {1, 78, 255}}}, 2);
        row("detector: newer patch", Detector, Limit, Model1, {{Pod, {1, 79, 1}}}, 1);
        row("detector: newer minor", Detector, Limit, Model1, {{Pod, {1, 80, 0}}}, 1);
        row("detector: only Tamarind newer", Detector, Limit, Model1,
            {{Pod, {1, 0, 0}}, {Tamarind, {9, 0, 0}}}, 2);
        row("detector: other type", Detector, Limit, Model2, {{Pod, {1, 80, 0}}}, 0);
        row("detector: no limit, no pod", Detector, {}, Model1, {}, 2);
        row("detector: no pod", Detector, Limit, Model1, {{Tamarind, {1, 0, 0}}}, 0,
            QStringLiteral("Expected to find a Control Pod version for system SUMMIT PRO"));
        row("pod firmware: newer", PodFirmware, Limit, Model1, {{Pod, {1, 79, 1}}}, 1);
        row("pod firmware: none", PodFirmware, Limit, Model1, {{Tamarind, {9, 0, 0}}}, 2);
        row("pod firmware: other type", PodFirmware, Limit, Model2, {{Pod, {9, 0, 0}}}, 0);
        row("pod firmware: no limit", PodFirmware, {}, Model1, {{Pod, {9, 0, 0}}}, 2);
        row("Tamarind firmware: newer", TamarindFirmware, Limit, Model1,
            {{Pod, {1, 0, 0}}, {Tamarind, {1, 80, 0}}}, 1);
        row("Tamarind firmware: none", TamarindFirmware, Limit, Model1, {{Pod, {9, 0, 0}}}, 2);
        row("Tamarind firmware: other type", TamarindFirmware, Limit, Model2, {{Tamarind, {9, 0, 0}}}, 0);
    }

    void answers() {
        QFETCH(int, checker);
        QFETCH(Version, maximum);
        QFETCH(int, askedType);
        QFETCH(Versions, versions);
        QFETCH(int, answer);
        QFETCH(QString, critical);

        const auto type = DetectorType(askedType);
        const fwup::FirmwareUpdateStateMachine::AvailableFirmware firmware{versions, true, 100};
        fwup::MdSoftwareDetectorVersionChecker detector(Model1, maximum);
        fwup::MdSoftwareFirmwareVersionChecker pod(Model1, maximum);
        fwup::BtSoftwareFirmwareVersionChecker tamarind(Model1, maximum);
        // Asked twice: a checker keeps no state.
        for (int call = 0; call < 2; ++call) {
            if (!critical.isEmpty()) {
                QTest::ignoreMessage(QtCriticalMsg, qPrintable(critical));
            }
            QCOMPARE(checker == Detector      ? detector.checkSupport(identity(type, versions))
                     : checker == PodFirmware ? pod.checkSupport(type, firmware)
                                              : tamarind.checkSupport(type, firmware),
                     answer);
        }
    }
};

QTEST_GUILESS_MAIN(TestVersionCheckers)
#include "tst_version_checkers.moc"
