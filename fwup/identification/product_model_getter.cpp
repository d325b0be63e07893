#include "fwup/identification/product_model_getter.h"

#include <QDebug>

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
    : PollingGetter(maxPolls, pollIntervalMs)
    , exchange_(controlCentre, attemptLimit, firstTimeoutMs, resendTimeoutMs)
    , controlCentre_(controlCentre) {
}

ProductModelGetter::~ProductModelGetter() = default;

void ProductModelGetter::start(const std::function<void(unsigned char)>& onModel,
                               const std::function<void()>& onFailure) {
    if (!begin(onModel, onFailure)) {
        return;
    }
    onModel_ = onModel;
    ask();
}

void ProductModelGetter::ask() {
    exchange_.start({
        [] { return std::make_unique<ProductModelCommand>(Mode::GET); },
        [this](const ProductModelCommand& reply) { handleAnswer(reply.productModel); },
        [this](MuppetCommandExchangeBase::FailureReason) { fail(); },
    });
}

void ProductModelGetter::cancelQuestion() {
    exchange_.cancel();
}

void ProductModelGetter::handleAnswer(unsigned char model) {
    if (!isBusy()) {
        return;
    }
    if (model == MODEL_INVALID) {
        qDebug() << "Received invalid product model";
        fail();
        return;
    }
    if (model == MODEL_NOT_VALID_YET) {
        if (waitForNextPoll()) {
            return;
        }
        qDebug() << "Gave up waiting product model to become valid";
        fail();
        return;
    }
    qDebug() << "Received product model" << unsigned(model);
    stopPolling();
    // A copy: the handler may start this getter again, which replaces the stored one.
    const auto onModel = onModel_;
    onModel(model);
}

} // namespace fwup
