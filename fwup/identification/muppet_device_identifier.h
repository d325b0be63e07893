#pragma once

#include "muppet/control_mode.h"
#include "muppet/product_type_id.h"
#include "muppet/version.h"

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace cvsw::muppet {
class ControlCentre;
namespace control {
class HardwareVersionCommand;
class ProductTypeCommand;
class SerialNumberCommand;
class SoftwareVersionCommand;
class UserVerificationCodeCommand;
} // namespace control
} // namespace cvsw::muppet

namespace fwup {

class MuppetConnection;

// What MuppetDeviceIdentifier learnt of a device; a field stays empty when the device refused it.
struct MuppetDeviceDetails {
    std::optional<cvsw::muppet::ProductTypeId> productType;
    std::optional<std::uint8_t> hardwareRevision;
    std::optional<Version> softwareVersion;
    std::optional<QString> serialNumber;
    std::optional<std::uint32_t> userVerificationCode;
};

// Identifies a device in one blocking call, without getters and without a login: asks for the
// product type and, when it is one of the accepted ones, for the hardware version, user
// verification code, serial number and software version all at once. Unanswered questions are
// asked again after a short wait, with three resends in all for the whole run.
class MuppetDeviceIdentifier {
public:
    enum StateId : std::uint32_t {
        IDLE = 0,
        ISSUE_PRODUCT_TYPE = 1,
        WAIT_FOR_PRODUCT_TYPE_INF = 2,
        ISSUE_COMMANDS = 3,
        WAIT_FOR_INFS = 4,
        COMPLETE = 5,
        ERROR = 6,
    };

    // Resends of the whole run, over both phases.
    static constexpr std::int32_t RESEND_LIMIT = 3;
    // Questions unanswered once this has passed are asked again; the default is the device's.
    static constexpr qint64 DEFAULT_REPLY_WAIT_MS = 251;

    explicit MuppetDeviceIdentifier(const QList<cvsw::muppet::ProductTypeId>& acceptedProductTypes);
    ~MuppetDeviceIdentifier();

    MuppetDeviceIdentifier(const MuppetDeviceIdentifier&) = delete;
    MuppetDeviceIdentifier& operator=(const MuppetDeviceIdentifier&) = delete;

    // Runs a whole identification on the connection, lending it the identifier's control centre for
    // the call. Empty unless the run completed: a silent device or one of another product type
    // gives nothing.
    std::optional<MuppetDeviceDetails> identifyDevice(MuppetConnection& connection);

    // The steps identifyDevice drives.
    void start();
    void poll();

    bool isRunning() const { return state_ >= ISSUE_PRODUCT_TYPE && state_ <= WAIT_FOR_INFS; }
    bool hasCompletedSuccessfully() const { return state_ == COMPLETE; }
    StateId state() const { return state_; }

    // Whether the reply to a command has been handled in this run. isFlagged enters an unknown
    // command as unanswered.
    void reportCommandHandled(cvsw::muppet::control::Group group, std::uint16_t commandId);
    bool isFlagged(cvsw::muppet::control::Group group, std::uint16_t commandId);

    void setReplyWaitMs(qint64 milliseconds) { replyWaitMs_ = milliseconds; }
    qint64 replyWaitMs() const { return replyWaitMs_; }

private:
    using CommandKey = std::pair<cvsw::muppet::control::Group, std::uint16_t>;

    template <typename T>
    void issue();
    void sendCmds();
    // Goes on to next once every question of the phase is answered; otherwise resends after the
    // wait, or gives up when the resends are spent.
    void awaitReplies(bool answered, StateId resend, StateId next);
    void transitionToState(StateId newState);

    void handle(std::unique_ptr<cvsw::muppet::control::HardwareVersionCommand>&& reply);
    void handle(std::unique_ptr<cvsw::muppet::control::ProductTypeCommand>&& reply);
    void handle(std::unique_ptr<cvsw::muppet::control::UserVerificationCodeCommand>&& reply);
    void handle(std::unique_ptr<cvsw::muppet::control::SerialNumberCommand>&& reply);
    void handle(std::unique_ptr<cvsw::muppet::control::SoftwareVersionCommand>&& reply);

    QList<cvsw::muppet::ProductTypeId> acceptedProductTypes_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    StateId state_ = IDLE;
    std::int32_t resendCount_ = 0;
    std::map<CommandKey, bool> handledCommands_;
    QElapsedTimer elapsed_;
    MuppetDeviceDetails details_;
    qint64 replyWaitMs_ = DEFAULT_REPLY_WAIT_MS;
};

// The state's name; "?INVALID_STATE?" for any other value.
const char* to_cstr(MuppetDeviceIdentifier::StateId state);

} // namespace fwup
