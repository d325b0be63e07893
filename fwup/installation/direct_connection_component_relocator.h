#pragma once

#include "fwup/communication/controlled_connection.h"
#include "fwup/identification/product_type_getter.h"
#include "fwup/installation/i_component_relocator.h"

#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>

namespace fwup {

// Finds a detector on its own link again after a reset, when it has come back under a new location
// string: asks every registered locator where detectors are, identifies what is there with every
// registered identifier, and takes the first location whose identity carries the serial number
// looked for. Then it asks the product type there. Searches are repeated a retry interval apart
// until the detector turns up or the retries are used up.
class DirectConnectionComponentRelocator final : public IComponentRelocator {
public:
    static constexpr int TICK_MS = 10;

    // A search is tried 1 + maxRetries times, each retryIntervalMs after the previous one ended.
    // The product-type read sends up to productTypeAttempts times, waiting productTypeFirstTimeoutMs
    // after the first send and productTypeResendTimeoutMs after each later one.
    DirectConnectionComponentRelocator(std::uint32_t maxRetries, std::uint64_t retryIntervalMs,
                                       std::uint32_t productTypeAttempts = 10,
                                       std::uint64_t productTypeFirstTimeoutMs = 250,
                                       std::uint64_t productTypeResendTimeoutMs = 1000);
    ~DirectConnectionComponentRelocator() override;

    DirectConnectionComponentRelocator(const DirectConnectionComponentRelocator&) = delete;
    DirectConnectionComponentRelocator& operator=(const DirectConnectionComponentRelocator&) = delete;

    // name is the serial number looked for; location is not used, the detector has a new one. The
    // handlers run after the relocator is idle again. Throws std::invalid_argument when one is empty.
    void relocate(const QString& location, const QString& name, const FoundHandler& onFound,
                  const std::function<void()>& onFailure) override;
    void cancel() override;

    bool isBusy() const { return state_ != IDLE; }

private:
    enum Event : unsigned int {
        ATTEMPT = 0,
        FOUND = 1,
        PRODUCT_TYPE_RECEIVED = 2,
        FAILED = 3,
    };
    enum State : std::uint32_t {
        IDLE = 0,
        SEARCHING = 1,
        CONNECTED = 2,
    };

    void tick(const QString& name, const FoundHandler& onFound, const std::function<void()>& onFailure);
    // One search; false when the run was cancelled or replaced while identification pumped events.
    bool attempt(const QString& name);
    // The first location whose detector carries the serial number.
    static std::optional<QString> locate(const QString& name);
    void cleanUp();

    ControlledConnection link_;
    const std::uint32_t maxRetries_;
    const std::uint64_t retryIntervalMs_;
    cvsw::muppet::ProductTypeId foundProductType_ = 0;
    QString foundLocation_;
    ProductTypeGetter productTypeGetter_;
    QTimer tickTimer_;
    QTimer attemptTimer_;
    State state_ = IDLE;
    std::deque<unsigned int> events_;
    std::uint32_t retries_ = 0;
    // Tells a search that outlived its run (cancelled while identifying) from the current one.
    std::uint64_t run_ = 0;
};

} // namespace fwup
