#include "fwup/installation/indirect_connection_component_relocator.h"

#include <QDebug>

#include <stdexcept>

namespace fwup {

IndirectConnectionComponentRelocator::IndirectConnectionComponentRelocator(std::uint32_t attempts,
                                                                           std::uint64_t firstTimeoutMs,
                                                                           std::uint64_t resendTimeoutMs)
    : productTypeGetter_(link_.controlCentre(), attempts, firstTimeoutMs, resendTimeoutMs) {
    pollTimer_.setInterval(POLL_INTERVAL_MS);
}

IndirectConnectionComponentRelocator::~IndirectConnectionComponentRelocator() = default;

void IndirectConnectionComponentRelocator::relocate(const QString& location, const QString& /*name*/,
                                                    const FoundHandler& onFound,
                                                    const std::function<void()>& onFailure) {
    if (!onFound || !onFailure) {
        throw std::invalid_argument("Handler functor can not be null");
    }
    if (busy_ == 1) {
        qDebug() << "Attempt to Connect while busy connecting";
        onFailure();
        return;
    }
    if (!link_.open(location, "Failed to establish a connection to")) {
        onFailure();
        return;
    }
    // Nothing of an earlier relocation may decide this one.
    outcomes_.clear();
    busy_ = 1;
    QObject::connect(&pollTimer_, &QTimer::timeout, &pollTimer_,
                     [this, location, onFound, onFailure] { waitingStep(location, onFound, onFailure); });
    pollTimer_.start();
    productTypeGetter_.start(
        [this](const cvsw::muppet::ProductTypeId& type) {
            productType_ = type;
            outcomes_.push_back(FOUND);
        },
        [this] { outcomes_.push_back(FAILED); });
}

void IndirectConnectionComponentRelocator::waitingStep(const QString& location, const FoundHandler& onFound,
                                                       const std::function<void()>& onFailure) {
    link_.service();
    while (!outcomes_.empty()) {
        const std::uint32_t outcome = outcomes_.front();
        outcomes_.pop_front();
        if (outcome != FOUND && outcome != FAILED) {
            continue;
        }
        // Copies: ending the relocation disconnects the slot that holds these.
        const QString foundAt = location;
        const FoundHandler found = onFound;
        const std::function<void()> failed = onFailure;
        endRelocation();
        if (outcome == FOUND) {
            found(productType_, foundAt);
        } else {
            failed();
        }
        return;
    }
}

void IndirectConnectionComponentRelocator::cancel() {
    productTypeGetter_.cancel();
    endRelocation();
    outcomes_.clear();
}

void IndirectConnectionComponentRelocator::endRelocation() {
    pollTimer_.stop();
    QObject::disconnect(&pollTimer_, &QTimer::timeout, nullptr, nullptr);
    link_.close();
    busy_ = 0;
}

} // namespace fwup
