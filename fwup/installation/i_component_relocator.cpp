#include "fwup/installation/i_component_relocator.h"

namespace fwup {

IComponentRelocator::~IComponentRelocator() = default;

} // namespace fwup
