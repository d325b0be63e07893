#include "fwup/identification/upgradeable_component_validity_getter.h"

#include <QDebug>
#include <QString>

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
    : PollingGetter(maxPolls, pollIntervalMs)
    , exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs)
    , controlCentre_(controlCentre) {
}

UpgradeableComponentValidityGetter::~UpgradeableComponentValidityGetter() = default;

void UpgradeableComponentValidityGetter::start(const ResultHandler& onResult,
                                               const std::function<void()>& onFailure) {
    if (!begin(onResult, onFailure)) {
        return;
    }
    onResult_ = onResult;
    ask();
}

void UpgradeableComponentValidityGetter::ask() {
    exchange_.start({
        [] { return std::make_unique<UpgradeableComponentValidityCommand>(Mode::GET); },
        [this](const UpgradeableComponentValidityCommand& reply) { handleAnswer(reply); },
        [this](MuppetCommandExchangeBase::FailureReason) { fail(); },
    });
}

void UpgradeableComponentValidityGetter::cancelQuestion() {
    exchange_.cancel();
}

void UpgradeableComponentValidityGetter::handleAnswer(const UpgradeableComponentValidityCommand& reply) {
    if (!isBusy()) {
        return;
    }
    const unsigned int flags = reply.validFlags;
    const unsigned int mask = reply.validMask;
    if (reply.complete) {
        qDebug() << describe("Received valid flags 0b%1 (valid mask: 0b%2)", flags, mask);
    } else {
        if (waitForNextPoll()) {
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

} // namespace fwup
