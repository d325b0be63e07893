#pragma once

#include "fwup/communication/controlled_connection.h"
#include "fwup/identification/operator_user_login_agent.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/installation/file_put_offset_getter.h"
#include "fwup/installation/file_putter.h"
#include "fwup/installation/progress_percentage.h"
#include "fwup/installation/software_reset_to_application_requester.h"
#include "fwup/installation/software_reset_to_bootloader_requester.h"
#include "muppet/file_id.h"
#include "muppet/product_type_id.h"

#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <utility>

namespace fwup {

class IComponentRelocator;
// Installs a list of files into the control pod through its bootloader. It reads which of the two
// the pod runs, logs in as the operator, resets the pod into its bootloader and finds it again when
// needed, puts every file, and on request resets the pod back into its application and finds it once
// more. A pod found in its bootloader holding part of a file is reset into its bootloader first, so
// that every file goes again from its start.
//
// Agents' handlers only queue numbered events; a 10 ms tick services the connection and acts on
// every queued event in turn.
class MbuBootloaderFilePutter {
public:
    using FileList = std::list<std::pair<cvsw::corvane::FileId, QString>>;
    using ProgressHandler = std::function<void(ProgressPercentage)>;

    static constexpr int TICK_MS = 10;

    // The device's own waits are the defaults; tests shorten them.
    struct Timing {
        std::uint32_t productTypeAttempts = 10;
        std::uint64_t productTypeFirstTimeoutMs = 250;
        std::uint64_t productTypeResendTimeoutMs = 1000;
        std::uint32_t offsetAttempts = 10;
        std::uint64_t offsetFirstTimeoutMs = 1000;
        std::uint64_t offsetResendTimeoutMs = 1000;
        std::uint32_t putAttempts = 3;
        std::uint64_t putResendTimeoutMs = 250;
        // Silence after a reset request that counts as the pod restarting.
        std::uint64_t resetTimeoutMs = 1000;
        qint64 loginStepTimeoutMs = UserLoginAgent::DEFAULT_STEP_TIMEOUT_MS;
        // Time the pod's application is given to start before it is looked for.
        std::uint64_t applicationStartWaitMs = 5000;
    };

    // putTimeout is the wait for the answer to a file packet's first send.
    MbuBootloaderFilePutter(cvsw::muppet::ProductTypeId bootloaderProductType,
                            cvsw::muppet::ProductTypeId applicationProductType,
                            std::chrono::milliseconds putTimeout);
    MbuBootloaderFilePutter(cvsw::muppet::ProductTypeId bootloaderProductType,
                            cvsw::muppet::ProductTypeId applicationProductType,
                            std::chrono::milliseconds putTimeout, const Timing& timing);
    ~MbuBootloaderFilePutter();

    MbuBootloaderFilePutter(const MbuBootloaderFilePutter&) = delete;
    MbuBootloaderFilePutter& operator=(const MbuBootloaderFilePutter&) = delete;

    // Puts the files into the pod at location, whose serial number is serialNumber; the relocator
    // finds it again after each reset. Exactly one of onDone (with the location at which the pod
    // answered last) and onFailure follows; onProgress reports the share of all bytes sent while
    // files are being put. A start while an install runs fails at once and leaves it alone. Throws
    // std::invalid_argument when a handler is empty.
    void start(std::shared_ptr<IComponentRelocator>&& relocator, FileList files, const QString& serialNumber,
               const QString& location, const std::function<void(const QString&)>& onDone,
               const ProgressHandler& onProgress, const std::function<void()>& onFailure,
               bool resetToApplicationAfter);

    bool isBusy() const { return runState_ != IDLE; }

private:
    enum RunState : std::uint32_t {
        IDLE = 0,
        CONNECTED = 1,
        RELOCATING = 2,
    };
    enum Event : unsigned int {
        POD_IN_BOOTLOADER = 0,
        POD_IN_APPLICATION = 1,
        CHECK_OFFSETS = 2,
        RESET_TO_BOOTLOADER = 3,
        FIND_IN_BOOTLOADER = 4,
        FIND_IN_APPLICATION = 5,
        LOG_IN_TO_BOOTLOADER = 6,
        PUT_NEXT_FILE = 7,
        RESET_TO_APPLICATION = 8,
        FAILED = 9,
        DONE = 10,
    };
    // What one run reports to, and what it was started with.
    struct Run {
        std::function<void(const QString&)> onDone;
        ProgressHandler onProgress;
        std::function<void()> onFailure;
        QString serialNumber;
        QString location;
        bool resetToApplicationAfter = false;
    };
    // A file still to put, with its size as read when the run started.
    struct PutEntry {
        cvsw::corvane::FileId fileId;
        QString path;
        std::uint64_t size = 0;
    };

    void tick(const Run& run);
    // Acts on one event; false when the tick must end here.
    bool handle(unsigned int event, const Run& run);
    void logIn(cvsw::muppet::ProductTypeId type, Event onSuccess);
    void checkNextOffset();
    bool putNextFile(const Run& run);
    void resetToApplication();
    void find(const Run& run, bool afterResetToApplication);
    void reportProgress(const Run& run, unsigned char percent, std::uint64_t fileBytes);
    bool connectTo(const QString& location);
    void cleanUp();

    std::uint32_t runState_ = IDLE;
    std::deque<unsigned int> events_;
    const cvsw::muppet::ProductTypeId bootloaderProductType_;
    const cvsw::muppet::ProductTypeId applicationProductType_;
    QString location_;
    std::shared_ptr<IComponentRelocator> relocator_;
    ControlledConnection link_;
    OperatorUserLoginAgent loginAgent_;
    FilePutOffsetGetter offsetGetter_;
    FilePutter filePutter_;
    std::list<PutEntry> putList_;
    std::list<cvsw::corvane::FileId> checkList_;
    std::uint64_t finishedBytes_ = 0;
    std::uint64_t totalBytes_ = 0;
    ProductTypeGetter productTypeGetter_;
    SoftwareResetToBootloaderRequester resetToBootloaderRequester_;
    SoftwareResetToApplicationRequester resetToApplicationRequester_;
    QTimer tickTimer_;
    const std::uint64_t applicationStartWaitMs_;
    // Tells the waits of a run that has ended from those of the current one.
    std::uint64_t runId_ = 0;
};

} // namespace fwup
