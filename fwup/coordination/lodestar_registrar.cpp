#include "fwup/coordination/lodestar_registrar.h"

#include "fwup/communication/detector_locator.h"
#include "fwup/communication/hid_connection_mechanism_factory.h"
#include "fwup/communication/hid_detector_locator.h"
#include "fwup/coordination/application_configuration.h"
#include "fwup/coordination/detector_support.h"
#include "fwup/coordination/md_software_detector_version_checker.h"
#include "fwup/firmware/firmware_image_extractor.h"
#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/lodestar_block_secrets.h"
#include "fwup/firmware/lodestar_catalog_manager.h"
#include "fwup/firmware/lodestar_firmware_image_extractor.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/juniper_muppet_password_generator.h"
#include "fwup/identification/lodestar_detector_identifier.h"
#include "fwup/identification/lodestar_muppet_password_generator.h"
#include "fwup/installation/detector_updater.h"
#include "fwup/installation/lodestar_detector_updater.h"

#include <QSharedPointer>

#include <optional>

namespace fwup {

namespace {

using LodestarFileParser = MbuAndTamarindFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>;

// Makes the entry and appends it, unless the registry already holds that very object.
template <typename Entry, typename Interface, typename... Arguments>
void add(QList<QSharedPointer<Interface>>& registry, Arguments&&... arguments) {
    const QSharedPointer<Interface> entry =
        QSharedPointer<Entry>::create(std::forward<Arguments>(arguments)...);
    if (!registry.contains(entry)) {
        registry.append(entry);
    }
}

} // namespace

LodestarRegistrar::LodestarRegistrar(const QDir& dataDirectory, bool production) {
    for (const quint16 productId : USB_PRODUCT_IDS) {
        add<HidDetectorLocator>(global_detector_locator_registry(), USB_VENDOR_ID, productId);
    }
    add<LodestarDetectorIdentifier>(
        global_detector_identifier_registry(),
        std::optional<const QString>(dataDirectory.absoluteFilePath(QString::fromLatin1(RECORD_FILE_NAME))));
    add<LodestarDetectorUpdater>(global_detector_updater_registry(), getListOfSwVerRangeToUserSettingsVer());
    for (const DetectorType type : {DetectorType::LODESTAR_MODEL_1, DetectorType::LODESTAR_MODEL_2}) {
        add<MdSoftwareDetectorVersionChecker>(global_detector_version_checker_registry(), type,
                                              HIGHEST_SUPPORTED_VERSION);
    }
    add<LodestarMuppetPasswordGenerator>(muppet_password_generator_registry());
    add<JuniperMuppetPasswordGenerator>(muppet_password_generator_registry());

    const LodestarBlockSecrets secrets = lodestar_block_secrets(production);
    add<LodestarFileParser>(global_firmware_file_parser_registry(), CONTROL_POD_MODEL_1_TAG, CPU_APP_TAG,
                            CPU_NET_TAG, secrets.controlPodModel1, secrets.cpuApp, secrets.cpuNet,
                            DetectorType::LODESTAR_MODEL_1);
    add<LodestarFileParser>(global_firmware_file_parser_registry(), CONTROL_POD_MODEL_2_TAG, CPU_APP_TAG,
                            CPU_NET_TAG, secrets.controlPodModel2, secrets.cpuApp, secrets.cpuNet,
                            DetectorType::LODESTAR_MODEL_2);
    add<LodestarFirmwareImageExtractor>(global_firmware_image_extractor_registry(), CONTROL_POD_MODEL_1_TAG,
                                        secrets.controlPodModel1, secrets.cpuApp, secrets.cpuNet);
    add<LodestarFirmwareImageExtractor>(global_firmware_image_extractor_registry(), CONTROL_POD_MODEL_2_TAG,
                                        secrets.controlPodModel2, secrets.cpuApp, secrets.cpuNet);

    add<HidConnectionMechanismFactory>(muppet_connection_mechanism_factory_registry(),
                                       HidConnectionMechanismFactory::MCOBS1_CODEC_FACTORY);
    add<LodestarCatalogManager>(legacy_catalog_manager_registry());
}

QList<std::pair<VersionRange, int>> LodestarRegistrar::getListOfSwVerRangeToUserSettingsVer() const {
    return {
        {VersionRange{{1, 76, 0}, {1, 76, 255}}, 1},
        {VersionRange{{1, 77, 0}, {255, 255, 255}}, 2},
    };
}

void register_lodestar_detector_support(const ApplicationConfiguration& config) {
    LodestarRegistrar(config.dataDirectory, config.production);
}

} // namespace fwup

// Nothing names this object file, so a static link would drop it with its registration; programs
// that run the detector-support list keep it by naming this symbol (cuu_keep_detector_support in
// fwup/coordination/CMakeLists.txt).
extern "C" const bool cuu_lodestar_detector_support_registered =
    (fwup::add_detector_support(fwup::register_lodestar_detector_support), true);
