#include "fwup/identification/inquiry_chain.h"

#include <QDebug>

namespace fwup::detail {

std::optional<InquiryChain::Inquiry> InquiryChain::begin(const std::function<void()>& onFailure) {
    const bool refused = reuse_ == Reuse::Once ? state_ != NotStarted : state_ == Inquiring;
    if (refused) {
        qDebug() << "Attempt to start inquiring whilst busy.";
        onFailure();
        return std::nullopt;
    }
    state_ = Inquiring;
    return ++latest_;
}

std::function<void()> InquiryChain::failureContinuation(Inquiry inquiry,
                                                        const std::function<void()>& onFailure) {
    return [this, inquiry, onFailure] {
        if (isCurrent(inquiry)) {
            state_ = Finished;
            onFailure();
        }
    };
}

} // namespace fwup::detail
