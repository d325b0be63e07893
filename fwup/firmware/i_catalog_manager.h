#pragma once

#include <QList>
#include <QSharedPointer>

#include <cstdint>
#include <memory>
#include <vector>

class QDir;
class QJsonObject;
class QString;

namespace fwup {

class IFirmwareCatalogFile;
class ISystemIdentity;
class MbuAndTamarindFirmwareCatalogFile;

// Knows one kind of firmware and its entries in the catalog's shared JSON manifest. A manager reads and
// writes only the members named after the detector types it handles, and passes over catalog files and
// identities of other kinds, so that several managers can share one manifest.
class ICatalogManager {
public:
    virtual ~ICatalogManager();

    // Adds the file's entry under its detector type, or replaces the entry of the same control-pod
    // version and hardware and the same Tamarind hardware. Files of another kind leave the manifest alone.
    // Throws std::runtime_error "unreasonable block indices", with the manifest unchanged, when the file
    // cannot be catalogued.
    virtual void addOrUpdateEntry(QJsonObject& manifest, const IFirmwareCatalogFile& file,
                                  const QString& md5) const = 0;
    // The catalogued firmware that fits the system, in manifest order; empty when nothing fits.
    virtual std::vector<std::unique_ptr<IFirmwareCatalogFile>>
    catalogFilesForSystem(const ISystemIdentity& identity, const QDir& catalogDirectory,
                          const QJsonObject& manifest) const = 0;
    virtual QJsonObject makeCatalogEntry(QString md5, const IFirmwareCatalogFile& file) const = 0;
    virtual bool canCatalog(const IFirmwareCatalogFile& file) const = 0;
    virtual bool catalogFileFromEntry(std::vector<std::unique_ptr<IFirmwareCatalogFile>>& result,
                                      const ISystemIdentity& identity, const QDir& catalogDirectory,
                                      const QJsonObject& entry, std::uint8_t compatibleControlPodHardware,
                                      std::uint8_t tamarindHardware) const = 0;
    // The manifest member the file's entries live in.
    virtual const char* detectorTypeName(const MbuAndTamarindFirmwareCatalogFile& file) const = 0;

protected:
    ICatalogManager() = default;
};

// Whether an entry's "firmwareMd5Checksum" can name a catalogued file: exactly 32 lower-case
// hexadecimal digits. Anything else (empty, "../x", an absolute path) could reach outside the catalog
// or name the catalog directory itself, so such an entry counts as one whose file is missing.
bool is_catalog_file_name(const QString& md5);

// Filled once by the family registrar at start-up; the catalog offers every file to every manager and
// searches them in list order.
QList<QSharedPointer<ICatalogManager>>& legacy_catalog_manager_registry();

} // namespace fwup
