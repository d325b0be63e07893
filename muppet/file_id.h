#pragma once

#include <cstdint>

namespace cvsw::corvane {

// A file on the detector that "file put" writes: 11000 is the control pod's MBU image, 11081 and
// 11082 the Tamarind CPUAPP and CPUNET images.
using FileId = std::uint16_t;

} // namespace cvsw::corvane
