#pragma once

namespace fwup {

// Registers the compiled-in resources (style sheet, pictures, fonts, licence texts). They live in a
// static library, whose registration the linker would otherwise drop: call this once, before the
// first resource is read. Further calls do nothing.
void initialise_resources();

} // namespace fwup
