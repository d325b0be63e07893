#include "fwup/communication/muppet_command_exchange.h"

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

// The exchanges the program runs, compiled once here.
namespace fwup {

using namespace cvsw::muppet::control;

template class MuppetCommandExchange<ProductTypeCommand>;
template class MuppetCommandExchange<SoftwareVersionCommand>;
template class MuppetCommandExchange<HardwareVersionCommand>;
template class MuppetCommandExchange<SerialNumberCommand>;
template class MuppetCommandExchange<UserVerificationCodeCommand>;
template class MuppetCommandExchange<ProductModelCommand>;
template class MuppetCommandExchange<UpgradeableComponentValidityCommand>;
template class MuppetCommandExchange<FilePutLpdCommand<LpdVector<unsigned short>>>;
template class MuppetCommandExchange<SoftwareResetToBootloaderCommand>;
template class MuppetCommandExchange<SoftwareResetCommand>;
template class MuppetCommandExchange<IndicateFirmwareUpgradeCommand>;
template class MuppetCommandExchange<StoreUserSettingsRecordCommand>;

} // namespace fwup
