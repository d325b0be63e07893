// Writes the input as the firmware catalog's manifest and opens the catalog on it, with the Lodestar
// manager registered: the load, a search for a system and, on request, the addition of a file, then
// the save when the catalog closes. The addition must succeed, whatever the manifest held, and the
// file must then be found again for a system it fits.
//
// Input: one flags byte, then the manifest text. Bits 0-1: the pod's hardware version; bits 2-3: the
// Tamarind's; bit 4: the pod waits in its bootloader; bit 5: no Tamarind part; bit 6: add a file
// for exactly this hardware; bit 7: model 2 instead of model 1.

#include "fuzz/fuzz_support.h"

#include "fwup/firmware/filesystem_firmware_catalog.h"
#include "fwup/firmware/i_catalog_manager.h"
#include "fwup/firmware/lodestar_catalog_manager.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"
#include "fwup/identification/mbu_and_tamarind_system_identity.h"

#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// Catalogued copies that manifests may name; the seeds use them.
const char* const copies[] = {"0123456789abcdef0123456789abcdef", "fedcba9876543210fedcba9876543210"};

struct Harness {
    Harness()
        : directory(fuzzsupport::scratchDirectory().absoluteFilePath(QStringLiteral("catalog")))
        , localDirectory(directory.absolutePath().toLocal8Bit())
        , manifestPath(
              directory
                  .absoluteFilePath(QString::fromLatin1(fwup::FilesystemFirmwareCatalog::MANIFEST_FILE_NAME))
                  .toLocal8Bit())
        , sourcePath(fuzzsupport::scratchDirectory().absoluteFilePath(QStringLiteral("source.cvb"))) {
        directory.mkpath(QStringLiteral("."));
        for (const char* copy : copies) {
            QFile(directory.absoluteFilePath(QString::fromLatin1(copy))).open(QIODevice::WriteOnly);
        }
        const QByteArray source = sourcePath.toLocal8Bit();
        fuzzsupport::writeFile(source, reinterpret_cast<const std::uint8_t*>("firmware"), 8);
        fwup::legacy_catalog_manager_registry() = {QSharedPointer<fwup::LodestarCatalogManager>::create()};
    }

    // Only the manifest and MD5-named copies belong in the directory; the damaged manifests that the
    // catalog sets aside go after each input, or it finds no free name for the next.
    void sweep() const {
        fuzzsupport::removeFilesExcept(localDirectory, [](const char* name) {
            return std::strcmp(name, fwup::FilesystemFirmwareCatalog::MANIFEST_FILE_NAME) == 0 ||
                   fwup::is_catalog_file_name(QString::fromLatin1(name));
        });
    }

    QDir directory;
    QByteArray localDirectory;
    QByteArray manifestPath;
    QString sourcePath;
};

Harness* harness = nullptr;

fwup::MbuAndTamarindSystemIdentity systemFor(std::uint8_t flags) {
    const auto type =
        (flags & 0x80) != 0 ? fwup::DetectorType::LODESTAR_MODEL_2 : fwup::DetectorType::LODESTAR_MODEL_1;
    fwup::MbuComponentIdentity pod;
    pod.hardwareRevision = flags & 3;
    pod.productType =
        (flags & 0x10) != 0 ? fwup::LodestarCatalogManager::LODESTAR_CONTROL_POD_BOOTLOADER : 144;
    if ((flags & 0x10) == 0) {
        pod.softwareVersion = fwup::Version{1, 2, 3};
    }
    pod.serialNumber = QStringLiteral("FUZZ");
    pod.detectorType = type;
    std::optional<fwup::TamarindComponentIdentity> tamarind;
    if ((flags & 0x20) == 0) {
        tamarind.emplace();
        tamarind->hardwareRevision = (flags >> 2) & 3;
        tamarind->softwareVersion = fwup::Version{2, 0, 5};
        tamarind->detectorType = fwup::DetectorType::LODESTAR_JUNIPER;
    }
    return fwup::MbuAndTamarindSystemIdentity(tamarind, pod, type);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceLogging();
    static Harness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    Harness& h = *harness;
    const std::uint8_t flags = data[0];
    fuzzsupport::writeFile(h.manifestPath, data + 1, size - 1);

    const fwup::MbuAndTamarindSystemIdentity system = systemFor(flags);
    {
        fwup::FilesystemFirmwareCatalog catalog(h.directory);
        catalog.firmwareForDetector(system);
        if ((flags & 0x40) != 0) {
            const fwup::MbuFirmwareInfo pod{0, system.detectorType(), {1, 2, 3}, flags & 3u};
            const fwup::TamarindFirmwareInfo tamarind{1,         2, fwup::DetectorType::LODESTAR_JUNIPER,
                                                      {2, 0, 5}, 0, (flags >> 2) & 3u};
            const fwup::MbuAndTamarindFirmwareCatalogFile file(pod, tamarind, h.sourcePath);
            // The file and its indices are always fit to catalogue: a failed addition means the catalog
            // could not save, and the check below would be skipped unseen.
            if (!catalog.addOrUpdateFirmware(file)) {
                std::abort();
            }
            if (catalog.firmwareForDetector(system).empty()) {
                std::abort(); // the file just added fits this system
            }
        }
    }
    h.sweep();
    return 0;
}
