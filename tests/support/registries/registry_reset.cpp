#include "tests/support/registries/registry_reset.h"

#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/detector_locator.h"
#include "fwup/coordination/detector_upgrade_readiness_checker.h"
#include "fwup/coordination/detector_version_checker.h"
#include "fwup/coordination/firmware_version_checker.h"
#include "fwup/coordination/remote_firmware_locator.h"
#include "fwup/firmware/firmware_file_parser.h"
#include "fwup/firmware/firmware_image_extractor.h"
#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/muppet_password_generator.h"
#include "fwup/installation/detector_updater.h"

namespace regtest {

void clear_all_registries() {
    fwup::global_detector_locator_registry().clear();
    fwup::global_detector_identifier_registry().clear();
    fwup::global_detector_updater_registry().clear();
    fwup::global_detector_version_checker_registry().clear();
    fwup::global_firmware_file_parser_registry().clear();
    fwup::global_firmware_image_extractor_registry().clear();
    fwup::global_firmware_version_checker_registry().clear();
    fwup::global_remote_firmware_locator_registry().clear();
    fwup::global_detector_upgrade_status_checker_registry().clear();
    fwup::muppet_connection_mechanism_factory_registry().clear();
    fwup::muppet_password_generator_registry().clear();
    fwup::legacy_catalog_manager_registry().clear();
}

QList<qsizetype> registry_sizes() {
    return {fwup::global_detector_locator_registry().size(),
            fwup::global_detector_identifier_registry().size(),
            fwup::global_detector_updater_registry().size(),
            fwup::global_detector_version_checker_registry().size(),
            fwup::muppet_password_generator_registry().size(),
            fwup::global_firmware_file_parser_registry().size(),
            fwup::global_firmware_image_extractor_registry().size(),
            fwup::muppet_connection_mechanism_factory_registry().size(),
            fwup::legacy_catalog_manager_registry().size(),
            fwup::global_firmware_version_checker_registry().size(),
            fwup::global_remote_firmware_locator_registry().size(),
            fwup::global_detector_upgrade_status_checker_registry().size()};
}

} // namespace regtest
