#pragma once

#include <QString>

namespace fwup {

// Adds the program's fonts to the application's font database, once per process. The compiled-in
// resources must be initialised first.
void register_window_fonts();

// The window's style sheet with its background picture filled in; empty when it cannot be read.
QString window_style_sheet();

} // namespace fwup
