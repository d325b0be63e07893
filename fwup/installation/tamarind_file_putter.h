#pragma once

#include "fwup/communication/controlled_connection.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/installation/file_putter.h"
#include "fwup/installation/progress_percentage.h"
#include "fwup/installation/software_reset_to_application_requester.h"
#include "fwup/installation/tamarind_update_timing.h"
#include "muppet/file_id.h"
#include "muppet/product_type_id.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

namespace fwup {

class IComponentRelocator;
// Moves the two Tamarind images onto the sub-system and brings it back up with them: logs in as the
// operator, puts the CPUAPP and the CPUNET image, resets the sub-system to its application, shows a
// progress animation while it restarts, and finds it again through the relocator it is given.
//
// Runs on a connection, control centre and 10 ms tick of its own, independent of its owner's.
class TamarindFilePutter {
public:
    using ProgressHandler = std::function<void(ProgressPercentage)>;
    using DoneHandler = std::function<void(const QString&)>;

    static constexpr cvsw::corvane::FileId CPUAPP_FILE_ID = 11081;
    static constexpr cvsw::corvane::FileId CPUNET_FILE_ID = 11082;
    static constexpr int TICK_MS = 10;
    static constexpr std::uint16_t PACKET_SIZE = 1024;

    // productType and model choose the operator password.
    TamarindFilePutter(cvsw::muppet::ProductTypeId productType, std::uint8_t model,
                       const TamarindUpdateTiming& timing = {});
    ~TamarindFilePutter();

    TamarindFilePutter(const TamarindFilePutter&) = delete;
    TamarindFilePutter& operator=(const TamarindFilePutter&) = delete;

    // Exactly one of done (with the location at which the sub-system answered after its restart) and
    // onFailure follows, after the putter is idle again, so either may start the next run. An empty
    // image path skips that image. A start while a run is under way fails at once and leaves that run
    // alone. Throws std::invalid_argument when a handler is empty.
    void start(std::shared_ptr<IComponentRelocator> relocator, const QString& cpuAppPath,
               const QString& cpuNetPath, const QString& name, const QString& location,
               const DoneHandler& done, const ProgressHandler& cpuAppProgress,
               const ProgressHandler& cpuNetProgress, const ProgressHandler& restartProgress,
               const std::function<void()>& onFailure);

    bool isRunning() const { return state_ != IDLE; }

private:
    enum State : std::uint32_t {
        IDLE = 0,
        RUNNING = 1,  // the connection is serviced at every tick
        DETACHED = 2, // the connection is given up while the sub-system restarts
    };
    enum Event : std::uint32_t {
        LOGGED_IN = 0,
        PUT_CPUAPP = 1,
        PUT_CPUNET = 2,
        RESET = 3,
        RELOCATE = 4,
        FAILED = 5,
        DONE = 6,
    };
    // What one start was given; the tick holds a copy.
    struct Run {
        QString cpuAppPath;
        QString cpuNetPath;
        QString name;
        DoneHandler done;
        ProgressHandler cpuAppProgress;
        ProgressHandler cpuNetProgress;
        ProgressHandler restartProgress;
        std::function<void()> onFailure;
    };

    void tick(const Run& run);
    // False once the run has ended.
    bool handle(std::uint32_t event, const Run& run);
    void putImage(const QString& path, cvsw::corvane::FileId fileId, const ProgressHandler& progress,
                  Event next);
    void restartAnimation(const ProgressHandler& restartProgress);
    void foundAnimation(const ProgressHandler& restartProgress, const QString& location);
    void cleanUp();

    std::uint32_t state_ = IDLE;
    std::deque<std::uint32_t> events_;
    cvsw::muppet::ProductTypeId productType_;
    std::uint8_t model_;
    QString location_;
    std::shared_ptr<IComponentRelocator> relocator_;
    ControlledConnection link_;
    OperatorUserLoginAgent loginAgent_;
    FilePutter filePutter_;
    SoftwareResetToApplicationRequester resetRequester_;
    QTimer tickTimer_;
    TamarindUpdateTiming timing_;
};

} // namespace fwup
