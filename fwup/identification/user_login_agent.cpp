#include "fwup/identification/user_login_agent.h"

#include "muppet/control_centre.h"
#include "security/sha256.h"

#include <QDebug>

#include <algorithm>
#include <array>

namespace fwup {

using cvsw::muppet::control::Mode;

namespace {

constexpr std::array<const char*, 11> STATE_NAMES = {
    "IDLE",
    "ISSUE_GET_USER_STATUS",
    "AWAIT_STATUS",
    "ISSUE_GET_SESSION_ID",
    "AWAIT_SESSION",
    "ISSUE_SET_USER_LOGIN",
    "AWAIT_LOGIN_RESULT",
    "ISSUE_SET_USER_LOGOUT",
    "AWAIT_LOGOUT_RESULT",
    "COMPLETE",
    "ERROR",
};

constexpr std::array<const char*, 8> USER_NAMES = {
    "ANONYMOUS",          "OPERATOR",      "PRODUCTION_TESTER",  "FIELD_TESTER",
    "SOFTWARE_DEVELOPER", "TAG_DEVELOPER", "PRODUCT_SPECIFIC_A", "PRODUCT_SPECIFIC_B",
};

std::vector<unsigned char> login_digest(const std::vector<unsigned char>& session,
                                        const std::vector<unsigned char>& password) {
    cvsw::security::Sha256Context context;
    cvsw::security::sha256_start(context);
    cvsw::security::sha256_update(context, session.data(), session.size());
    cvsw::security::sha256_update(context, password.data(), password.size());
    const cvsw::security::Sha256Digest digest = cvsw::security::sha256_finish(context);
    return {digest.begin(), digest.end()};
}

} // namespace

UserLoginAgent::UserLoginAgent(cvsw::muppet::ControlCentre& controlCentre, QObject* parent)
    : QObject(parent)
    , controlCentre_(controlCentre) {
    controlCentre_.setHandler<StatusCommand>(
        [this](std::unique_ptr<StatusCommand>&& reply) { handleUserLoginStatus(std::move(reply)); });
    controlCentre_.setHandler<SessionCommand>(
        [this](std::unique_ptr<SessionCommand>&& reply) { handleUserLoginSession(std::move(reply)); });
    controlCentre_.setHandler<LoginCommand>(
        [this](std::unique_ptr<LoginCommand>&& reply) { handleUserLogin(std::move(reply)); });
    controlCentre_.setHandler<LogoutCommand>(
        [this](std::unique_ptr<LogoutCommand>&& reply) { handleUserLogout(std::move(reply)); });
    timer_.setInterval(TICK_MS);
    connect(&timer_, &QTimer::timeout, this, &UserLoginAgent::onTimerTimeout);
}

UserLoginAgent::~UserLoginAgent() {
    // The handlers point at this agent; a reply dispatched after it is gone must find nothing.
    controlCentre_.clearHandler(StatusCommand::GROUP, StatusCommand::ID);
    controlCentre_.clearHandler(SessionCommand::GROUP, SessionCommand::ID);
    controlCentre_.clearHandler(LoginCommand::GROUP, LoginCommand::ID);
    controlCentre_.clearHandler(LogoutCommand::GROUP, LogoutCommand::ID);
}

QString UserLoginAgent::stateToString(std::uint32_t state) {
    return state < STATE_NAMES.size() ? QString::fromLatin1(STATE_NAMES[state]) : QString();
}

const char* UserLoginAgent::userName(std::uint8_t userId) {
    return userId < USER_NAMES.size() ? USER_NAMES[userId] : "?INVALID_USER?";
}

void UserLoginAgent::start(const LoginState& first) {
    state_ = first;
    retryCount_ = 0;
    nextState_ = IDLE;
    previousState_ = IDLE;
    timer_.start();
}

void UserLoginAgent::onTimerTimeout() {
    poll();
}

void UserLoginAgent::enterWaitState(LoginState waitState) {
    previousState_ = state_;
    state_ = waitState;
    waitTimer_.restart();
}

void UserLoginAgent::goToNextState() {
    state_ = nextState_;
    nextState_ = IDLE;
    retryCount_ = 0;
}

void UserLoginAgent::poll() {
    switch (state_) {
    case ISSUE_GET_USER_STATUS: {
        qDebug() << "Issue get user status";
        controlCentre_.queueCommand(StatusCommand(Mode::GET));
        enterWaitState(AWAIT_STATUS);
        break;
    }
    case ISSUE_GET_SESSION_ID: {
        qDebug() << "Issue get session id";
        SessionCommand request(Mode::GET);
        request.hashAlgorithm = HASH_ALGORITHM_SHA2_256;
        controlCentre_.queueCommand(request);
        enterWaitState(AWAIT_SESSION);
        break;
    }
    case ISSUE_SET_USER_LOGIN: {
        qDebug() << "Issue set user login";
        LoginCommand request(Mode::SET);
        request.sessionId = sessionId_;
        request.userId = OPERATOR;
        request.digest.bytes = login_digest(session_, password_);
        controlCentre_.queueCommand(request);
        enterWaitState(AWAIT_LOGIN_RESULT);
        break;
    }
    case ISSUE_SET_USER_LOGOUT: {
        qDebug() << "Issue set user logout";
        LogoutCommand request(Mode::SET);
        request.userMask = static_cast<std::uint8_t>(1u << (userId_ & 31u));
        controlCentre_.queueCommand(request);
        enterWaitState(AWAIT_LOGOUT_RESULT);
        break;
    }
    case AWAIT_STATUS:
    case AWAIT_SESSION:
    case AWAIT_LOGIN_RESULT:
    case AWAIT_LOGOUT_RESULT:
        checkWait();
        break;
    case COMPLETE:
        finish(true);
        break;
    case ERROR:
        finish(false);
        break;
    case IDLE:
        break;
    }
}

// The awaited reply is overdue: go back to the ISSUE state so the next tick sends the request again,
// unless this step has used up its attempts.
void UserLoginAgent::checkWait() {
    if (waitTimer_.elapsed() < stepTimeoutMs_) {
        return;
    }
    qDebug() << "Command response timed out" << stateToString(state_);
    const std::uint32_t timeouts = ++retryCount_;
    state_ = previousState_;
    previousState_ = IDLE;
    if (timeouts >= std::max<std::uint32_t>(stepAttempts_, 1)) {
        qWarning() << "Command retry exceeded, giving up";
        state_ = ERROR;
        retryCount_ = 0;
        nextState_ = IDLE;
    }
}

void UserLoginAgent::finish(bool success) {
    timer_.stop();
    if (completion_) {
        // A copy: the completion may start this agent again, which replaces the stored one.
        const auto completion = completion_;
        completion(success);
    }
}

void UserLoginAgent::handleUserLoginStatus(std::unique_ptr<StatusCommand>&& reply) {
    if (state_ != AWAIT_STATUS) {
        return;
    }
    if (reply->mode != Mode::INF) {
        qDebug() << "Received non-inf user login status";
        return; // waited out and asked again
    }
    if (reply->hashAlgorithm != HASH_ALGORITHM_SHA2_256) {
        qDebug() << "Device does not use SHA2 256 for hash alg";
        state_ = ERROR;
        return;
    }
    if ((reply->loggedInUsers & (1u << OPERATOR)) != 0) {
        qDebug() << "Already logged in as user OPERATOR.";
        state_ = COMPLETE;
        return;
    }
    nextState_ = ISSUE_GET_SESSION_ID;
    goToNextState();
    qDebug() << "Got Status, Awaiting Session...";
}

void UserLoginAgent::handleUserLoginSession(std::unique_ptr<SessionCommand>&& reply) {
    if (state_ != AWAIT_SESSION) {
        return;
    }
    switch (reply->mode) {
    case Mode::INF:
        if (reply->hashAlgorithm != HASH_ALGORITHM_SHA2_256) {
            qDebug() << "Device now indicating that it doesn't use SHA2 256 for login, after it said it did.";
            state_ = ERROR;
            return;
        }
        sessionId_ = reply->sessionId;
        session_ = reply->session.bytes;
        nextState_ = ISSUE_SET_USER_LOGIN;
        goToNextState();
        qDebug() << "Got Session, Awaiting Result...";
        return;
    case Mode::ERR:
        qDebug() << "Received err response";
        state_ = ERROR;
        return;
    case Mode::GET:
    case Mode::SET:
        qDebug() << "Received non-INF user login session";
        return;
    }
}

void UserLoginAgent::handleUserLogin(std::unique_ptr<LoginCommand>&& reply) {
    if (state_ != AWAIT_LOGIN_RESULT) {
        return;
    }
    if (reply->mode == Mode::INF && reply->sessionId == sessionId_) {
        qDebug() << "Got Login for user:" << unsigned(reply->userId);
        state_ = COMPLETE;
    } else if (reply->mode == Mode::ERR) {
        qDebug() << "Received err login response";
        state_ = ERROR;
    }
    // A reply for another session is not ours; the wait runs on and the request is sent again.
}

void UserLoginAgent::handleUserLogout(std::unique_ptr<LogoutCommand>&& reply) {
    if (state_ != AWAIT_LOGOUT_RESULT) {
        return;
    }
    if (reply->mode == Mode::INF) {
        qDebug() << "Got Logout for user:" << userName(userId_);
        state_ = COMPLETE;
    } else if (reply->mode == Mode::ERR) {
        qDebug() << "Received err login response";
        state_ = ERROR;
    }
}

} // namespace fwup
