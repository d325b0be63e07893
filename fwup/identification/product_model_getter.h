#pragma once

#include "fwup/communication/muppet_command_exchange.h"
#include "fwup/identification/i_muppet_device_info_getter.h"
#include "muppet/product_model_command.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

namespace fwup {

// Reads the product model (command 110) until the device reports one: 0 means "not valid yet" and
// is asked again after the poll interval, up to maxPolls questions; 255 is invalid and fails the
// read. Each question is a whole exchange with its own resends.
class ProductModelGetter : public QObject, public IMuppetDeviceInfoGetter {
public:
    // Each question's exchange: 10 sends, 1000 ms apart.
    static constexpr std::uint32_t DEFAULT_ATTEMPT_LIMIT = 10;
    static constexpr std::uint64_t DEFAULT_TIMEOUT_MS = 1000;

    ProductModelGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                       std::uint32_t maxPolls, std::uint64_t pollIntervalMs);
    // The same with the exchange's timing given, so tests need not wait out the real one.
    ProductModelGetter(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre,
                       std::uint32_t maxPolls, std::uint64_t pollIntervalMs, std::uint32_t attemptLimit,
                       std::uint64_t firstTimeoutMs, std::uint64_t resendTimeoutMs);
    ~ProductModelGetter() override;

    // Exactly one handler follows, unless the read is cancelled between two questions. Each start
    // counts its polls from zero. Throws std::invalid_argument when a handler is empty.
    void start(const std::function<void(unsigned char)>& onModel, const std::function<void()>& onFailure);

    // A cancel during a question ends the read through onFailure; a cancel between two questions
    // ends it without calling either handler.
    void cancel() override;

private:
    void ask();
    void handleAnswer(unsigned char model);
    void handleFailure();
    void stopPolling();

    std::uint32_t busy_ = 0;
    QTimer pollTimer_;
    std::uint32_t pollCount_ = 0;
    MuppetCommandExchange<cvsw::muppet::control::ProductModelCommand> exchange_;
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    std::uint32_t maxPolls_;
    std::uint64_t pollIntervalMs_;
    std::function<void(unsigned char)> onModel_;
    std::function<void()> onFailure_;
};

} // namespace fwup
