#pragma once

#include "fwup/identification/i_muppet_device_info_getter.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <stdexcept>

namespace fwup {

// What the polling getters share: a read that asks the device the same question until it gives a
// usable answer, waiting the poll interval after each unusable one, up to maxPolls questions. Each
// question is one whole exchange, asked by the subclass.
class PollingGetter : public QObject, public IMuppetDeviceInfoGetter {
public:
    // Each question's exchange: 10 sends, 1000 ms apart.
    static constexpr std::uint32_t DEFAULT_ATTEMPT_LIMIT = 10;
    static constexpr std::uint64_t DEFAULT_TIMEOUT_MS = 1000;

    ~PollingGetter() override;

    // A cancel during a question ends the read through onFailure; a cancel between two questions
    // ends it without calling either handler.
    void cancel() override;

protected:
    PollingGetter(std::uint32_t maxPolls, std::uint64_t pollIntervalMs);

    // Begins a read and returns true, or refuses a start while a read runs: the debug line "Attempt
    // to start while busy" and this start's onFailure. Each read counts its polls from zero. Throws
    // std::invalid_argument when a handler is empty. The subclass asks the first question.
    template <typename Success>
    bool begin(const Success& onSuccess, const std::function<void()>& onFailure) {
        if (!onSuccess || !onFailure) {
            throw std::invalid_argument("Handler functors can not be null");
        }
        return begin(onFailure);
    }

    bool isBusy() const { return busy_ == 1; }
    // After an unusable answer: true while another question follows once the poll interval has
    // passed, false when the polls are used up.
    bool waitForNextPoll();
    // Ends the read; calls no handler.
    void stopPolling();
    // Ends the read through the onFailure of its start.
    void fail();

    virtual void ask() = 0;
    virtual void cancelQuestion() = 0;

private:
    bool begin(const std::function<void()>& onFailure);

    std::uint32_t busy_ = 0;
    QTimer pollTimer_;
    std::uint32_t pollCount_ = 0;
    std::uint32_t maxPolls_;
    std::uint64_t pollIntervalMs_;
    std::function<void()> onFailure_;
};

} // namespace fwup
