#pragma once

#include "fwup/firmware/firmware_catalog.h"

#include <memory>

class QDir;

namespace fwup {

// A catalog in one directory: a copy of every added container file, named by the 32 lower-case
// hexadecimal digits of its MD5, and the JSON manifest "firmware_file_catalog.json". The manifest's
// entries belong to the managers of legacy_catalog_manager_registry; the catalog only keeps the
// manifest in memory, prunes entries whose file is gone when it opens, and saves the whole manifest
// after every add and when it is destroyed. A manifest that cannot be read or parsed is kept aside
// ("firmware_file_catalog.json.unreadable-<UTC time>") before the catalog starts empty. Firmware files
// are never deleted.
class FilesystemFirmwareCatalog : public FirmwareCatalog {
public:
    static constexpr const char* MANIFEST_FILE_NAME = "firmware_file_catalog.json";

    // Creates the directory when needed. Never fails: a directory or manifest that cannot be used
    // gives an empty catalog.
    explicit FilesystemFirmwareCatalog(const QDir& directory);
    // Saves the manifest, whether or not anything changed.
    ~FilesystemFirmwareCatalog() override;

    FilesystemFirmwareCatalog(const FilesystemFirmwareCatalog&) = delete;
    FilesystemFirmwareCatalog& operator=(const FilesystemFirmwareCatalog&) = delete;

    // Copies the file in (unless an intact copy is there already; a damaged one is replaced), offers it
    // to every manager and saves the manifest. The copy is written from the bytes that name it, through a
    // temporary file renamed into place; a source that changes meanwhile is refused. When a manager
    // throws, the copy stays and nothing is saved.
    bool addOrUpdateFirmware(const IFirmwareCatalogFile& file) override;
    // The first non-empty answer of the managers, asked in registry order. Reads memory only.
    std::vector<std::unique_ptr<IFirmwareCatalogFile>>
    firmwareForDetector(const ISystemIdentity& identity) const override;

private:
    struct Private;

    void load();
    // Replaces the manifest on disk as a whole or not at all.
    bool saveManifest() const;

    std::unique_ptr<Private> d;
};

} // namespace fwup
