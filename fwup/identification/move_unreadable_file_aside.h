#pragma once

#include <QString>

namespace fwup {

// Renames a file that exists but could not be read or parsed to "<name>.unreadable-<UTC time>" beside
// it, with a warning, so that the fresh file written in its place never destroys what it held; a person
// can still mend it or take entries from it. An empty file holds nothing and is left where it is.
// Returns false, after a warning, when the file is still in place: the caller must then not overwrite it.
bool move_unreadable_file_aside(const QString& path);

} // namespace fwup
