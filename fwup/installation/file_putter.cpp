#include "fwup/installation/file_putter.h"

#include <QDebug>

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace fwup {

using cvsw::muppet::control::Mode;

namespace {

// Sends that wrong-footed the device in a row before the put is given up.
constexpr std::uint64_t MAX_SHORT_ANSWERS = 3;
// Exchange failures in a row that are each followed by an offset check; the next one ends the put.
constexpr std::uint64_t MAX_OFFSET_CHECKS = 4;

} // namespace

FilePutter::FilePutter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                       std::uint16_t packetSize, std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                       std::uint64_t resendTimeoutMs)
    // An empty packet never moves the put forward; at least one byte goes in each.
    : packetSize_(std::max<std::uint16_t>(packetSize, 1))
    , exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs) {
}

FilePutter::~FilePutter() = default;

void FilePutter::start(const std::function<void()>& onComplete, const ProgressHandler& onProgress,
                       const std::function<void()>& onFailure, const QString& path,
                       cvsw::corvane::FileId fileId) {
    if (!onComplete || !onProgress || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    if (busy_) {
        qDebug() << "Attempt to start while busy";
        onFailure();
        return;
    }
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        qDebug() << "Could not open" << path << "for reading:" << file_.errorString();
        onFailure();
        return;
    }
    // Offsets travel as 32 bits; a longer file could not be addressed to its end.
    if (file_.size() > std::numeric_limits<std::uint32_t>::max()) {
        qDebug() << "File too large to put:" << path;
        file_.close();
        onFailure();
        return;
    }
    onComplete_ = onComplete;
    onProgress_ = onProgress;
    onFailure_ = onFailure;
    fileId_ = fileId;
    // A put never inherits the counts of an earlier one that failed.
    resendCount_ = 0;
    failureCount_ = 0;
    busy_ = true;
    startSendingNextPacket(0);
}

void FilePutter::startSendingNextPacket(std::uint32_t offset) {
    if (!prepareChunk(offset)) {
        qDebug() << "Couldn't start sending next packet at" << offset;
        finish(false);
        return;
    }
    exchange_.start({
        [this] {
            auto command = std::make_unique<Command>(Mode::SET);
            command->fileId = packet_.fileId;
            command->offset = packet_.offset;
            command->fileData = packet_.fileData;
            return command;
        },
        [this](const Command& answer) { handleAnswer(answer); },
        [this](MuppetCommandExchangeBase::FailureReason) { handleFailure(); },
    });
}

void FilePutter::checkOffsetThenSendNextPacket() {
    exchange_.start({
        [this] {
            auto command = std::make_unique<Command>(Mode::GET);
            command->fileId = packet_.fileId;
            return command;
        },
        [this](const Command& answer) { startSendingNextPacket(answer.offset); },
        [this](MuppetCommandExchangeBase::FailureReason) {
            qDebug() << "Failed to recheck file offset in device";
            finish(false);
        },
    });
}

bool FilePutter::prepareChunk(std::uint32_t offset) {
    packet_.offset = offset;
    packet_.fileId = fileId_;
    std::vector<std::uint8_t>& data = packet_.fileData.bytes;
    const qint64 size = file_.size();
    if (size == offset) {
        data.clear();
        return true;
    }
    // The device claims more than the file holds: an empty packet there would be acknowledged at the
    // same offset for ever, so the put cannot go on.
    if (offset > size) {
        qDebug() << "Offset" << offset << "lies beyond the end of the file," << size << "bytes";
        return false;
    }
    if (!file_.seek(offset)) {
        qDebug() << "Failed to seek to" << offset << "-" << file_.errorString();
        return false;
    }
    data.resize(packetSize_);
    const qint64 read = file_.read(reinterpret_cast<char*>(data.data()), packetSize_);
    if (read < 0) {
        qDebug() << "Failed to read chunk from firmware file:" << file_.errorString();
        return false;
    }
    data.resize(static_cast<std::size_t>(read));
    return true;
}

void FilePutter::handleAnswer(const Command& answer) {
    if (!busy_) {
        return;
    }
    failureCount_ = 0;
    const auto length = static_cast<std::uint32_t>(packet_.fileData.bytes.size());
    const std::uint32_t reported = answer.offset;
    const std::uint32_t end = packet_.offset + length;

    if (length == 0 && reported == 0) {
        finish(true);
        return;
    }
    if (reported > end) {
        qDebug() << QStringLiteral("File offset mismatch %1 instead of %2").arg(reported).arg(end);
        finish(false);
        return;
    }
    if (reported < end) {
        ++resendCount_;
        if (resendCount_ > MAX_SHORT_ANSWERS) {
            qDebug() << "Exceeded retransmissions of packet at" << reported;
            finish(false);
            return;
        }
        qDebug() << QStringLiteral("Resending chunk at %1 instead of %2").arg(reported).arg(end);
        startSendingNextPacket(reported);
        return;
    }

    resendCount_ = 0;
    const auto size = static_cast<std::uint64_t>(file_.size());
    // An empty file is whole from the start; never divide by its size.
    const std::uint64_t percent =
        size == 0 ? 100 : std::min<std::uint64_t>(std::uint64_t{reported} * 100 / size, 100);
    onProgress_(ProgressPercentage(static_cast<unsigned char>(percent)));
    if (size == reported && length == 0) {
        finish(true);
        return;
    }
    startSendingNextPacket(reported);
}

void FilePutter::handleFailure() {
    const std::uint64_t failures = failureCount_++;
    if (failures < MAX_OFFSET_CHECKS) {
        checkOffsetThenSendNextPacket();
        return;
    }
    finish(false);
}

void FilePutter::finish(bool complete) {
    busy_ = false;
    file_.close();
    // Taken out first: the handler may start the next put on this putter.
    const std::function<void()> handler = complete ? onComplete_ : onFailure_;
    onComplete_ = {};
    onProgress_ = {};
    onFailure_ = {};
    handler();
}

} // namespace fwup
