// Qt first: moc's preprocessor trips over <compare> when it meets it before any Qt header.
#include <QTemporaryDir>
#include <QTest>

#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/hid_detector_locator.h"
#include "fwup/coordination/lodestar_registrar.h"
#include "fwup/coordination/md_software_detector_version_checker.h"
#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/i_system_update.h"
#include "fwup/firmware/lodestar_catalog_manager.h"
#include "fwup/firmware/lodestar_firmware_image_extractor.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/identification/juniper_muppet_password_generator.h"
#include "fwup/identification/lodestar_detector_identifier.h"
#include "fwup/identification/lodestar_muppet_password_generator.h"
#include "fwup/identification/lodestar_system_identity.h"
#include "fwup/installation/lodestar_detector_updater.h"
#include "tests/support/containers/cvb_test_keys.h"
#include "tests/support/containers/firmware_metadata.h"
#include "tests/support/fake_hidapi/fake_hid_bus.h"
#include "tests/support/fake_hidapi/fake_hid_device.h"
#include "tests/support/registries/registry_reset.h"

using fwup::DetectorType;
using fwup::Version;
using LodestarFileParser = fwup::MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>;

Q_DECLARE_METATYPE(fwup::Version)

namespace {

// Whether the registry holds exactly one entry of each class, in this order.
template <typename... Entries, typename Interface>
bool holdsExactly(const QList<QSharedPointer<Interface>>& registry) {
    qsizetype at = 0;
    return registry.size() == qsizetype(sizeof...(Entries)) &&
           (... && (dynamic_cast<Entries*>(registry.at(at++).data()) != nullptr));
}

fwup::LodestarSystemIdentity lodestar(DetectorType type, Version podVersion) {
    fwup::MbuComponentIdentity pod;
    pod.softwareVersion = podVersion;
    return {std::nullopt, pod, type};
}

} // namespace

class TestLodestarRegistrar : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    void registerLodestar(bool production = true) { fwup::LodestarRegistrar(QDir(dir_.path()), production); }

private slots:
    void cleanup() {
        regtest::clear_all_registries();
        cuu::test::FakeHidBus::instance().reset();
    }

    void fillsNineRegistriesInOrder_data() {
        QTest::addColumn<bool>("production");
        QTest::newRow("production") << true;
        QTest::newRow("development") << false;
    }

    void fillsNineRegistriesInOrder() {
        QFETCH(bool, production);
        registerLodestar(production);

        using Locator = fwup::HidDetectorLocator;
        using Checker = fwup::MdSoftwareDetectorVersionChecker;
        using Extractor = fwup::LodestarFirmwareImageExtractor;
        QVERIFY((holdsExactly<Locator, Locator>(fwup::global_detector_locator_registry())));
        QVERIFY(holdsExactly<fwup::LodestarDetectorIdentifier>(fwup::global_detector_identifier_registry()));
        QVERIFY((holdsExactly<Checker, Checker>(fwup::global_detector_version_checker_registry())));
        QVERIFY((holdsExactly<fwup::LodestarMuppetPasswordGenerator, fwup::JuniperMuppetPasswordGenerator>(
            fwup::muppet_password_generator_registry())));
        QVERIFY((holdsExactly<LodestarFileParser, LodestarFileParser>(
            fwup::global_firmware_file_parser_registry())));
        QVERIFY((holdsExactly<Extractor, Extractor>(fwup::global_firmware_image_extractor_registry())));
        QVERIFY(holdsExactly<fwup::HidConnectionMechanismFactory>(
            fwup::muppet_connection_mechanism_factory_registry()));
        QVERIFY(holdsExactly<fwup::LodestarCatalogManager>(fwup::legacy_catalog_manager_registry()));
        QVERIFY(holdsExactly<fwup::LodestarDetectorUpdater>(fwup::global_detector_updater_registry()));
        QVERIFY(!fwup::global_detector_updater_registry().first()->parent());
        QCOMPARE(regtest::registry_sizes().mid(9), (QList<qsizetype>{0, 0, 0}));

        // One checker per model, each with the limit 1.79.0 and without a parent.
        const auto checkers = fwup::global_detector_version_checker_registry();
        const auto answers = [&checkers](DetectorType type, Version pod) {
            const auto identity = lodestar(type, pod);
            return QList<int>{checkers[0]->checkSupport(identity), checkers[1]->checkSupport(identity)};
        };
        QCOMPARE(answers(DetectorType::LODESTAR_MODEL_1, {1, 79, 0}), (QList<int>{2, 0}));
        QCOMPARE(answers(DetectorType::LODESTAR_MODEL_1, {1, 79, 1}), (QList<int>{1, 0}));
        QCOMPARE(answers(DetectorType::LODESTAR_MODEL_2, {1, 79, 0}), (QList<int>{0, 2}));
        QCOMPARE(answers(DetectorType::LODESTAR_MODEL_2, {1, 80, 0}), (QList<int>{0, 1}));
        QVERIFY(!checkers[0]->parent() && !checkers[1]->parent());
    }

    void locatorsListTheFamilysUsbIds() {
        registerLodestar();
        QList<std::shared_ptr<cuu::test::FakeHidDevice>> devices;
        for (const auto& [vendor, product, path] : {std::tuple{0x2E7A, 0x1321, "boot"},
                                                    {0x2E7A, 0x1320, "app"},
                                                    {0x2E7A, 0x1322, "other product"},
                                                    {0x2E7B, 0x1320, "other vendor"}}) {
            devices << std::make_shared<cuu::test::FakeHidDevice>(vendor, product, QString::fromLatin1(path));
            cuu::test::FakeHidBus::instance().plug(devices.last());
        }
        QStringList found;
        for (const auto& locator : fwup::global_detector_locator_registry()) {
            found << locator->getConnectedDetectors();
        }
        QCOMPARE(found, (QStringList{"HID::0x2e7a::0x1320::app", "HID::0x2e7a::0x1321::boot"}));
    }

    void secretsAndTagsReachTheirModel_data() {
        QTest::addColumn<bool>("registeredProduction");
        QTest::addColumn<bool>("fileProduction");
        QTest::addColumn<int>("model");
        QTest::addColumn<int>("taker"); // the parser and extractor that take the file; -1: none

        QTest::newRow("production, model 1") << true << true << 1 << 0;
        QTest::newRow("development, model 2") << false << false << 2 << 1;
        QTest::newRow("development file, production secrets") << true << false << 1 << -1;
        QTest::newRow("production file, development secrets") << false << true << 2 << -1;
    }

    void secretsAndTagsReachTheirModel() {
        QFETCH(bool, registeredProduction);
        QFETCH(bool, fileProduction);
        QFETCH(int, model);
        QFETCH(int, taker);
        registerLodestar(registeredProduction);
        cvbtest::LodestarFirmwareLayout layout;
        layout.model = model;
        cvbtest::ContainerLayout container = cvbtest::lodestarFirmware(layout);
        if (!fileProduction) {
            container.blocks[0].secret = model == 2 ? cvbtest::LodestarModel2DevelopmentSecret
                                                    : cvbtest::LodestarModel1DevelopmentSecret;
            container.blocks[1].secret = cvbtest::LodestarJuniperCpuAppDevelopmentSecret;
            container.blocks[2].secret = cvbtest::LodestarJuniperCpuNetDevelopmentSecret;
        }
        const QString path = dir_.filePath(QStringLiteral("firmware.cvb"));
        QVERIFY(cvbtest::writeContainer(path, container));

        for (int at = 0; at < 2; ++at) {
            const auto parsed = fwup::global_firmware_file_parser_registry().at(at)->parseFile(path);
            QCOMPARE(parsed.size(), std::size_t(at == taker ? 1 : 0));
            if (at == taker) {
                QCOMPARE(int(parsed.front()->detectorType()), 21 + model);
                const auto extractors = fwup::global_firmware_image_extractor_registry();
                QVERIFY(extractors.at(at)->extractFirmware(*parsed.front()));
                QVERIFY(!extractors.at(1 - at)->extractFirmware(*parsed.front()));
            }
        }
    }

    void settingsVersionTable_data() {
        QTest::addColumn<Version>("pod");
        QTest::addColumn<int>("recordVersion");
        QTest::newRow("1.75.9") << Version{1, 75, 9} << 0;
        QTest::newRow("1.76.7") << Version{1, 76, 7} << 1;
        QTest::newRow("1.76.255") << Version{1, 76, 255} << 1;
        QTest::newRow("1.77.0") << Version{1, 77, 0} << 2;
        QTest::newRow("3.0.0") << Version{3, 0, 0} << 2;
    }

    void settingsVersionTable() {
        QFETCH(Version, pod);
        QFETCH(int, recordVersion);
        const fwup::LodestarRegistrar registrar(QDir(dir_.path()), true);
        QCOMPARE(fwup::lookup_version_range(registrar.getListOfSwVerRangeToUserSettingsVer(), pod),
                 recordVersion);
    }
};

QTEST_GUILESS_MAIN(TestLodestarRegistrar)
#include "tst_lodestar_registrar.moc"
