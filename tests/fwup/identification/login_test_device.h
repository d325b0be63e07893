#pragma once

#include "tests/support/control_device/control_centre_device.h"

#include "fwup/identification/user_login_agent.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <cstdint>
#include <optional>
#include <vector>

namespace login_test {

using cuu::test::ControlCentreDevice;
using cuu::test::Message;
using cvsw::muppet::control::Mode;
using Status = fwup::UserLoginAgent::StatusCommand;
using Session = fwup::UserLoginAgent::SessionCommand;
using Login = fwup::UserLoginAgent::LoginCommand;
using Logout = fwup::UserLoginAgent::LogoutCommand;

inline std::uint16_t idOf(const Message& message) {
    return message.size() < 3 ? 0 : std::uint16_t((message[1] << 8) | message[2]);
}

inline Message errorOf(std::uint16_t id, std::uint8_t code = 8) {
    return {0xC2, std::uint8_t(id >> 8), std::uint8_t(id), code, 0x00, 0, 0, 0, 0};
}

// The login side of a device, answering at the control-centre level. Each answer can be changed
// or silenced (a count of requests to leave unanswered first, or for ever).
struct LoginScript {
    std::uint8_t statusHash = 1;
    std::uint8_t loggedInUsers = 0;
    bool statusAsErr = false;
    std::uint8_t sessionHash = 1;
    std::uint8_t sessionId = 0x5A;
    std::vector<unsigned char> session{0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80};
    bool sessionAsErr = false;
    std::optional<std::uint8_t> echoedSessionId; // default: the real one
    bool loginAsErr = false;
    bool logoutAsErr = false;
    // Requests of each step left unanswered before the device starts answering; -1: never answers.
    int silentStatus = 0;
    int silentSession = 0;
    int silentLogin = 0;
    int silentLogout = 0;
};

inline std::vector<Message> answer(LoginScript& script, const Message& request) {
    const auto silenced = [](int& silent) {
        if (silent < 0) {
            return true;
        }
        if (silent > 0) {
            --silent;
            return true;
        }
        return false;
    };
    switch (idOf(request)) {
    case Status::ID: {
        if (silenced(script.silentStatus)) {
            return {};
        }
        if (script.statusAsErr) {
            return {errorOf(Status::ID)};
        }
        Status reply(Mode::INF);
        reply.hashAlgorithm = script.statusHash;
        reply.loggedInUsers = script.loggedInUsers;
        return {ControlCentreDevice::encode(reply)};
    }
    case Session::ID: {
        if (silenced(script.silentSession)) {
            return {};
        }
        if (script.sessionAsErr) {
            return {errorOf(Session::ID)};
        }
        Session reply(Mode::INF);
        reply.hashAlgorithm = script.sessionHash;
        reply.sessionId = script.sessionId;
        reply.session.bytes = script.session;
        return {ControlCentreDevice::encode(reply)};
    }
    case Login::ID: {
        if (silenced(script.silentLogin)) {
            return {};
        }
        if (script.loginAsErr) {
            return {errorOf(Login::ID, 4)};
        }
        Login reply(Mode::INF);
        reply.sessionId = script.echoedSessionId.value_or(script.sessionId);
        reply.userId = 1;
        return {ControlCentreDevice::encode(reply)};
    }
    case Logout::ID: {
        if (silenced(script.silentLogout)) {
            return {};
        }
        if (script.logoutAsErr) {
            return {errorOf(Logout::ID)};
        }
        return {ControlCentreDevice::encode(Logout(Mode::INF))};
    }
    }
    return {};
}

inline QByteArray bytesOf(const std::vector<unsigned char>& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// The SET login the agent must send: session id, user 1 and the digest, worked out with Qt's own
// SHA-256 so the check does not lean on the program's.
inline Message expectedLogin(std::uint8_t sessionId, const std::vector<unsigned char>& session,
                             const std::vector<unsigned char>& password) {
    const QByteArray digest =
        QCryptographicHash::hash(bytesOf(session) + bytesOf(password), QCryptographicHash::Sha256);
    Message message{0x42, 0x00, 0x50, sessionId, 0x01, std::uint8_t(digest.size())};
    // Grown and filled in place: GCC 12 at -O3 misreads a range insert here as out of bounds.
    const std::size_t header = message.size();
    message.resize(header + std::size_t(digest.size()));
    std::copy(digest.begin(), digest.end(), message.begin() + std::ptrdiff_t(header));
    return message;
}

// A step time-out with room for the device's answer on a slow or busy machine. Steps that must time
// out keep short waits; any step the device answers gets this one, or a late answer brings a resend.
inline constexpr qint64 ANSWERED_STEP_TIMEOUT_MS = 150;

inline const Message statusRequest{0x02, 0x00, 0x52};
inline const Message sessionRequest{0x02, 0x00, 0x51, 0x01};

} // namespace login_test
