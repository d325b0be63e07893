#pragma once

#include "muppet/lpd_vector.h"
#include "muppet/user_login_command.h"
#include "muppet/user_login_session_command.h"
#include "muppet/user_login_status_command.h"
#include "muppet/user_logout_command.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

// Logs a user in on a device, or out again, over one control centre: asks whether the operator is
// already logged in, fetches a session from the device and answers with SHA-256 of the session
// bytes followed by the password. A small state machine driven by a 10 ms tick; each request is
// sent again after the step time-out, up to the step attempt limit, and the completion is called
// once with the outcome.
//
// The control centre is not owned and must outlive the agent: the agent registers its reply
// handlers on it and takes them out again when it is destroyed.
class UserLoginAgent : public QObject {
    Q_OBJECT

public:
    enum LoginState : std::uint32_t {
        IDLE = 0,
        ISSUE_GET_USER_STATUS = 1,
        AWAIT_STATUS = 2,
        ISSUE_GET_SESSION_ID = 3,
        AWAIT_SESSION = 4,
        ISSUE_SET_USER_LOGIN = 5,
        AWAIT_LOGIN_RESULT = 6,
        ISSUE_SET_USER_LOGOUT = 7,
        AWAIT_LOGOUT_RESULT = 8,
        COMPLETE = 9,
        ERROR = 10,
    };

    using SessionCommand =
        cvsw::muppet::control::UserLoginSessionCommand<cvsw::muppet::control::LpdVector<unsigned char>>;
    using LoginCommand =
        cvsw::muppet::control::UserLoginCommand<cvsw::muppet::control::LpdVector<unsigned char>>;
    using StatusCommand = cvsw::muppet::control::UserLoginStatusCommand;
    using LogoutCommand = cvsw::muppet::control::UserLogoutCommand;

    static constexpr std::uint8_t OPERATOR = 1;
    static constexpr std::uint8_t HASH_ALGORITHM_SHA2_256 = 1;
    static constexpr int TICK_MS = 10;
    // A request unanswered for this long is sent again, at most this many times in all.
    static constexpr qint64 DEFAULT_STEP_TIMEOUT_MS = 1000;
    static constexpr std::uint32_t DEFAULT_STEP_ATTEMPTS = 10;

    explicit UserLoginAgent(cvsw::muppet::ControlCentre& controlCentre, QObject* parent = nullptr);
    ~UserLoginAgent() override;

    // The state names; an empty text for any other value.
    static QString stateToString(std::uint32_t state);
    // The protocol's user names; "?INVALID_USER?" above 7.
    static const char* userName(std::uint8_t userId);

    // Starts at ISSUE_GET_USER_STATUS to log in, at ISSUE_SET_USER_LOGOUT to log out. The password,
    // the completion and, for a logout, the user must be set first.
    void start(const LoginState& first);

    bool isCompleted() const { return state_ == COMPLETE; }
    bool isError() const { return state_ == ERROR; }
    bool isRunning() const { return state_ >= ISSUE_GET_USER_STATUS && state_ <= AWAIT_LOGOUT_RESULT; }

    void setPassword(const std::vector<unsigned char>& newPassword) { password_ = newPassword; }
    void setCompletion(const std::function<void(bool)>& newCompletion) { completion_ = newCompletion; }
    void setUserId(std::uint8_t newUserId) { userId_ = newUserId; }

    // Timing of each step; the defaults are the device's.
    void setStepTimeoutMs(qint64 milliseconds) { stepTimeoutMs_ = milliseconds; }
    void setStepAttempts(std::uint32_t attempts) { stepAttempts_ = attempts; }
    qint64 stepTimeoutMs() const { return stepTimeoutMs_; }
    std::uint32_t stepAttempts() const { return stepAttempts_; }

    LoginState currentState() const { return state_; }

protected:
    void enterWaitState(LoginState waitState);
    void goToNextState();
    void poll();

    void handleUserLoginStatus(std::unique_ptr<StatusCommand>&& reply);
    void handleUserLoginSession(std::unique_ptr<SessionCommand>&& reply);
    void handleUserLogin(std::unique_ptr<LoginCommand>&& reply);
    void handleUserLogout(std::unique_ptr<LogoutCommand>&& reply);

private slots:
    void onTimerTimeout();

private:
    void checkWait();
    void finish(bool success);

    std::uint32_t retryCount_ = 0;
    LoginState nextState_ = IDLE;
    LoginState previousState_ = IDLE; // the ISSUE state of the request awaited
    LoginState state_ = IDLE;
    std::uint8_t sessionId_ = 0;
    std::uint8_t userId_ = 0;
    cvsw::muppet::ControlCentre& controlCentre_;
    std::vector<unsigned char> session_;
    std::vector<unsigned char> password_;
    std::function<void(bool)> completion_;
    QTimer timer_;
    QElapsedTimer waitTimer_;
    qint64 stepTimeoutMs_ = DEFAULT_STEP_TIMEOUT_MS;
    std::uint32_t stepAttempts_ = DEFAULT_STEP_ATTEMPTS;
};

} // namespace fwup
