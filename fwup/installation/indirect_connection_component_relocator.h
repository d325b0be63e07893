#pragma once

#include "fwup/communication/controlled_connection.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/installation/i_component_relocator.h"

#include <QTimer>

#include <cstdint>
#include <deque>
#include <memory>

namespace fwup {

// Finds a component that sits behind the control pod, reached through the tunnel, such as the
// Tamarind sub-system: one connection to the location and one product-type read, whose attempts and
// time-outs do all the waiting for the component to come back. Found means it answered; the
// location reported is the one asked for.
class IndirectConnectionComponentRelocator final : public IComponentRelocator {
public:
    static constexpr int POLL_INTERVAL_MS = 10;

    // The product-type read sends up to attempts times: it waits firstTimeoutMs after the first send
    // and resendTimeoutMs after each later one.
    IndirectConnectionComponentRelocator(std::uint32_t attempts, std::uint64_t firstTimeoutMs,
                                         std::uint64_t resendTimeoutMs = 1000);
    ~IndirectConnectionComponentRelocator() override;

    IndirectConnectionComponentRelocator(const IndirectConnectionComponentRelocator&) = delete;
    IndirectConnectionComponentRelocator& operator=(const IndirectConnectionComponentRelocator&) = delete;

    // Throws std::invalid_argument when a handler is empty. name is not used. The handlers run after
    // the relocator is idle again, so they may relocate anew.
    void relocate(const QString& location, const QString& name, const FoundHandler& onFound,
                  const std::function<void()>& onFailure) override;
    void cancel() override;

    bool isBusy() const { return busy_ != 0; }

private:
    enum Outcome : std::uint32_t {
        FOUND = 0,
        FAILED = 1,
    };

    void waitingStep(const QString& location, const FoundHandler& onFound,
                     const std::function<void()>& onFailure);
    // Stops the ticks, lets go of the connection and goes idle.
    void endRelocation();

    ControlledConnection link_;
    ProductTypeGetter productTypeGetter_;
    QTimer pollTimer_;
    std::uint32_t busy_ = 0;
    std::deque<std::uint32_t> outcomes_;
    cvsw::muppet::ProductTypeId productType_ = 0;
};

} // namespace fwup
