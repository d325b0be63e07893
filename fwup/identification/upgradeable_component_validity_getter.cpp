#include "fwup/identification/upgradeable_component_validity_getter.h"

#include "fwup/identification/poll_interval_p.h"

#include <QDebug>
#include <QString>

#include <stdexcept>

namespace fwup {

using cvsw::muppet::control::Mode;
using cvsw::muppet::control::UpgradeableComponentValidityCommand;

namespace {

QString describe(const char* format, unsigned int flags, unsigned int mask) {
    return QString::fromLatin1(format).arg(flags, 0, 2).arg(mask, 0, 2);
}

} // namespace

UpgradeableComponentValidityGetter::UpgradeableComponentValidityGetter(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t maxPolls,
    std::uint64_t pollIntervalMs)
    : UpgradeableComponentValidityGetter(controlCentre, maxPolls, pollIntervalMs, DEFAULT_ATTEMPT_LIMIT,
                                         DEFAULT_TIMEOUT_MS, DEFAULT_TIMEOUT_MS) {
}

UpgradeableComponentValidityGetter::UpgradeableComponentValidityGetter(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre, std::uint32_t maxPolls,
    std::uint64_t pollIntervalMs, std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
    std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs)
    , controlCentre_(controlCentre)
    , maxPolls_(maxPolls)
    , pollIntervalMs_(pollIntervalMs) {
    pollTimer_.setSingleShot(true);
}

UpgradeableComponentValidityGetter::~UpgradeableComponentValidityGetter() {
    QObject::disconnect(&pollTimer_, &QTimer::timeout, nullptr, nullptr);
}

void UpgradeableComponentValidityGetter::start(const ResultHandler& onResult,
                                               const std::function<void()>& onFailure) {
    if (!onResult || !onFailure) {
        throw std::invalid_argument("Handler functors can not be null");
    }
    if (busy_ == 1) {
        qDebug() << "Attempt to start while busy";
        onFailure();
        return;
    }
    busy_ = 1;
    // Counted per read: the updaters keep one getter for every check, and each check deserves
    // the full number of polls.
    pollCount_ = 0;
    onResult_ = onResult;
    onFailure_ = onFailure;
    QObject::connect(
        &pollTimer_, &QTimer::timeout, &pollTimer_,
        [this] {
            if (busy_ == 1) {
                ask();
            }
        },
        Qt::DirectConnection);
    ask();
}

void UpgradeableComponentValidityGetter::cancel() {
    exchange_.cancel(); // a running question ends in handleFailure
    stopPolling();
}

void UpgradeableComponentValidityGetter::ask() {
    exchange_.start({
        [] { return std::make_unique<UpgradeableComponentValidityCommand>(Mode::GET); },
        [this](const UpgradeableComponentValidityCommand& reply) { handleAnswer(reply); },
        [this](MuppetCommandExchangeBase::FailureReason) { handleFailure(); },
    });
}

void UpgradeableComponentValidityGetter::handleAnswer(const UpgradeableComponentValidityCommand& reply) {
    if (busy_ != 1) {
        return;
    }
    const unsigned int flags = reply.validFlags;
    const unsigned int mask = reply.validMask;
    if (reply.complete) {
        qDebug() << describe("Received valid flags 0b%1 (valid mask: 0b%2)", flags, mask);
    } else {
        ++pollCount_;
        if (pollCount_ < maxPolls_) {
            pollTimer_.start(detail::timer_interval(pollIntervalMs_));
            return;
        }
        qDebug() << "Gave up waiting component validity check to complete";
        qDebug() << describe("Using incomplete received valid flags 0b%1 (valid mask: 0b%2)", flags, mask);
    }
    stopPolling();
    // A copy: the handler may start this getter again, which replaces the stored one.
    const auto onResult = onResult_;
    onResult(bool(reply.complete), flags, mask);
}

void UpgradeableComponentValidityGetter::handleFailure() {
    stopPolling();
    const auto onFailure = onFailure_;
    onFailure();
}

void UpgradeableComponentValidityGetter::stopPolling() {
    pollTimer_.stop();
    QObject::disconnect(&pollTimer_, &QTimer::timeout, nullptr, nullptr);
    busy_ = 0;
}

} // namespace fwup
