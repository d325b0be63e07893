#include "fwup/installation/mbu_bootloader_file_putter.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/pump_events.h"
#include "fwup/identification/poll_interval_p.h"
#include "fwup/identification/product_type_id_name.h"
#include "fwup/installation/i_component_relocator.h"
#include "muppet/control_centre.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>

#include <algorithm>
#include <stdexcept>

namespace fwup {

namespace {

std::uint64_t file_size(const QString& path) {
    return static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(path).size(), 0));
}

} // namespace

MbuBootloaderFilePutter::MbuBootloaderFilePutter(cvsw::muppet::ProductTypeId bootloaderProductType,
                                                 cvsw::muppet::ProductTypeId applicationProductType,
                                                 std::chrono::milliseconds putTimeout)
    : MbuBootloaderFilePutter(bootloaderProductType, applicationProductType, putTimeout, Timing{}) {
}

MbuBootloaderFilePutter::MbuBootloaderFilePutter(cvsw::muppet::ProductTypeId bootloaderProductType,
                                                 cvsw::muppet::ProductTypeId applicationProductType,
                                                 std::chrono::milliseconds putTimeout, const Timing& timing)
    : bootloaderProductType_(bootloaderProductType)
    , applicationProductType_(applicationProductType)
    , loginAgent_(*link_.controlCentre())
    , offsetGetter_(link_.controlCentre(), timing.offsetAttempts, timing.offsetFirstTimeoutMs,
                    timing.offsetResendTimeoutMs)
    , filePutter_(link_.controlCentre(), FilePutter::DEFAULT_PACKET_SIZE, timing.putAttempts,
                  static_cast<std::uint64_t>(std::max<std::chrono::milliseconds::rep>(putTimeout.count(), 0)),
                  timing.putResendTimeoutMs)
    , productTypeGetter_(link_.controlCentre(), timing.productTypeAttempts, timing.productTypeFirstTimeoutMs,
                         timing.productTypeResendTimeoutMs)
    , resetToBootloaderRequester_(link_.controlCentre(), 0, timing.resetTimeoutMs, timing.resetTimeoutMs)
    , resetToApplicationRequester_(link_.controlCentre(), 0, timing.resetTimeoutMs, timing.resetTimeoutMs)
    , applicationStartWaitMs_(timing.applicationStartWaitMs) {
    loginAgent_.setStepTimeoutMs(timing.loginStepTimeoutMs);
    tickTimer_.setInterval(TICK_MS);
}

MbuBootloaderFilePutter::~MbuBootloaderFilePutter() {
    // The relocator is shared and may outlive the putter; it must not call back into a dead one.
    if (runState_ == RELOCATING && relocator_) {
        relocator_->cancel();
    }
    cleanUp();
}

void MbuBootloaderFilePutter::start(std::shared_ptr<IComponentRelocator>&& relocator, FileList files,
                                    const QString& serialNumber, const QString& location,
                                    const std::function<void(const QString&)>& onDone,
                                    const ProgressHandler& onProgress, const std::function<void()>& onFailure,
                                    bool resetToApplicationAfter) {
    if (!onDone || !onProgress || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    if (runState_ != IDLE) {
        onFailure();
        return;
    }
    ++runId_;
    location_ = location;
    relocator_ = std::move(relocator);
    // Ids and events a failed run left behind would steer this one.
    checkList_.clear();
    events_.clear();
    putList_.clear();
    for (auto& [fileId, path] : files) {
        const std::uint64_t size = file_size(path);
        checkList_.push_back(fileId);
        totalBytes_ += size;
        putList_.push_back({fileId, std::move(path), size});
    }
    const Run run{onDone, onProgress, onFailure, serialNumber, location, resetToApplicationAfter};
    QObject::connect(&tickTimer_, &QTimer::timeout, &tickTimer_, [this, run] { tick(run); });
    if (!connectTo(location)) {
        cleanUp();
        onFailure();
        return;
    }
    productTypeGetter_.start(
        [this](const cvsw::muppet::ProductTypeId& type) {
            if (type == bootloaderProductType_) {
                events_.push_back(POD_IN_BOOTLOADER);
            } else if (type == applicationProductType_) {
                events_.push_back(POD_IN_APPLICATION);
            } else {
                qDebug() << "Invalid product type reported" << cvsw::muppet::product_type_id_name(type);
                events_.push_back(FAILED);
            }
        },
        [this] { events_.push_back(FAILED); });
    runState_ = CONNECTED;
    tickTimer_.start();
}

void MbuBootloaderFilePutter::tick(const Run& run) {
    if (runState_ == CONNECTED) {
        link_.service();
    }
    while (!events_.empty()) {
        const unsigned int event = events_.front();
        events_.pop_front();
        if (!handle(event, run)) {
            return;
        }
    }
}

bool MbuBootloaderFilePutter::handle(unsigned int event, const Run& run) {
    switch (event) {
    case POD_IN_BOOTLOADER:
        logIn(bootloaderProductType_, CHECK_OFFSETS);
        break;
    case POD_IN_APPLICATION:
        logIn(applicationProductType_, RESET_TO_BOOTLOADER);
        break;
    case CHECK_OFFSETS:
        if (checkList_.empty()) {
            events_.push_back(PUT_NEXT_FILE);
            return false;
        }
        checkNextOffset();
        break;
    case RESET_TO_BOOTLOADER:
        resetToBootloaderRequester_.start([this] { events_.push_back(FIND_IN_BOOTLOADER); },
                                          [this] { events_.push_back(FAILED); });
        break;
    case FIND_IN_BOOTLOADER:
        find(run, false);
        return true;
    case FIND_IN_APPLICATION:
        find(run, true);
        return true;
    case LOG_IN_TO_BOOTLOADER:
        logIn(bootloaderProductType_, PUT_NEXT_FILE);
        break;
    case PUT_NEXT_FILE:
        if (!putNextFile(run)) {
            return false;
        }
        break;
    case RESET_TO_APPLICATION:
        resetToApplication();
        break;
    case FAILED: {
        // Copies: the clean-up disconnects the slot that holds the run.
        const std::function<void()> failed = run.onFailure;
        cleanUp();
        failed();
        return false;
    }
    case DONE: {
        const std::function<void(const QString&)> done = run.onDone;
        const QString location = location_;
        cleanUp();
        done(location);
        return false;
    }
    default:
        return true;
    }
    runState_ = CONNECTED;
    return true;
}

void MbuBootloaderFilePutter::logIn(cvsw::muppet::ProductTypeId type, Event onSuccess) {
    loginAgent_.start(
        type, [this, onSuccess] { events_.push_back(onSuccess); }, [this] { events_.push_back(FAILED); });
}

void MbuBootloaderFilePutter::checkNextOffset() {
    const cvsw::corvane::FileId fileId = checkList_.front();
    checkList_.pop_front();
    // A file partly held already means an earlier put broke off: the bootloader then starts afresh
    // from a reset, and every file goes again from its start.
    offsetGetter_.start(
        [this](const unsigned int& offset) {
            events_.push_back(offset != 0 ? RESET_TO_BOOTLOADER : CHECK_OFFSETS);
        },
        [this] { events_.push_back(FAILED); }, fileId);
}

bool MbuBootloaderFilePutter::putNextFile(const Run& run) {
    if (putList_.empty()) {
        events_.push_back(run.resetToApplicationAfter ? RESET_TO_APPLICATION : DONE);
        return false;
    }
    const PutEntry file = putList_.front();
    putList_.pop_front();
    filePutter_.start(
        [this, size = file.size] {
            finishedBytes_ += size;
            events_.push_back(PUT_NEXT_FILE);
        },
        [this, run, size = file.size](ProgressPercentage percent) {
            reportProgress(run, percent.value(), size);
        },
        [this] { events_.push_back(FAILED); }, file.path, file.fileId);
    return true;
}

void MbuBootloaderFilePutter::resetToApplication() {
    resetToApplicationRequester_.start(
        [this, runId = runId_] {
            // The application needs a while to start. The tick goes on servicing meanwhile.
            pump_events_for(detail::timer_interval(applicationStartWaitMs_));
            if (runId == runId_ && runState_ != IDLE) {
                events_.push_back(FIND_IN_APPLICATION);
            }
        },
        [this] { events_.push_back(FAILED); });
}

void MbuBootloaderFilePutter::find(const Run& run, bool afterResetToApplication) {
    runState_ = RELOCATING;
    link_.close();
    IComponentRelocator::FoundHandler onFound;
    if (afterResetToApplication) {
        onFound = [this](cvsw::muppet::ProductTypeId type, const QString& newLocation) {
            if (type == bootloaderProductType_ || type == applicationProductType_) {
                location_ = newLocation;
                events_.push_back(DONE);
            } else {
                qDebug() << "Invalid product type reported" << cvsw::muppet::product_type_id_name(type);
                events_.push_back(FAILED);
            }
        };
    } else {
        onFound = [this](cvsw::muppet::ProductTypeId, const QString& newLocation) {
            events_.push_back(connectTo(newLocation) ? LOG_IN_TO_BOOTLOADER : FAILED);
        };
    }
    // Without a relocator the pod cannot be found again after its reset.
    if (!relocator_) {
        events_.push_back(FAILED);
        return;
    }
    relocator_->relocate(run.location, run.serialNumber, onFound, [this] { events_.push_back(FAILED); });
}

void MbuBootloaderFilePutter::reportProgress(const Run& run, unsigned char percent, std::uint64_t fileBytes) {
    if (totalBytes_ == 0) {
        throw std::invalid_argument("totalBytesOfAllFilesToBeSent cannot be zero ");
    }
    const auto size = static_cast<float>(fileBytes);
    const auto sentBytes =
        static_cast<std::uint64_t>(static_cast<double>(finishedBytes_) +
                                   static_cast<double>(percent) / 100.0 * static_cast<double>(size));
    const float share = static_cast<float>(sentBytes) / static_cast<float>(totalBytes_) * 100.0F;
    run.onProgress(ProgressPercentage(static_cast<unsigned char>(std::min(static_cast<int>(share), 100))));
}

bool MbuBootloaderFilePutter::connectTo(const QString& location) {
    location_ = location;
    return link_.open(location);
}

void MbuBootloaderFilePutter::cleanUp() {
    tickTimer_.stop();
    QObject::disconnect(&tickTimer_, &QTimer::timeout, nullptr, nullptr);
    link_.close();
    relocator_.reset();
    runState_ = IDLE;
    finishedBytes_ = 0;
    totalBytes_ = 0;
}

} // namespace fwup
