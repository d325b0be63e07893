#include "security/software_component.h"

namespace cvsw::eaf {

SoftwareComponent::~SoftwareComponent() = default;

} // namespace cvsw::eaf
