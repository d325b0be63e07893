#pragma once

#include "muppet/version.h"

class QString;

namespace fwup {

// Reads the text form of a version ("1.2.3", optionally with one "-suffix", which is ignored). Never
// fails: text that is not a version, or has a part above 255, gives 0.0.0.
Version parse_version_string(const QString& text);

} // namespace fwup
