#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/installation/progress_percentage.h"
#include "muppet/file_id.h"
#include "muppet/file_put_lpd_command.h"
#include "muppet/lpd_vector.h"

#include <QFile>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

// Transfers one local file into one file slot of a device with File Put LPD, in packets of at most
// the packet size. The device answers each packet with the offset up to which it now holds the file,
// and that answer decides what comes next: the next packet, a resend from the device's offset, or
// the end. A packet that gets no answer at all makes the putter ask the device for its offset and
// go on from there.
//
// The owner services the connection that carries the putter's control centre; the putter only
// drives its exchange. One put at a time.
class FilePutter {
public:
    using Command =
        cvsw::muppet::control::FilePutLpdCommand<cvsw::muppet::control::LpdVector<unsigned short>>;
    using ProgressHandler = std::function<void(ProgressPercentage)>;

    static constexpr std::uint16_t DEFAULT_PACKET_SIZE = 1024;

    // The last three go to the exchange: sends of one packet before it fails, the wait after the
    // first send and the wait after each resend.
    FilePutter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint16_t packetSize,
               std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs, std::uint64_t resendTimeoutMs);
    ~FilePutter();

    FilePutter(const FilePutter&) = delete;
    FilePutter& operator=(const FilePutter&) = delete;

    // Puts the file at path into the device file fileId. Exactly one of onComplete and onFailure
    // follows; onProgress may come any number of times before onComplete. A start while a put runs
    // fails at once and leaves that put alone. Throws std::invalid_argument when a handler is empty.
    void start(const std::function<void()>& onComplete, const ProgressHandler& onProgress,
               const std::function<void()>& onFailure, const QString& path, cvsw::corvane::FileId fileId);

    bool isBusy() const { return busy_; }

private:
    void startSendingNextPacket(std::uint32_t offset);
    void checkOffsetThenSendNextPacket();
    bool prepareChunk(std::uint32_t offset);

    void handleAnswer(const Command& answer);
    void handleFailure();
    // Back to idle, then exactly one of the put's two end handlers.
    void finish(bool complete);

    std::uint16_t packetSize_;
    bool busy_ = false;
    MuppetCommandExchange<Command> exchange_;
    QFile file_;
    Command packet_;
    std::function<void()> onComplete_;
    ProgressHandler onProgress_;
    std::function<void()> onFailure_;
    cvsw::corvane::FileId fileId_ = 0;
    // Answers in a row that fell short of the packet's end, and exchange failures in a row.
    std::uint64_t resendCount_ = 0;
    std::uint64_t failureCount_ = 0;
};

} // namespace fwup
