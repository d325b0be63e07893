#include "fwup/identification/muppet_device_identifier.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/pump_events.h"
#include "fwup/identification/product_type_id_name.h"
#include "muppet/control_centre.h"
#include "muppet/error_code.h"
#include "muppet/hardware_version_command.h"
#include "muppet/product_type_command.h"
#include "muppet/serial_number_command.h"
#include "muppet/software_version_command.h"
#include "muppet/user_verification_code_command.h"

#include <QByteArray>
#include <QDebug>
#include <QLatin1String>

#include <algorithm>
#include <array>

namespace fwup {

using cvsw::muppet::control::ErrorCode;
using cvsw::muppet::control::HardwareVersionCommand;
using cvsw::muppet::control::Mode;
using cvsw::muppet::control::ProductTypeCommand;
using cvsw::muppet::control::SerialNumberCommand;
using cvsw::muppet::control::SoftwareVersionCommand;
using cvsw::muppet::control::UserVerificationCodeCommand;

namespace {

constexpr std::array<const char*, 7> STATE_NAMES = {
    "IDLE",  "ISSUE_PRODUCT_TYPE", "WAIT_FOR_PRODUCT_TYPE_INF", "ISSUE_COMMANDS", "WAIT_FOR_INFS", "COMPLETE",
    "ERROR",
};

QString error_name(std::uint8_t code) {
    return QLatin1String(cvsw::muppet::control::error_code_name(code));
}

} // namespace

const char* to_cstr(MuppetDeviceIdentifier::StateId state) {
    return state < STATE_NAMES.size() ? STATE_NAMES[state] : "?INVALID_STATE?";
}

MuppetDeviceIdentifier::MuppetDeviceIdentifier(const QList<cvsw::muppet::ProductTypeId>& acceptedProductTypes)
    : acceptedProductTypes_(acceptedProductTypes)
    , controlCentre_(std::make_shared<cvsw::muppet::ControlCentre>()) {
    controlCentre_->setHandler<HardwareVersionCommand>(
        [this](std::unique_ptr<HardwareVersionCommand>&& reply) { handle(std::move(reply)); });
    controlCentre_->setHandler<ProductTypeCommand>(
        [this](std::unique_ptr<ProductTypeCommand>&& reply) { handle(std::move(reply)); });
    controlCentre_->setHandler<UserVerificationCodeCommand>(
        [this](std::unique_ptr<UserVerificationCodeCommand>&& reply) { handle(std::move(reply)); });
    controlCentre_->setHandler<SerialNumberCommand>(
        [this](std::unique_ptr<SerialNumberCommand>&& reply) { handle(std::move(reply)); });
    controlCentre_->setHandler<SoftwareVersionCommand>(
        [this](std::unique_ptr<SoftwareVersionCommand>&& reply) { handle(std::move(reply)); });
    handledCommands_ = {
        {{HardwareVersionCommand::GROUP, HardwareVersionCommand::ID}, false},
        {{ProductTypeCommand::GROUP, ProductTypeCommand::ID}, false},
        {{UserVerificationCodeCommand::GROUP, UserVerificationCodeCommand::ID}, false},
        {{SerialNumberCommand::GROUP, SerialNumberCommand::ID}, false},
        {{SoftwareVersionCommand::GROUP, SoftwareVersionCommand::ID}, false},
    };
}

MuppetDeviceIdentifier::~MuppetDeviceIdentifier() = default;

std::optional<MuppetDeviceDetails> MuppetDeviceIdentifier::identifyDevice(MuppetConnection& connection) {
    connection.addControlCentre(controlCentre_);
    start();
    pump_events_until([this] { return !isRunning(); },
                      [this, &connection] {
                          poll();
                          connection.service();
                          return false;
                      });
    connection.removeControlCentre(controlCentre_);
    if (state_ != COMPLETE) {
        return std::nullopt;
    }
    return details_;
}

void MuppetDeviceIdentifier::start() {
    details_ = {};
    resendCount_ = 0;
    state_ = ISSUE_PRODUCT_TYPE;
    for (auto& entry : handledCommands_) {
        entry.second = false;
    }
}

template <typename T>
void MuppetDeviceIdentifier::issue() {
    if (isFlagged(T::GROUP, T::ID)) {
        return;
    }
    controlCentre_->queueCommand(T(Mode::GET));
    qDebug() << "Queuing" << T::LABEL;
}

void MuppetDeviceIdentifier::sendCmds() {
    issue<HardwareVersionCommand>();
    issue<UserVerificationCodeCommand>();
    issue<SerialNumberCommand>();
    issue<SoftwareVersionCommand>();
}

void MuppetDeviceIdentifier::poll() {
    switch (state_) {
    case ISSUE_PRODUCT_TYPE:
        issue<ProductTypeCommand>();
        elapsed_.restart();
        transitionToState(WAIT_FOR_PRODUCT_TYPE_INF);
        break;
    case WAIT_FOR_PRODUCT_TYPE_INF:
        awaitReplies(isFlagged(ProductTypeCommand::GROUP, ProductTypeCommand::ID), ISSUE_PRODUCT_TYPE,
                     ISSUE_COMMANDS);
        break;
    case ISSUE_COMMANDS:
        sendCmds();
        elapsed_.restart();
        transitionToState(WAIT_FOR_INFS);
        break;
    case WAIT_FOR_INFS:
        awaitReplies(std::all_of(handledCommands_.cbegin(), handledCommands_.cend(),
                                 [](const auto& entry) { return entry.second; }),
                     ISSUE_COMMANDS, COMPLETE);
        break;
    case IDLE:
    case COMPLETE:
    case ERROR:
        break;
    }
}

void MuppetDeviceIdentifier::awaitReplies(bool answered, StateId resend, StateId next) {
    if (answered) {
        transitionToState(next);
        return;
    }
    if (elapsed_.elapsed() < replyWaitMs_) {
        return;
    }
    if (resendCount_ >= RESEND_LIMIT) {
        qWarning() << "Command retry exceeded, giving up";
        transitionToState(ERROR);
        return;
    }
    ++resendCount_;
    transitionToState(resend);
}

void MuppetDeviceIdentifier::reportCommandHandled(cvsw::muppet::control::Group group,
                                                  std::uint16_t commandId) {
    handledCommands_[{group, commandId}] = true;
}

bool MuppetDeviceIdentifier::isFlagged(cvsw::muppet::control::Group group, std::uint16_t commandId) {
    return handledCommands_[{group, commandId}];
}

void MuppetDeviceIdentifier::transitionToState(StateId newState) {
    qDebug() << "Transition" << to_cstr(state_) << "->" << to_cstr(newState);
    state_ = newState;
}

// A reply in a mode not handled below leaves its question open, to be asked again after the wait.

void MuppetDeviceIdentifier::handle(std::unique_ptr<HardwareVersionCommand>&& reply) {
    if (reply->mode != Mode::INF) {
        return;
    }
    reportCommandHandled(HardwareVersionCommand::GROUP, HardwareVersionCommand::ID);
    details_.hardwareRevision = reply->hardwareRevision;
    qDebug() << "Received device hardware version" << unsigned(reply->hardwareRevision);
}

void MuppetDeviceIdentifier::handle(std::unique_ptr<ProductTypeCommand>&& reply) {
    if (reply->mode != Mode::INF) {
        return;
    }
    const cvsw::muppet::ProductTypeId type = reply->productType;
    if (!acceptedProductTypes_.contains(type)) {
        // Left unanswered: a device of another type runs out of resends.
        qDebug() << "Received unexpected device product type" << cvsw::muppet::product_type_id_name(type);
        return;
    }
    reportCommandHandled(ProductTypeCommand::GROUP, ProductTypeCommand::ID);
    details_.productType = type;
    qDebug() << "Received device product type" << cvsw::muppet::product_type_id_name(type);
}

void MuppetDeviceIdentifier::handle(std::unique_ptr<UserVerificationCodeCommand>&& reply) {
    if (reply->mode == Mode::ERR) {
        // Not every device has a code; the run goes on without one.
        reportCommandHandled(UserVerificationCodeCommand::GROUP, UserVerificationCodeCommand::ID);
        qDebug() << QStringLiteral("Received error %1 for user verification code")
                        .arg(error_name(reply->errorCode));
        return;
    }
    if (reply->mode != Mode::INF) {
        return;
    }
    reportCommandHandled(UserVerificationCodeCommand::GROUP, UserVerificationCodeCommand::ID);
    details_.userVerificationCode = reply->userVerificationCode;
    qDebug() << "Received device user verification code"
             << QStringLiteral("%1").arg(reply->userVerificationCode, 5, 10, QLatin1Char('0'));
}

void MuppetDeviceIdentifier::handle(std::unique_ptr<SerialNumberCommand>&& reply) {
    if (reply->mode == Mode::ERR && reply->errorCode == static_cast<std::uint8_t>(ErrorCode::UNAUTHORISED)) {
        // Without a login the device may keep its serial number to itself; the run goes on without it.
        reportCommandHandled(SerialNumberCommand::GROUP, SerialNumberCommand::ID);
        qDebug() << QStringLiteral("Received error %1 for serial number").arg(error_name(reply->errorCode));
        qDebug() << "The current user does not have permission to request the serial number";
        return;
    }
    if (reply->mode != Mode::INF) {
        return;
    }
    reportCommandHandled(SerialNumberCommand::GROUP, SerialNumberCommand::ID);
    const QByteArray raw(reinterpret_cast<const char*>(reply->serialNumber.data()),
                         static_cast<qsizetype>(reply->serialNumber.size()));
    details_.serialNumber = QString::fromLatin1(raw.toHex());
    qDebug() << "Received device serial number" << *details_.serialNumber;
}

void MuppetDeviceIdentifier::handle(std::unique_ptr<SoftwareVersionCommand>&& reply) {
    if (reply->mode != Mode::INF) {
        return;
    }
    reportCommandHandled(SoftwareVersionCommand::GROUP, SoftwareVersionCommand::ID);
    details_.softwareVersion = reply->version;
    qDebug() << "Received device SW version" << reply->version.toString();
}

} // namespace fwup
