#include "fwup/installation/muppet_device_file_putter.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/pump_events.h"
#include "muppet/control_centre.h"
#include "muppet/control_mode.h"
#include "muppet/error_code.h"

#include <QDebug>

#include <limits>
#include <stdexcept>

namespace fwup {

using cvsw::muppet::control::ErrorCode;
using cvsw::muppet::control::Mode;

namespace {

constexpr std::array<const char*, 5> STATE_NAMES = {"IDLE", "ISSUE_FILE_PUT_LPD", "WAIT_FOR_FILE_PUT",
                                                    "COMPLETE", "ERROR"};

constexpr unsigned long CHUNK_LENGTH_MASK = 0xFFFF;

} // namespace

const char* to_cstr(MuppetDeviceFilePutter::StateId state) {
    return state < STATE_NAMES.size() ? STATE_NAMES[state] : "?INVALID_STATE?";
}

MuppetDeviceFilePutter::MuppetDeviceFilePutter(cvsw::corvane::FileId fileId, unsigned long chunkSize,
                                               QObject* parent)
    : QObject(parent)
    , fileId_(fileId)
    , chunkSize_(chunkSize)
    , controlCentre_(std::make_shared<cvsw::muppet::ControlCentre>()) {
    // Chunks without data would never move the device's offset.
    if ((chunkSize & CHUNK_LENGTH_MASK) == 0) {
        throw std::invalid_argument("Chunk size must hold 1 to 65535 bytes");
    }
    controlCentre_->setHandler<Command>(
        [this](std::unique_ptr<Command>&& reply) { handle(std::move(reply)); });
}

MuppetDeviceFilePutter::~MuppetDeviceFilePutter() = default;

bool MuppetDeviceFilePutter::filePutToDevice(MuppetConnection& connection, const QString& path) {
    file_.close();
    file_.setFileName(path);
    if (!file_.open(QIODevice::ReadOnly)) {
        qWarning() << "Could not open" << path << "for reading:" << file_.errorString();
        return false;
    }
    // The device states offsets in 32 bits; it could never confirm the end of a longer file.
    if (static_cast<quint64>(file_.size()) > std::numeric_limits<std::uint32_t>::max()) {
        qWarning() << "File too large to put:" << path;
        file_.close();
        return false;
    }
    connection.addControlCentre(controlCentre_);
    start();
    pump_events_until([this] { return !isRunning(); },
                      [this, &connection] {
                          poll();
                          connection.service();
                          return false;
                      });
    connection.removeControlCentre(controlCentre_);
    return state_ == COMPLETE;
}

void MuppetDeviceFilePutter::start() {
    state_ = ISSUE_FILE_PUT_LPD;
    file_.seek(0);
    offset_ = 0;
    endOfFileSent_ = false;
    writeComplete_ = false;
    retryCount_ = 0;
}

void MuppetDeviceFilePutter::poll() {
    switch (state_) {
    case ISSUE_FILE_PUT_LPD:
        transitionToState(sendNextChunk() ? WAIT_FOR_FILE_PUT : ERROR);
        break;
    case WAIT_FOR_FILE_PUT:
        awaitReply();
        break;
    case IDLE:
    case COMPLETE:
    case ERROR:
        break;
    }
}

void MuppetDeviceFilePutter::awaitReply() {
    if (writeComplete_) {
        transitionToState(COMPLETE);
        return;
    }
    if (retryCount_ < RETRY_MULTIPLES.size()) {
        if (chunkTimer_.elapsed() <= retryBaseMs_ * RETRY_MULTIPLES[retryCount_]) {
            return;
        }
        qDebug() << "Retrying with GET file put LPD. Last index" << offset_;
        ++retryCount_;
        sendGetFilePutLPD();
        return;
    }
    if (getTimer_.elapsed() > retryBaseMs_ * FINAL_WAIT_MULTIPLE) {
        qWarning() << "Command retry exceeded, giving up";
        transitionToState(ERROR);
    }
}

void MuppetDeviceFilePutter::transitionToState(StateId newState, const QString& reason) {
    retryCount_ = 0;
    QString line = QStringLiteral("Transition %1 -> %2")
                       .arg(QLatin1String(to_cstr(state_)), QLatin1String(to_cstr(newState)));
    if (!reason.isEmpty()) {
        line += QStringLiteral(": ") + reason;
    }
    qDebug().noquote() << line;
    state_ = newState;
    if (newState == COMPLETE || newState == ERROR) {
        emit finished(newState);
    }
}

bool MuppetDeviceFilePutter::sendNextChunk() {
    chunkTimer_.restart();
    if (offset_ < static_cast<std::uint64_t>(file_.size()) || writeComplete_) {
        if (!file_.seek(static_cast<qint64>(offset_))) {
            qWarning() << "Failed to seek to" << offset_ << "-" << file_.errorString();
            return false;
        }
        const auto length = static_cast<qint64>(chunkSize_ & CHUNK_LENGTH_MASK);
        cvsw::muppet::control::LpdVector<unsigned short> data;
        data.bytes.resize(static_cast<std::size_t>(length));
        const qint64 read = file_.read(reinterpret_cast<char*>(data.bytes.data()), length);
        if (read < 0) {
            qWarning() << "Failed to read chunk from firmware file:" << file_.errorString();
            return false;
        }
        data.bytes.resize(static_cast<std::size_t>(read));
        sendFilePutLPD(data);
        return true;
    }
    qDebug() << "Finished writing firmware to device";
    endOfFileSent_ = true;
    cvsw::muppet::control::LpdVector<unsigned short> none;
    sendFilePutLPD(none);
    return true;
}

void MuppetDeviceFilePutter::sendGetFilePutLPD() {
    qDebug() << "GET file put LPD";
    getTimer_.restart();
    Command command(Mode::GET);
    command.fileId = fileId_;
    controlCentre_->queueCommand(command);
}

void MuppetDeviceFilePutter::sendFilePutLPD(cvsw::muppet::control::LpdVector<unsigned short>& data) {
    Command command(Mode::SET);
    command.fileId = fileId_;
    command.offset = static_cast<std::uint32_t>(offset_);
    command.fileData = std::move(data);
    controlCentre_->queueCommand(command);
}

void MuppetDeviceFilePutter::handle(std::unique_ptr<Command>&& reply) {
    // A late answer after the end would queue a chunk that the next transfer sends first.
    if (state_ == COMPLETE || state_ == ERROR) {
        qDebug() << "Ignoring file put LPD reply after the transfer ended";
        return;
    }
    if (reply->mode == Mode::INF && reply->fileId == fileId_) {
        handleInf(*reply);
    } else if (reply->mode == Mode::ERR) {
        handleErr(*reply);
    } else {
        qDebug().nospace() << "Received unexpected " << cvsw::muppet::control::mode_to_string(reply->mode);
    }
}

void MuppetDeviceFilePutter::handleInf(const Command& reply) {
    const auto size = static_cast<std::uint64_t>(file_.size());
    if (endOfFileSent_ && (reply.offset == 0 || size <= reply.offset)) {
        qDebug() << "INF Finished writing firmware to device";
        writeComplete_ = true;
        return;
    }
    offset_ = reply.offset;
    retryCount_ = 0;
    if (!sendNextChunk()) {
        // Later answers would only restart the schedule, so the transfer would never end.
        transitionToState(ERROR);
        return;
    }
    const int percent =
        size == 0 ? 100 : static_cast<int>(static_cast<float>(offset_) / static_cast<float>(size) * 100.0f);
    emit filePutProgress(percent);
}

void MuppetDeviceFilePutter::handleErr(const Command& reply) {
    qDebug() << "Received ERR command : " << static_cast<unsigned>(reply.errorCode);
    qDebug() << "Offset comparison: " << offset_ << reply.offset;
    offset_ = reply.offset;
    switch (static_cast<ErrorCode>(reply.errorCode)) {
    case ErrorCode::PARAMETER:
        qDebug() << "File put LPD parameter, is this device sending the correct offset?";
        sendGetFilePutLPD();
        break;
    case ErrorCode::UNAUTHORISED:
        qDebug() << "File put LPD unauthorised, is this device logged in as operator?";
        break;
    case ErrorCode::UNHANDLED:
        qDebug() << "File put LPD unhandled, is this device a bootloader?";
        break;
    default:
        break;
    }
}

} // namespace fwup
