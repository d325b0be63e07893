#pragma once

#include "muppet/file_id.h"
#include "muppet/file_put_lpd_command.h"
#include "muppet/lpd_vector.h"

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

class MuppetConnection;

// Writes one local file into one file slot of a device with File Put LPD, in one blocking call. The
// device drives the transfer: each answer names the offset it wants next, and the putter goes on
// from there. When the device falls silent, the putter asks for its offset with a GET on a schedule
// of growing waits, and gives up when the last of them goes unanswered.
//
// No exchange object: the putter encodes its own commands and the GET schedule stands in for resends.
class MuppetDeviceFilePutter : public QObject {
    Q_OBJECT

public:
    enum StateId : std::uint32_t {
        IDLE = 0,
        ISSUE_FILE_PUT_LPD = 1,
        WAIT_FOR_FILE_PUT = 2,
        COMPLETE = 3,
        ERROR = 4,
    };
    Q_ENUM(StateId)

    using Command =
        cvsw::muppet::control::FilePutLpdCommand<cvsw::muppet::control::LpdVector<unsigned short>>;

    // GETs go out when base x 1, 2, 4, 16, 64, 128 and 256 ms have passed since the last chunk; the
    // last GET is given base x 512 ms to be answered. The device's own base is 50 ms.
    static constexpr qint64 DEFAULT_RETRY_BASE_MS = 50;
    static constexpr std::array<qint64, 7> RETRY_MULTIPLES = {1, 2, 4, 16, 64, 128, 256};
    static constexpr qint64 FINAL_WAIT_MULTIPLE = 512;

    // Only the low 16 bits of chunkSize count, as the data length on the wire has 16 bits; a chunk
    // size whose low 16 bits are 0 would put no data at all and throws std::invalid_argument.
    MuppetDeviceFilePutter(cvsw::corvane::FileId fileId, unsigned long chunkSize, QObject* parent = nullptr);
    ~MuppetDeviceFilePutter() override;

    // Puts the whole file at path, pumping the event loop meanwhile, and returns whether the device
    // confirmed its end. The putter's control centre rides on the connection for the call only.
    bool filePutToDevice(MuppetConnection& connection, const QString& path);

    // Readies a new transfer of the file already open: from offset 0, nothing confirmed, no retries.
    void start();
    // One step of the transfer.
    void poll();

    bool isRunning() const { return state_ < COMPLETE; }
    bool hasCompletedSuccessfully() const { return state_ == COMPLETE; }
    StateId state() const { return state_; }

    void setRetryBaseMs(qint64 milliseconds) { retryBaseMs_ = milliseconds; }
    qint64 retryBaseMs() const { return retryBaseMs_; }

signals:
    // The share of the file the device holds, as it last said.
    void filePutProgress(int percent);
    // On entering COMPLETE or ERROR.
    void finished(fwup::MuppetDeviceFilePutter::StateId state);

private:
    void handle(std::unique_ptr<Command>&& reply);
    void handleInf(const Command& reply);
    void handleErr(const Command& reply);
    void transitionToState(StateId newState, const QString& reason = {});
    bool sendNextChunk();
    void sendGetFilePutLPD();
    void sendFilePutLPD(cvsw::muppet::control::LpdVector<unsigned short>& data);
    void awaitReply();

    cvsw::corvane::FileId fileId_;
    unsigned long chunkSize_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    StateId state_ = IDLE;
    QFile file_;
    std::uint64_t offset_ = 0;
    bool endOfFileSent_ = false;
    bool writeComplete_ = false;
    std::uint32_t retryCount_ = 0;
    QElapsedTimer chunkTimer_;
    // Restarted by every GET, for the wait after the last one.
    QElapsedTimer getTimer_;
    qint64 retryBaseMs_ = DEFAULT_RETRY_BASE_MS;
};

// The state's name; "?INVALID_STATE?" for any other value.
const char* to_cstr(MuppetDeviceFilePutter::StateId state);

} // namespace fwup
