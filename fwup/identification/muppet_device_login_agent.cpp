#include "fwup/identification/muppet_device_login_agent.h"

#include "fwup/communication/muppet_connection.h"
#include "fwup/communication/pump_events.h"
#include "fwup/identification/muppet_password_generator.h"
#include "fwup/identification/user_login_agent.h"
#include "muppet/control_centre.h"

#include <QDebug>

#include <array>
#include <cstddef>

namespace fwup {

namespace {

constexpr std::array<const char*, 5> STATE_NAMES = {
    "IDLE", "ISSUE_LOGIN", "WAIT_FOR_LOGIN", "COMPLETE", "ERROR",
};

// Through a volatile pointer, so the stores survive even though nothing reads them again.
void wipe(std::vector<unsigned char>& bytes) {
    volatile unsigned char* data = bytes.data();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        data[i] = 0;
    }
    bytes.clear();
}

} // namespace

const char* to_cstr(MuppetDeviceLoginAgent::StateId state) {
    return state < STATE_NAMES.size() ? STATE_NAMES[state] : "?INVALID_STATE?";
}

MuppetDeviceLoginAgent::MuppetDeviceLoginAgent()
    : stepTimeoutMs_(UserLoginAgent::DEFAULT_STEP_TIMEOUT_MS) {
    makeConversation();
}

MuppetDeviceLoginAgent::~MuppetDeviceLoginAgent() {
    wipe(password_);
}

void MuppetDeviceLoginAgent::setStepTimeoutMs(qint64 milliseconds) {
    stepTimeoutMs_ = milliseconds;
    userLoginAgent_->setStepTimeoutMs(milliseconds);
}

bool MuppetDeviceLoginAgent::login(MuppetConnection& connection, const cvsw::muppet::ProductTypeId& type) {
    productType_ = type;
    connection.addControlCentre(controlCentre_);
    start();
    pump_events_until([this] { return !isRunning(); },
                      [this, &connection] {
                          poll();
                          connection.service();
                          return false;
                      });
    connection.removeControlCentre(controlCentre_);
    standDown();
    return state_ == COMPLETE;
}

void MuppetDeviceLoginAgent::start() {
    attempts_ = 0;
    loginResult_.reset();
    state_ = ISSUE_LOGIN;
    // No password for the product leaves it empty: a device with the operator already logged in
    // never asks for it.
    wipe(password_);
    get_operator_password_for_product(productType_, password_);
}

void MuppetDeviceLoginAgent::poll() {
    switch (state_) {
    case ISSUE_LOGIN:
        attemptTimer_.restart();
        // An outcome of an earlier attempt that came in after its deadline is not this attempt's.
        loginResult_.reset();
        userLoginAgent_->setPassword(password_);
        userLoginAgent_->setCompletion([this](bool ok) { handleUserLogin(ok); });
        userLoginAgent_->start(UserLoginAgent::ISSUE_GET_USER_STATUS);
        transitionToState(WAIT_FOR_LOGIN);
        break;
    case WAIT_FOR_LOGIN:
        if (attemptTimer_.elapsed() <= attemptWindowMs_) {
            if (!loginResult_) {
                return;
            }
            if (*loginResult_) {
                transitionToState(COMPLETE);
                return;
            }
        }
        // Refused or overdue.
        ++attempts_;
        if (attempts_ >= ATTEMPT_LIMIT) {
            qWarning() << "Login retry exceeded, giving up";
            transitionToState(ERROR);
            return;
        }
        transitionToState(ISSUE_LOGIN);
        break;
    case IDLE:
    case COMPLETE:
    case ERROR:
        break;
    }
}

void MuppetDeviceLoginAgent::transitionToState(StateId newState) {
    qDebug() << "Transition" << to_cstr(state_) << "->" << to_cstr(newState);
    state_ = newState;
}

// The password stays until login returns: a retry after a refusal needs it as it was.
void MuppetDeviceLoginAgent::handleUserLogin(bool ok) {
    loginResult_ = ok;
    if (!ok) {
        qDebug() << "Login failed";
    }
}

// Nothing of this login may outlive the call: the password goes, and a handshake still under way
// (an attempt overdue at the last deadline) is dropped with the requests it had queued, so that it
// neither ticks on nor reaches the device at the next login.
void MuppetDeviceLoginAgent::standDown() {
    userLoginAgent_->setPassword(std::vector<unsigned char>(password_.size(), 0));
    wipe(password_);
    if (userLoginAgent_->isRunning()) {
        makeConversation();
    }
}

void MuppetDeviceLoginAgent::makeConversation() {
    // The handshake first: it takes its reply handlers out of the control centre it was built on.
    userLoginAgent_.reset();
    controlCentre_ = std::make_shared<cvsw::muppet::ControlCentre>();
    userLoginAgent_ = std::make_unique<UserLoginAgent>(*controlCentre_);
    userLoginAgent_->setStepTimeoutMs(stepTimeoutMs_);
}

} // namespace fwup
