#pragma once

#include "fwup/communication/muppet_command_exchange_base.h"
#include "muppet/control_centre.h"
#include "muppet/control_mode.h"
#include "muppet/error_code.h"

#include <QDebug>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>

namespace fwup {

// One request/reply exchange of command T with a device: the request is made by the caller,
// queued on the device's control centre and resent whenever the reply wait runs out, until the
// attempt limit is used up. Ends with exactly one outcome: the INF reply, or a FailureReason.
// The exchange never touches the connection; replies arrive through the handler it registers
// for T on the control centre, inside the owner's servicing of the connection.
//
// The state is reset before any callback runs, so a callback may start the same exchange again
// or destroy it.
template <typename T>
class MuppetCommandExchange : public MuppetCommandExchangeBase {
public:
    struct ExchangeCallbacks {
        // Called for every send, so each resend carries a freshly made command. Null sends nothing.
        std::function<std::unique_ptr<T>()> makeCommand;
        std::function<void(const T&)> onResponse;
        std::function<void(FailureReason)> onFailure;
    };

    // attemptLimit is the number of sends before TIMEOUT (0 counts as 1). The first wait lasts
    // firstTimeoutMs, every later one resendTimeoutMs.
    MuppetCommandExchange(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                          std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                          std::uint64_t resendTimeoutMs)
        : controlCentre_(controlCentre)
        , attemptLimit_(attemptLimit)
        , firstTimeoutMs_(firstTimeoutMs)
        , resendTimeoutMs_(resendTimeoutMs) {
        timer_.setSingleShot(true);
    }

    // Takes T's reply handler out of the control centre, whoever registered it last. No callback
    // is called, even when an exchange is running.
    ~MuppetCommandExchange() override {
        QObject::disconnect(&timer_, &QTimer::timeout, nullptr, nullptr);
        controlCentre_->clearHandler(T::GROUP, T::ID);
    }

    MuppetCommandExchange(const MuppetCommandExchange&) = delete;
    MuppetCommandExchange& operator=(const MuppetCommandExchange&) = delete;

    // Begins an exchange. BUSY is reported to these callbacks before start returns; every other
    // outcome arrives later. Throws std::invalid_argument when a callback is empty.
    void start(const ExchangeCallbacks& callbacks) {
        if (!callbacks.makeCommand || !callbacks.onResponse || !callbacks.onFailure) {
            throw std::invalid_argument("Handler functor can not be null");
        }
        if (busy_ == 1) {
            qDebug() << "Attempt to start while busy";
            callbacks.onFailure(FailureReason::BUSY);
            return;
        }
        onFailure_ = callbacks.onFailure;
        busy_ = 1;
        controlCentre_->template setHandler<T>(
            [this, callbacks](std::unique_ptr<T>&& reply) { handleReply(callbacks, *reply); });
        QObject::connect(
            &timer_, &QTimer::timeout, &timer_, [this, callbacks] { handleTimeout(callbacks); },
            Qt::DirectConnection);
        send(callbacks);
    }

    // The owner's cancel: a running exchange ends with ABORTED, reported once to the onFailure of
    // the latest start. Does nothing while idle.
    void cancel() {
        if (busy_ != 1) {
            return;
        }
        reset();
        // A copy: the callback may start this exchange again, which replaces the stored one.
        const auto onFailure = onFailure_;
        onFailure(FailureReason::ABORTED);
    }

    bool isBusy() const { return busy_ == 1; }
    std::uint32_t resendCount() const { return resendCount_; }

private:
    void send(const ExchangeCallbacks& callbacks) {
        if (busy_ != 1) {
            return;
        }
        if (const std::unique_ptr<T> command = callbacks.makeCommand()) {
            controlCentre_->queueCommand(*command);
        }
        timer_.start(intervalOf(resendCount_ != 0 ? resendTimeoutMs_ : firstTimeoutMs_));
    }

    void handleReply(const ExchangeCallbacks& callbacks, const T& reply) {
        if (busy_ != 1) {
            return;
        }
        if (reply.mode == cvsw::muppet::control::Mode::ERR) {
            qDebug() << QStringLiteral("Received error %1 to %2")
                            .arg(QLatin1String(cvsw::muppet::control::error_code_name(reply.errorCode)),
                                 QLatin1String(T::LABEL));
            reset();
            callbacks.onFailure(
                reply.errorCode == static_cast<std::uint8_t>(cvsw::muppet::control::ErrorCode::UNAUTHORISED)
                    ? FailureReason::UNAUTHORISED
                    : FailureReason::MUPPET_ERROR);
        } else if (reply.mode == cvsw::muppet::control::Mode::INF) {
            reset();
            callbacks.onResponse(reply);
        }
        // GET and SET messages of this id are not replies; the wait goes on.
    }

    void handleTimeout(const ExchangeCallbacks& callbacks) {
        qDebug() << "Timed out waiting for reseponse to " << T::LABEL;
        ++resendCount_;
        if (resendCount_ >= attemptLimit_) {
            qDebug() << "Giving Up.";
            reset();
            callbacks.onFailure(FailureReason::TIMEOUT);
            return;
        }
        qDebug() << "Resending.";
        send(callbacks);
    }

    // Back to idle: no timer, no time-out connection, no attempts counted.
    void reset() {
        timer_.stop();
        QObject::disconnect(&timer_, &QTimer::timeout, nullptr, nullptr);
        busy_ = 0;
        resendCount_ = 0;
    }

    // QTimer takes signed 32-bit milliseconds; longer waits are cut to the longest it can run
    // rather than wrapping to a negative value that would never fire.
    static int intervalOf(std::uint64_t milliseconds) {
        return static_cast<int>(std::min<std::uint64_t>(milliseconds, std::numeric_limits<int>::max()));
    }

    std::uint32_t busy_ = 0;
    std::uint32_t resendCount_ = 0;
    QTimer timer_;
    std::function<void(FailureReason)> onFailure_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    std::uint32_t attemptLimit_;
    std::uint64_t firstTimeoutMs_;
    std::uint64_t resendTimeoutMs_;
};

} // namespace fwup
