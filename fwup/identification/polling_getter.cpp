#include "fwup/identification/polling_getter.h"

#include "fwup/identification/poll_interval_p.h"

#include <QDebug>

namespace fwup {

PollingGetter::PollingGetter(std::uint32_t maxPolls, std::uint64_t pollIntervalMs)
    : maxPolls_(maxPolls)
    , pollIntervalMs_(pollIntervalMs) {
    pollTimer_.setSingleShot(true);
}

PollingGetter::~PollingGetter() {
    QObject::disconnect(&pollTimer_, &QTimer::timeout, nullptr, nullptr);
}

void PollingGetter::cancel() {
    // Idle first: a running question then ends in fail(), whose handler may start a new read that
    // nothing here may touch.
    stopPolling();
    cancelQuestion();
}

bool PollingGetter::begin(const std::function<void()>& onFailure) {
    if (busy_ == 1) {
        qDebug() << "Attempt to start while busy";
        onFailure();
        return false;
    }
    busy_ = 1;
    // Counted per read: a getter kept for several reads (the updaters keep theirs for every check)
    // must not inherit the last read's polls.
    pollCount_ = 0;
    onFailure_ = onFailure;
    QObject::connect(
        &pollTimer_, &QTimer::timeout, &pollTimer_,
        [this] {
            if (busy_ == 1) {
                ask();
            }
        },
        Qt::DirectConnection);
    return true;
}

bool PollingGetter::waitForNextPoll() {
    ++pollCount_;
    if (pollCount_ < maxPolls_) {
        pollTimer_.start(detail::timer_interval(pollIntervalMs_));
        return true;
    }
    return false;
}

void PollingGetter::stopPolling() {
    pollTimer_.stop();
    QObject::disconnect(&pollTimer_, &QTimer::timeout, nullptr, nullptr);
    busy_ = 0;
}

void PollingGetter::fail() {
    stopPolling();
    // A copy: the handler may start this getter again, which replaces the stored one.
    const auto onFailure = onFailure_;
    onFailure();
}

} // namespace fwup
