#pragma once

class QString;

namespace fwup {
class FirmwareCatalog;
} // namespace fwup

// Tops up the catalog with the firmware that ships with the program: offers every file under the
// directory, at any depth (hidden entries and links to directories aside), to every registered
// firmware file parser and adds every firmware they find. A missing directory adds nothing; the
// parsers and the catalog log their own failures.
void importBundledFirmware(const QString& directory, fwup::FirmwareCatalog& catalog);
