#include "fwup/installation/direct_connection_component_relocator.h"

#include "fwup/communication/detector_locator.h"
#include "fwup/identification/detector_identifier.h"
#include "fwup/identification/poll_interval_p.h"

#include <QDebug>

#include <stdexcept>

namespace fwup {

DirectConnectionComponentRelocator::DirectConnectionComponentRelocator(
    std::uint32_t maxRetries, std::uint64_t retryIntervalMs, std::uint32_t productTypeAttempts,
    std::uint64_t productTypeFirstTimeoutMs, std::uint64_t productTypeResendTimeoutMs)
    : maxRetries_(maxRetries)
    , retryIntervalMs_(retryIntervalMs)
    , productTypeGetter_(link_.controlCentre(), productTypeAttempts, productTypeFirstTimeoutMs,
                         productTypeResendTimeoutMs) {
    tickTimer_.setInterval(TICK_MS);
    attemptTimer_.setSingleShot(true);
    attemptTimer_.setInterval(detail::timer_interval(retryIntervalMs_));
}

DirectConnectionComponentRelocator::~DirectConnectionComponentRelocator() = default;

void DirectConnectionComponentRelocator::relocate(const QString& /*location*/, const QString& name,
                                                  const FoundHandler& onFound,
                                                  const std::function<void()>& onFailure) {
    if (!onFound || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    if (state_ != IDLE) {
        qDebug() << "Attempt to Connect while busy connecting";
        onFailure();
        return;
    }
    // Nothing left over from an earlier, cancelled relocation may end this one.
    events_.clear();
    ++run_;
    QObject::connect(&attemptTimer_, &QTimer::timeout, &attemptTimer_,
                     [this] { events_.push_back(ATTEMPT); });
    QObject::connect(&tickTimer_, &QTimer::timeout, &tickTimer_,
                     [this, name, onFound, onFailure] { tick(name, onFound, onFailure); });
    retries_ = 0;
    state_ = SEARCHING;
    attemptTimer_.start();
    tickTimer_.start();
}

void DirectConnectionComponentRelocator::tick(const QString& name, const FoundHandler& onFound,
                                              const std::function<void()>& onFailure) {
    while (!events_.empty()) {
        const unsigned int event = events_.front();
        events_.pop_front();
        switch (event) {
        case ATTEMPT:
            if (!attempt(name)) {
                return;
            }
            break;
        case FOUND:
            if (!link_.open(foundLocation_, "Failed to establish a connection at")) {
                const std::function<void()> failed = onFailure;
                cleanUp();
                failed();
                return;
            }
            state_ = CONNECTED;
            productTypeGetter_.start(
                [this](const cvsw::muppet::ProductTypeId& type) {
                    foundProductType_ = type;
                    events_.push_back(PRODUCT_TYPE_RECEIVED);
                },
                [this] { events_.push_back(FAILED); });
            break;
        case PRODUCT_TYPE_RECEIVED: {
            // Copies: the clean-up disconnects the slot that holds the handlers.
            const FoundHandler found = onFound;
            const QString location = foundLocation_;
            cleanUp();
            found(foundProductType_, location);
            return;
        }
        case FAILED: {
            const std::function<void()> failed = onFailure;
            cleanUp();
            failed();
            return;
        }
        default:
            break;
        }
    }
    if (state_ == CONNECTED) {
        link_.service();
    }
}

bool DirectConnectionComponentRelocator::attempt(const QString& name) {
    const std::uint64_t run = run_;
    const std::optional<QString> location = locate(name);
    // Identification pumps the event loop, so the run may have been cancelled meanwhile.
    if (run != run_ || state_ != SEARCHING) {
        return false;
    }
    if (location) {
        foundLocation_ = *location;
        events_.push_back(FOUND);
    } else if (++retries_ <= maxRetries_) {
        attemptTimer_.start();
    } else {
        qDebug() << "Exceeded retries";
        events_.push_back(FAILED);
    }
    return true;
}

std::optional<QString> DirectConnectionComponentRelocator::locate(const QString& name) {
    QStringList locations;
    for (const auto& locator : QList(global_detector_locator_registry())) {
        locations.append(locator->getConnectedDetectors());
    }
    const auto isNamed = [&name](const ISystemIdentity& identity) {
        return identity.serialNumber() == name;
    };
    for (const QString& location : std::as_const(locations)) {
        if (identify_detector_at(location, isNamed)) {
            return location;
        }
    }
    qWarning() << "Can't locate the requested system";
    return std::nullopt;
}

void DirectConnectionComponentRelocator::cancel() {
    ++run_;
    // Ends a running product-type read; its failure event is discarded below.
    productTypeGetter_.cancel();
    cleanUp();
    events_.clear();
}

void DirectConnectionComponentRelocator::cleanUp() {
    attemptTimer_.stop();
    QObject::disconnect(&attemptTimer_, &QTimer::timeout, nullptr, nullptr);
    tickTimer_.stop();
    QObject::disconnect(&tickTimer_, &QTimer::timeout, nullptr, nullptr);
    link_.close();
    state_ = IDLE;
}

} // namespace fwup
