#pragma once

#include "fwup/communication/controlled_connection.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/identification/user_login_agent.h"
#include "fwup/installation/software_reset_to_application_requester.h"
#include "fwup/installation/store_user_settings_record_coordinator.h"
#include "fwup/installation/version_range.h"
#include "muppet/product_type_id.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace fwup {

class IComponentRelocator;
// Before the control pod gets software that reads an older user-settings record than the software it
// runs, the pod must store its record for the target version. The storer decides whether that is
// needed and, when it is, brings the pod into a state in which it can store (connected, in its
// application, operator logged in) and has the coordinator run the store. A pod found in its
// bootloader is reset to its application and found again first.
class UserSettingsRecordStorer {
public:
    static constexpr int TICK_MS = 10;

    // The device's own waits are the defaults; tests shorten them.
    struct Timing {
        StoreUserSettingsRecordCoordinator::Timing store;
        std::uint32_t productTypeAttempts = 10;
        std::uint64_t productTypeFirstTimeoutMs = 250;
        std::uint64_t productTypeResendTimeoutMs = 1000;
        // Silence after the reset request that counts as the pod restarting.
        std::uint64_t resetTimeoutMs = 1000;
        qint64 loginStepTimeoutMs = UserLoginAgent::DEFAULT_STEP_TIMEOUT_MS;
    };

    UserSettingsRecordStorer(cvsw::muppet::ProductTypeId bootloaderProductType,
                             cvsw::muppet::ProductTypeId applicationProductType);
    UserSettingsRecordStorer(cvsw::muppet::ProductTypeId bootloaderProductType,
                             cvsw::muppet::ProductTypeId applicationProductType, const Timing& timing);
    ~UserSettingsRecordStorer();

    UserSettingsRecordStorer(const UserSettingsRecordStorer&) = delete;
    UserSettingsRecordStorer& operator=(const UserSettingsRecordStorer&) = delete;

    // Moves the pod at location, whose serial number is serialNumber, from software version from to
    // version to. Exactly one of onDone(true) (stored), onDone(false) (nothing stored: none needed,
    // not supported, or the pod stayed in its bootloader) and onFailure() follows, within start or
    // later. A start that needs a store while one runs fails at once and leaves it alone. Throws
    // std::invalid_argument when a handler is empty.
    void start(const VersionRangeTable& table, const Version& from, const Version& to,
               const QString& serialNumber, const QString& location,
               std::shared_ptr<IComponentRelocator>&& relocator, const std::function<void(bool)>& onDone,
               const std::function<void()>& onFailure);

    // A store is needed exactly when the record version of from is above that of to. A target of
    // 0.0.0 is no version at all (firmware without a control-pod version) and never needs one.
    static bool needToStoreSettings(const VersionRangeTable& table, const Version& from, const Version& to);

    // Opens a connection to location for the control centre, replacing any earlier one.
    bool establishConnection(const QString& location);
    // Ends any run: no timer, no connection, no relocator, idle.
    void cleanUp();

    bool isBusy() const { return activity_ != IDLE; }

private:
    enum Activity : std::int32_t {
        IDLE = 0,
        CONNECTED = 1,
        RELOCATING = 2,
    };
    enum Event : unsigned int {
        RELOCATE = 0,
        STORE = 1,
        LOG_IN = 2,
        RESET_TO_APPLICATION = 3,
        NOT_STORED = 4,
        STORED = 5,
        FAILED = 6,
    };

    void tick(const Version& to, const QString& serialNumber, const QString& location,
              const std::function<void(bool)>& onDone, const std::function<void()>& onFailure);
    void relocate(const QString& serialNumber, const QString& location);
    void logIn();

    std::int32_t activity_ = IDLE;
    std::deque<unsigned int> events_;
    const cvsw::muppet::ProductTypeId bootloaderProductType_;
    const cvsw::muppet::ProductTypeId applicationProductType_;
    QString location_;
    std::shared_ptr<IComponentRelocator> relocator_;
    ControlledConnection link_;
    UserLoginAgent loginAgent_;
    StoreUserSettingsRecordCoordinator coordinator_;
    ProductTypeGetter productTypeGetter_;
    SoftwareResetToApplicationRequester resetRequester_;
    QTimer tickTimer_;
};

} // namespace fwup
