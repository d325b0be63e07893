#pragma once

#include "fwup/communication/controlled_connection.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/identification/software_version_getter.h"
#include "fwup/identification/upgradeable_component_validity_getter.h"
#include "fwup/installation/firmware_upgrade_indicator.h"
#include "fwup/installation/progress_percentage.h"
#include "fwup/installation/tamarind_file_putter.h"
#include "fwup/installation/tamarind_update_timing.h"
#include "muppet/product_type_id.h"
#include "muppet/version.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace fwup {

class IComponentRelocator;
class TamarindComponentUpdate;
struct TamarindComponentIdentity;

// Installs new firmware on the Tamarind sub-system behind the control pod's tunnel: shows the
// upgrade indication, has the Tamarind file putter transfer both images and bring the sub-system
// back, reads the software version back and requires the wanted one, logs in, reads the component
// validity and requires every flag of the mask, then clears the indication and reports once.
//
// Each step talks to the sub-system over a connection of its own, driven by a 10 ms tick that takes
// one step event (true to go on, false to fail) at a time.
class TamarindComponentUpdater {
public:
    using ProgressHandler = std::function<void(ProgressPercentage)>;

    static constexpr int TICK_MS = 10;

    // productType and model choose the operator password; the relocator finds the sub-system again
    // after its restart (the owner makes one that tries for about 30 s).
    TamarindComponentUpdater(cvsw::muppet::ProductTypeId productType, std::uint8_t model,
                             std::shared_ptr<IComponentRelocator> relocator,
                             const TamarindUpdateTiming& timing = {});
    ~TamarindComponentUpdater();

    TamarindComponentUpdater(const TamarindComponentUpdater&) = delete;
    TamarindComponentUpdater& operator=(const TamarindComponentUpdater&) = delete;

    // The sub-system is reached at locationPrefix followed by the pod's location. False when an image
    // file is empty: done(false) has then been called and nothing was sent. Otherwise true, and done
    // follows exactly once, reporting before the indication has finished clearing; a start during
    // that clearing abandons it. A start while an update has yet to report calls its own done(false)
    // and returns false, and that update goes on. Names, version and serial number are copied; the
    // files must stay until done. Throws std::invalid_argument when a handler is empty.
    bool startUpdate(const TamarindComponentIdentity& identity, const QString& location,
                     const TamarindComponentUpdate& update, const ProgressHandler& progress,
                     const std::function<void(bool)>& done, const QString& locationPrefix);

private:
    void indicateUpgrade(const std::function<void()>& next, bool on);
    void waitForEvent(const std::function<void()>& tick, const std::function<void()>& onTrue);
    void waitingStep(const std::function<void()>& tick, const std::function<void()>& onTrue);

    void transferStep();
    void versionStep();
    void compareStep();
    void validityStep();
    void checkStep();

    // Reports a file putter phase's 0..100 on the overall scale: base + p * weight / 100.
    void reportScaled(ProgressPercentage phase, int weight, int base);
    void report(unsigned char percent);
    void pause();
    void pushEvent(bool event) { events_.push_back(event); }
    void finish(bool success);

    QString location_;
    QTimer tickTimer_;
    cvsw::muppet::ProductTypeId productType_;
    std::uint8_t model_;
    std::shared_ptr<IComponentRelocator> relocator_;
    ControlledConnection link_;
    OperatorUserLoginAgent loginAgent_;
    SoftwareVersionGetter versionGetter_;
    UpgradeableComponentValidityGetter validityGetter_;
    TamarindFilePutter filePutter_;
    FirmwareUpgradeIndicator indicator_;
    std::deque<bool> events_;
    Version readBackVersion_;
    std::uint32_t validFlags_ = 0;
    std::uint32_t validMask_ = 0;
    std::function<void(bool)> done_;
    std::function<void()> poll_;
    std::function<void()> cleanUp_;
    std::function<void()> onFailure_;
    std::function<void()> onSuccess_;

    // What the running update was given.
    ProgressHandler progress_;
    QString cpuAppPath_;
    QString cpuNetPath_;
    QString serialNumber_;
    Version wantedVersion_;
    TamarindUpdateTiming timing_;
};

} // namespace fwup
