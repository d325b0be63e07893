#include "fwup/communication/muppet_command_exchange_base.h"

namespace fwup {

MuppetCommandExchangeBase::MuppetCommandExchangeBase() = default;
MuppetCommandExchangeBase::~MuppetCommandExchangeBase() = default;

} // namespace fwup
