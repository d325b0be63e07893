#pragma once

#include "fwup/communication/controlled_connection.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/identification/upgradeable_component_validity_getter.h"
#include "fwup/installation/detector_updater.h"
#include "fwup/installation/firmware_upgrade_indicator.h"
#include "fwup/installation/mbu_and_tamarind_update_timing.h"
#include "fwup/installation/mbu_bootloader_file_putter.h"
#include "fwup/installation/progress_percentage.h"
#include "fwup/installation/software_reset_to_application_requester.h"
#include "fwup/installation/software_reset_to_bootloader_requester.h"
#include "fwup/installation/tamarind_component_updater.h"
#include "fwup/installation/user_settings_record_storer.h"
#include "fwup/installation/version_range.h"
#include "muppet/file_id.h"
#include "muppet/product_type_id.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <utility>

namespace fwup {

class DetectorIdentifier;
class IComponentRelocator;
class MbuAndTamarindSystemIdentity;
class MbuAndTamarindSystemUpdate;
// Installs an extracted control-pod and Tamarind update on a system of an MBU control pod with a
// Tamarind sub-system behind its tunnel. It first finds the system again by its serial number; a pod
// in its application takes the application path, a pod in its bootloader (an earlier update stopped
// half-way) the bootloader path. Each path is a chain of steps: a step starts one agent and waits on
// the 1000 ms step timer for the agent's outcome, one outcome per tick, before the next step begins.
// Every update that startUpdate accepts ends in exactly one finished, COMPLETE or FAILED.
class MbuAndTamarindUpdater : public DetectorUpdater {
    Q_OBJECT

public:
    using FileList = std::list<std::pair<cvsw::corvane::FileId, QString>>;
    // Fills the list of files to put on the pod for an update; false when the update is not of its kind.
    using FileListBuilder = std::function<bool(FileList&, const ISystemUpdate&)>;

    // Where the Tamarind sub-system is reached: this followed by the pod's location.
    static const QString TUNNEL_PREFIX;
    static constexpr cvsw::muppet::ProductTypeId TAMARIND_PRODUCT_TYPE = 161;

    using Timing = MbuAndTamarindUpdateTiming;

    // tamarindModel chooses the Tamarind operator password (its low 8 bits); identifier identifies
    // the system again when the identity lacks its Tamarind part; settingsVersionTable gives the
    // user-settings record version of each control-pod software version.
    MbuAndTamarindUpdater(cvsw::muppet::ProductTypeId bootloaderProductType,
                          cvsw::muppet::ProductTypeId applicationProductType, int tamarindModel,
                          FileListBuilder buildFileList, std::shared_ptr<DetectorIdentifier> identifier,
                          const VersionRangeTable& settingsVersionTable, const Timing& timing = {});
    // Stops a running update without a signal.
    ~MbuAndTamarindUpdater() override;

    // False, and nothing happens, when the identity is not an MbuAndTamarindSystemIdentity or an
    // update is still running.
    bool startUpdate(const ISystemIdentity& identity, const QString& location,
                     const ISystemUpdate& update) override;

    // Has the pod store its user-settings record for the target software, when the record version
    // changes; exactly one of onDone (whether a record was stored) and onFailure follows. Fails at
    // once when the pod's software version is not known.
    virtual void migrateSettings(const QString& serialNumber, Version target,
                                 std::function<void(bool)> onDone, std::function<void()> onFailure);

private:
    // What a path carries from step to step. The update is the caller's, alive until finished.
    struct PathState {
        QString serialNumber;
        const MbuAndTamarindSystemUpdate* update = nullptr;
        qint64 controlPodBytes = 0;
        qint64 tamarindBytes = 0;
    };

    bool startUpdateApplication(const ISystemIdentity& identity, const QString& location,
                                const ISystemUpdate& update);
    bool startUpdateBootloader(const ISystemIdentity& identity, const QString& location,
                               const ISystemUpdate& update);
    // The checks and stores that open both paths, for an identity startUpdate accepted; false when the
    // update is of another kind or an image is empty.
    bool beginPath(const ISystemIdentity& identity, const QString& location, const ISystemUpdate& update);

    // Application path, after the indication.
    void applicationTamarindStep();
    void applicationSettingsStep();
    void applicationTransferStep();
    void applicationLoginStep();
    void applicationValidityStep();
    // Bootloader path, after the control-pod transfer.
    void bootloaderLoginStep();
    void bootloaderTamarindStep();
    void bootloaderRestartStep();
    void bootloaderRelocationStep();
    void bootloaderSecondLoginStep();
    void bootloaderValidityStep();
    // Shared by both paths.
    void loginStep(const std::function<void()>& next);
    bool startTamarindUpdate(const std::function<void(ProgressPercentage)>& progress);
    void checkValidity(bool warnWhenResetFails);
    void startControlPodTransfer(const std::function<void(ProgressPercentage)>& progress);
    // The Tamarind part of the current identity, identifying the system again when it has none.
    bool ensureTamarindPart();

    void reportApplicationProgress(ProgressPercentage percent);
    void reportBootloaderProgress(ProgressPercentage percent);

    void indicateUpgrade(std::function<void()> next, bool on);
    void cleanUp();
    void waitForEvent(std::function<void()> onTrue);
    void waitForEvent(std::function<void()> tick, std::function<void()> onTrue);
    void waitForEvent(std::function<void()> tick, std::function<void()> onTrue,
                      std::function<void()> onFalse);
    void endUpdate(UpdaterStatus status);
    void completeUpdate() { endUpdate(UpdaterStatus::COMPLETE); }

    // An agent handler of the update in progress that only queues an outcome. Handlers of an update
    // that has ended queue nothing.
    std::function<void()> queues(bool outcome);
    bool isCurrent(std::uint64_t update) const { return update == updateId_; }

    VersionRangeTable settingsVersionTable_;
    cvsw::muppet::ProductTypeId bootloaderProductType_;
    cvsw::muppet::ProductTypeId applicationProductType_;
    cvsw::muppet::ProductTypeId relocatedProductType_ = 0;
    ControlledConnection link_;
    QTimer timer_;
    QString location_;
    FileList fileList_;
    std::function<void(FileList&, const ISystemUpdate&)> buildFileList_;
    TamarindComponentUpdater tamarindUpdater_;
    FirmwareUpgradeIndicator upgradeIndicator_;
    MbuBootloaderFilePutter bootloaderFilePutter_;
    OperatorUserLoginAgent loginAgent_;
    SoftwareResetToBootloaderRequester resetToBootloaderRequester_;
    SoftwareResetToApplicationRequester resetToApplicationRequester_;
    UpgradeableComponentValidityGetter validityGetter_;
    UserSettingsRecordStorer settingsStorer_;
    std::shared_ptr<IComponentRelocator> relocator_;
    bool tamarindUpdateStarted_ = false;
    bool controlPodTransferStarted_ = false;
    std::deque<bool> events_;
    bool validityComplete_ = false;
    std::uint32_t validityFlags_ = 0;
    std::uint32_t validityMask_ = 0;
    std::shared_ptr<DetectorIdentifier> identifier_;
    std::unique_ptr<MbuAndTamarindSystemIdentity> currentIdentity_;
    PathState path_;
    bool running_ = false;
    const int finishingStepMs_;
    // Bumped when an update starts and when it ends, so that a late outcome of an agent that outlived
    // its update (a logout still waiting for its answer, say) is not taken for one of the next.
    std::uint64_t updateId_ = 0;
    std::function<void()> poll_;
    std::function<void(ProgressPercentage)> finishUpProgress_;
    std::function<void()> onFailure_;
};

} // namespace fwup
