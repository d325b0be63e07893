#pragma once

#include "fwup/identification/ranged_integer.h"

namespace fwup {

// Every progress report of the installation: a percentage that cannot leave 0..100.
using ProgressPercentage = cvsw::v2::RangedInteger<unsigned char, 0, 100>;

} // namespace fwup
