#pragma once

#include <memory>
#include <vector>

namespace fwup {

class IFirmwareCatalogFile;
class ISystemIdentity;

// The application's local store of firmware, as the state machine, the window and start-up see it.
class FirmwareCatalog {
public:
    virtual ~FirmwareCatalog();

    // True when the firmware is catalogued and the catalog saved. Callers may ignore the result.
    virtual bool addOrUpdateFirmware(const IFirmwareCatalogFile& file) = 0;
    // The catalogued firmware that fits the system; the caller owns the result, which may be empty.
    virtual std::vector<std::unique_ptr<IFirmwareCatalogFile>>
    firmwareForDetector(const ISystemIdentity& identity) const = 0;

protected:
    FirmwareCatalog() = default;
};

} // namespace fwup
