#pragma once

#include "muppet/product_type_id.h"

#include <QElapsedTimer>
#include <QtGlobal>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

class MuppetConnection;
class UserLoginAgent;

// Logs the operator in on a connection in one blocking call: lends its own control centre to the
// connection, runs the login handshake with the operator password of the product type and tries it
// again a few times, each attempt under a short deadline, before it gives up.
//
// The blocking alternative to OperatorUserLoginAgent: login pumps the event loop itself.
class MuppetDeviceLoginAgent {
public:
    enum StateId : std::uint32_t {
        IDLE = 0,
        ISSUE_LOGIN = 1,
        WAIT_FOR_LOGIN = 2,
        COMPLETE = 3,
        ERROR = 4,
    };

    // Failed or overdue attempts before the login is given up.
    static constexpr int ATTEMPT_LIMIT = 4;
    // An attempt with no outcome after this long is abandoned and the next one starts.
    static constexpr qint64 DEFAULT_ATTEMPT_WINDOW_MS = 500;

    MuppetDeviceLoginAgent();
    ~MuppetDeviceLoginAgent();

    MuppetDeviceLoginAgent(const MuppetDeviceLoginAgent&) = delete;
    MuppetDeviceLoginAgent& operator=(const MuppetDeviceLoginAgent&) = delete;

    // Logs in as operator and returns whether it worked. The control centre is attached to the
    // connection only for the call, and the password is kept only for the call too. A product with
    // no known password is tried with an empty one, which a device where the operator is already
    // logged in accepts without asking for it.
    bool login(MuppetConnection& connection, const cvsw::muppet::ProductTypeId& type);

    // Prepares a login run for the product type of the last login, without touching a connection.
    void start();

    bool hasCompletedSuccessfully() const { return state_ == COMPLETE; }
    bool isRunning() const { return state_ == ISSUE_LOGIN || state_ == WAIT_FOR_LOGIN; }
    StateId state() const { return state_; }

    // The deadline of one attempt; the default is the device's.
    void setAttemptWindowMs(qint64 milliseconds) { attemptWindowMs_ = milliseconds; }
    qint64 attemptWindowMs() const { return attemptWindowMs_; }
    // The wait for each reply within the handshake; the default is the handshake's own.
    void setStepTimeoutMs(qint64 milliseconds);
    qint64 stepTimeoutMs() const { return stepTimeoutMs_; }

private:
    void poll();
    void transitionToState(StateId newState);
    void handleUserLogin(bool ok);
    void standDown();
    void makeConversation();

    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    std::unique_ptr<UserLoginAgent> userLoginAgent_;
    StateId state_ = IDLE;
    std::optional<bool> loginResult_;
    cvsw::muppet::ProductTypeId productType_ = 0;
    std::vector<unsigned char> password_;
    std::int32_t attempts_ = 0;
    QElapsedTimer attemptTimer_;
    qint64 attemptWindowMs_ = DEFAULT_ATTEMPT_WINDOW_MS;
    qint64 stepTimeoutMs_;
};

// The state's name; "?INVALID_STATE?" for any other value.
const char* to_cstr(MuppetDeviceLoginAgent::StateId state);

} // namespace fwup
