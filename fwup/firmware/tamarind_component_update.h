#pragma once

#include "muppet/version.h"

#include <QTemporaryFile>

#include <memory>

namespace fwup {

// The Tamarind part of an extracted system update: two temporary files for the CPUAPP and CPUNET
// images, created empty and reserved under unique names at construction, and removed from disk when the
// update is destroyed. The extraction writes the images into them by name.
class TamarindComponentUpdate {
public:
    static constexpr const char* TAMARIND_CPUAPP_TEMP_FIRMWARE = "cpuapp.upd";
    static constexpr const char* TAMARIND_CPUNET_TEMP_FIRMWARE = "cpunet.upd";

    explicit TamarindComponentUpdate(Version version);
    ~TamarindComponentUpdate();

    TamarindComponentUpdate(TamarindComponentUpdate&&) noexcept;
    TamarindComponentUpdate& operator=(TamarindComponentUpdate&&) noexcept;
    TamarindComponentUpdate(const TamarindComponentUpdate&) = delete;
    TamarindComponentUpdate& operator=(const TamarindComponentUpdate&) = delete;

    // Not to be used on a moved-from update. A file whose creation failed has an empty name.
    const QTemporaryFile& cpuAppFile() const { return *cpuAppFile_; }
    const QTemporaryFile& cpuNetFile() const { return *cpuNetFile_; }
    // The Tamarind software version of the images.
    Version version() const { return version_; }

    // "<temporary directory>/XXXXXX<name>": the six X become unique characters when the file is made.
    static QString temporaryFileTemplate(const char* name);
    // A closed temporary file, created empty under its unique name.
    static std::unique_ptr<QTemporaryFile> createReservedFile(const char* name);

private:
    std::unique_ptr<QTemporaryFile> cpuAppFile_;
    std::unique_ptr<QTemporaryFile> cpuNetFile_;
    Version version_;
};

} // namespace fwup
