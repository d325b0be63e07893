#include "fwup/firmware/tamarind_component_update.h"

#include <QDir>

namespace fwup {

QString TamarindComponentUpdate::temporaryFileTemplate(const char* name) {
    return QStringLiteral("%1%2%3").arg(QDir::tempPath(), QStringLiteral("/XXXXXX"), QLatin1String(name));
}

std::unique_ptr<QTemporaryFile> TamarindComponentUpdate::createReservedFile(const char* name) {
    auto file = std::make_unique<QTemporaryFile>(temporaryFileTemplate(name));
    // A failed open leaves the name empty, and the extraction into it then fails to open it.
    if (file->open()) {
        file->close();
    }
    return file;
}

TamarindComponentUpdate::TamarindComponentUpdate(Version version)
    : cpuAppFile_(createReservedFile(TAMARIND_CPUAPP_TEMP_FIRMWARE))
    , cpuNetFile_(createReservedFile(TAMARIND_CPUNET_TEMP_FIRMWARE))
    , version_(version) {
}

// Members go in reverse order: the CPUNET file is removed first, then the CPUAPP file.
TamarindComponentUpdate::~TamarindComponentUpdate() = default;

TamarindComponentUpdate::TamarindComponentUpdate(TamarindComponentUpdate&&) noexcept = default;
TamarindComponentUpdate& TamarindComponentUpdate::operator=(TamarindComponentUpdate&&) noexcept = default;

} // namespace fwup
