#pragma once

#include "fwup/identification/upgradeable_component.h"
#include "fwup/identification/user_login_agent.h"
#include "fwup/installation/mbu_bootloader_file_putter.h"
#include "fwup/installation/user_settings_record_storer.h"
#include "fwup/installation/version_range.h"
#include "muppet/product_type_id.h"
#include "muppet/version.h"

#include <QMap>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

class IComponentRelocator;
class ISystemUpdate;
struct MbuComponentIdentity;

// Installs one MBU image on one module of a legacy system: first has the module store its
// user-settings record where the new software needs it, then puts the image through the module's
// bootloader, which resets it there and back to its application.
class MuppetMbuDetectorUpdater {
public:
    // The devices' own waits are the defaults; tests shorten them.
    struct Timing {
        // The relocator that finds the module again after each reset.
        std::uint32_t relocationRetries = 30;
        std::uint64_t relocationRetryIntervalMs = 1000;
        MbuBootloaderFilePutter::Timing filePutter;
        UserSettingsRecordStorer::Timing settingsStorer;
    };

    // putTimeout is the wait for the answer to each file packet's first send.
    MuppetMbuDetectorUpdater(cvsw::muppet::ProductTypeId bootloaderProductType,
                             cvsw::muppet::ProductTypeId applicationProductType,
                             const VersionRangeTable& swVerRangeToUserSettingsVer,
                             std::chrono::milliseconds putTimeout);
    MuppetMbuDetectorUpdater(cvsw::muppet::ProductTypeId bootloaderProductType,
                             cvsw::muppet::ProductTypeId applicationProductType,
                             const VersionRangeTable& swVerRangeToUserSettingsVer,
                             std::chrono::milliseconds putTimeout, const Timing& timing);
    ~MuppetMbuDetectorUpdater();

    MuppetMbuDetectorUpdater(const MuppetMbuDetectorUpdater&) = delete;
    MuppetMbuDetectorUpdater& operator=(const MuppetMbuDetectorUpdater&) = delete;

    // Installs the legacy update's image on the module at location. False when the update is of
    // another kind, its image is missing or it does not name exactly one module's version; otherwise
    // exactly one of onDone (with the location the module answered at last) and onFailure follows,
    // possibly before this returns, as it does for an empty image. Throws std::invalid_argument when
    // a handler is empty.
    bool startUpdate(const MbuComponentIdentity& module, const QString& location, const ISystemUpdate& update,
                     const std::function<void(unsigned char)>& onProgress,
                     const std::function<void(const QString&)>& onDone,
                     const std::function<void()>& onFailure);

    const VersionRangeTable& swVerRangeToUserSettingsVer() const { return swVerRangeToUserSettingsVer_; }

    // The module a legacy update is for, key 0 (first) or 1 (second), and its new version: empty
    // unless exactly one of the two is set. A missing key counts as 0.0.0.
    struct Target {
        UpgradeableComponent module;
        Version version;
    };
    static std::optional<Target> updateTarget(const QMap<UpgradeableComponent, Version>& versions);

private:
    struct Transfer {
        QString serialNumber;
        QString imagePath;
        QString location;
        std::function<void(unsigned char)> onProgress;
        std::function<void(const QString&)> onDone;
        std::function<void()> onFailure;
    };

    void startTransfer(const Transfer& transfer);

    std::uint32_t busy_ = 0;
    VersionRangeTable swVerRangeToUserSettingsVer_;
    std::shared_ptr<IComponentRelocator> relocator_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    // Kept for the module's own login; no step logs in through it.
    UserLoginAgent loginAgent_;
    MbuBootloaderFilePutter bootloaderFilePutter_;
    UserSettingsRecordStorer settingsStorer_;
};

} // namespace fwup
