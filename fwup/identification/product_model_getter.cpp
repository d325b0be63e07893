#include "fwup/identification/product_model_getter.h"

#include "fwup/identification/poll_interval_p.h"

#include <QDebug>

#include <stdexcept>

namespace fwup {

using cvsw::muppet::control::Mode;
using cvsw::muppet::control::ProductModelCommand;

namespace {

constexpr unsigned char MODEL_NOT_VALID_YET = 0;
constexpr unsigned char MODEL_INVALID = 255;

} // namespace

ProductModelGetter::ProductModelGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                       std::uint32_t maxPolls, std::uint64_t pollIntervalMs)
    : ProductModelGetter(controlCentre, maxPolls, pollIntervalMs, DEFAULT_ATTEMPT_LIMIT, DEFAULT_TIMEOUT_MS,
                         DEFAULT_TIMEOUT_MS) {
}

ProductModelGetter::ProductModelGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                                       std::uint32_t maxPolls, std::uint64_t pollIntervalMs,
                                       std::uint32_t attemptLimit, std::uint64_t firstTimeoutMs,
                                       std::uint64_t resendTimeoutMs)
    : exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs)
    , controlCentre_(controlCentre)
    , maxPolls_(maxPolls)
    , pollIntervalMs_(pollIntervalMs) {
    pollTimer_.setSingleShot(true);
}

ProductModelGetter::~ProductModelGetter() {
    QObject::disconnect(&pollTimer_, &QTimer::timeout, nullptr, nullptr);
}

void ProductModelGetter::start(const std::function<void(unsigned char)>& onModel,
                               const std::function<void()>& onFailure) {
    if (!onModel || !onFailure) {
        throw std::invalid_argument("Handler functors can not be null");
    }
    if (busy_ == 1) {
        qDebug() << "Attempt to start while busy";
        onFailure();
        return;
    }
    busy_ = 1;
    // Counted per read: a getter kept for several reads must not inherit the last read's polls.
    pollCount_ = 0;
    onModel_ = onModel;
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

void ProductModelGetter::cancel() {
    exchange_.cancel(); // a running question ends in handleFailure
    stopPolling();
}

void ProductModelGetter::ask() {
    exchange_.start({
        [] { return std::make_unique<ProductModelCommand>(Mode::GET); },
        [this](const ProductModelCommand& reply) { handleAnswer(reply.productModel); },
        [this](MuppetCommandExchangeBase::FailureReason) { handleFailure(); },
    });
}

void ProductModelGetter::handleAnswer(unsigned char model) {
    if (busy_ != 1) {
        return;
    }
    if (model == MODEL_INVALID) {
        qDebug() << "Received invalid product model";
        handleFailure();
        return;
    }
    if (model == MODEL_NOT_VALID_YET) {
        ++pollCount_;
        if (pollCount_ < maxPolls_) {
            pollTimer_.start(detail::timer_interval(pollIntervalMs_));
            return;
        }
        qDebug() << "Gave up waiting product model to become valid";
        handleFailure();
        return;
    }
    qDebug() << "Received product model" << unsigned(model);
    stopPolling();
    // A copy: the handler may start this getter again, which replaces the stored one.
    const auto onModel = onModel_;
    onModel(model);
}

void ProductModelGetter::handleFailure() {
    stopPolling();
    const auto onFailure = onFailure_;
    onFailure();
}

void ProductModelGetter::stopPolling() {
    pollTimer_.stop();
    QObject::disconnect(&pollTimer_, &QTimer::timeout, nullptr, nullptr);
    busy_ = 0;
}

} // namespace fwup
