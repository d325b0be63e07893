#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>

namespace fwup::detail {

// The bookkeeping the application inquirers share: whether an inquiry runs, and which one. Every
// continuation of a chain carries the number of its inquiry, so that a step of an inquiry that was
// cancelled or has ended (a login left to run out, say) can neither report to its caller nor act
// for, or end, an inquiry started after it.
class InquiryChain {
public:
    enum State : std::uint32_t {
        NotStarted = 0,
        Inquiring = 1,
        Finished = 2,
    };

    // A pod's inquirers serve one inquiry; the sub-system's may be started again once the last one
    // has ended.
    enum class Reuse {
        Once,
        Repeatedly,
    };

    using Inquiry = std::uint64_t;

    explicit InquiryChain(Reuse reuse)
        : reuse_(reuse) {}

    // Begins an inquiry, or refuses a start the inquirer cannot take now: the debug line "Attempt to
    // start inquiring whilst busy." and that start's onFailure. Throws std::invalid_argument when a
    // handler is empty, before anything changes.
    template <typename Success>
    std::optional<Inquiry> begin(const Success& onSuccess, const std::function<void()>& onFailure) {
        if (!onSuccess || !onFailure) {
            throw std::invalid_argument("Handler functors can not be null");
        }
        return begin(onFailure);
    }

    State state() const { return state_; }
    // The inquiry is the one running.
    bool isCurrent(Inquiry inquiry) const { return state_ == Inquiring && inquiry == latest_; }
    // No inquiry has begun after this one, whether or not it still runs.
    bool isLatest(Inquiry inquiry) const { return inquiry == latest_; }
    // Ends the running inquiry, at its last step or by a cancel; before any start it stops the
    // inquirer from ever starting when it serves one inquiry.
    void finish() { state_ = Finished; }

    // The failure continuation of one inquiry: while it is current, ends it and calls onFailure.
    std::function<void()> failureContinuation(Inquiry inquiry, const std::function<void()>& onFailure);

    // Starts one getter's read for an inquiry. Its value reaches step only while the inquiry is
    // current, and is dropped otherwise; its failure is the inquiry's failure continuation.
    template <typename Getter, typename Step>
    void ask(Getter& getter, Inquiry inquiry, const std::function<void()>& onFailure, Step step) {
        getter.start(
            [this, inquiry, step](const auto&... values) {
                if (isCurrent(inquiry)) {
                    step(values...);
                }
            },
            failureContinuation(inquiry, onFailure));
    }

private:
    std::optional<Inquiry> begin(const std::function<void()>& onFailure);

    Reuse reuse_;
    State state_ = NotStarted;
    Inquiry latest_ = 0;
};

} // namespace fwup::detail
