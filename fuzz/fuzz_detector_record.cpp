// Writes the input as the detector record file and runs every reader and writer of it: the lookup of
// a detector's type by serial number, the update after an identification, and the system form's load
// and update. An entry the program has just written must be found again by the next lookup.
//
// Input: one flags byte (bits 0-1 pick the serial number looked up and written), then the file.

#include "fuzz/fuzz_support.h"

#include "fwup/identification/detector_record_file.h"
#include "fwup/identification/detector_system_record.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

struct Harness {
    Harness()
        : directory(fuzzsupport::scratchDirectory().absoluteFilePath(QStringLiteral("record")))
        , path(directory + QStringLiteral("/summit_index.json"))
        , localDirectory(directory.toLocal8Bit())
        , localPath(path.toLocal8Bit()) {
        QDir().mkpath(directory);
    }

    // Only the record itself stays: an unreadable one is set aside under a new name each time.
    void sweep() const {
        fuzzsupport::removeFilesExcept(
            localDirectory, [](const char* name) { return std::strcmp(name, "summit_index.json") == 0; });
    }

    QString directory;
    QString path;
    QByteArray localDirectory;
    QByteArray localPath;
    // The seeds use these serial numbers.
    const QString serials[4] = {QStringLiteral("0123456789ABCDEF"), QStringLiteral("SN-2"),
                                QStringLiteral("12"), QString::fromUtf8("\xc3\x84\xc3\x96-\xc3\xbc")};
    const QString name = QStringLiteral("SUMMIT PRO");
    const QString code = QStringLiteral("12345");
    QList<fwup::DeviceIdentity> modules;
};

Harness* harness = nullptr;

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
    const QString& serial = h.serials[data[0] & 3];
    fuzzsupport::writeFile(h.localPath, data + 1, size - 1);

    fwup::find_detector_name_by_serial_number(h.path, serial);
    fwup::loadJsonArrayOfSystems(h.path);
    fwup::update_detector_serial_number_and_name(h.path, serial, h.code, h.name);
    if (fwup::find_detector_name_by_serial_number(h.path, serial) != h.name) {
        std::abort(); // the entry just written is the first of its serial number
    }

    h.modules.clear();
    fwup::DeviceIdentity& module = h.modules.emplace_back();
    module.serialNumber = serial;
    module.userVerificationCode = 12345;
    fwup::update_system_identity_json(h.path, h.name, h.modules);
    fwup::loadJsonArrayOfSystems(h.path);
    h.sweep();
    return 0;
}
