#include "fwup/communication/muppet_connection.h"

#include "fwup/communication/connection_mechanism_factory.h"
#include "fwup/communication/corvane_device_muppet_connection.h"
#include "fwup/communication/detector_location_string.h"
#include "fwup/communication/frame_handler.h"
#include "fwup/communication/tunnel_device_muppet_connection.h"
#include "muppet/control_centre.h"

#include <algorithm>

namespace fwup {

MuppetConnection::MuppetConnection() = default;
MuppetConnection::~MuppetConnection() = default;

std::shared_ptr<MuppetConnection> MuppetConnection::establishConnection(const QString& location) {
    TunnelInfo tunnel;
    if (try_split_detector_location_string(location, tunnel)) {
        auto outer = establishConnection(tunnel.innerLocation);
        if (!outer) {
            return {};
        }
        return TunnelDeviceMuppetConnection::create(tunnel, std::move(outer));
    }

    const auto factories = muppet_connection_mechanism_factory_registry();
    for (const auto& factory : factories) {
        if (auto mechanism = factory->tryCreate(location)) {
            return CorvaneDeviceMuppetConnection::create(std::move(mechanism));
        }
    }
    return {};
}

std::shared_ptr<MuppetConnection>
MuppetConnection::establishTunnelOnConnection(const std::shared_ptr<MuppetConnection>& connection,
                                              const QString& location) {
    TunnelInfo tunnel;
    if (!connection || !try_split_detector_location_string(location, tunnel)) {
        return {};
    }
    return TunnelDeviceMuppetConnection::create(tunnel, connection);
}

void MuppetConnection::addControlCentre(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre) {
    controlCentres_.append(controlCentre);
}

void MuppetConnection::removeControlCentre(
    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre) {
    for (auto entry = controlCentres_.begin(); entry != controlCentres_.end(); ++entry) {
        if (entry->lock() == controlCentre) {
            controlCentres_.erase(entry);
            return;
        }
    }
}

MuppetConnection::FrameHandlerScope::FrameHandlerScope(MuppetConnection& connection, FrameHandler& handler)
    : connection_(connection) {
    connection_.activeFrameHandlers_.append(&handler);
}

MuppetConnection::FrameHandlerScope::~FrameHandlerScope() {
    connection_.activeFrameHandlers_.removeLast();
}

void MuppetConnection::deliverToControlCentres(const QByteArray& message) {
    dropExpiredControlCentres();
    // Handlers may add or remove control centres, release their owners or service this connection
    // again, so walk a copy. Each centre is held only for its own call: one released meanwhile is
    // skipped rather than kept alive for a handler whose owner is gone.
    const auto entries = controlCentres_;
    for (const auto& entry : entries) {
        const auto controlCentre = entry.lock();
        if (!controlCentre || !isRegistered(controlCentre.get())) {
            continue;
        }
        controlCentre->handleFrame(reinterpret_cast<const std::uint8_t*>(message.constData()),
                                   static_cast<std::size_t>(message.size()));
    }
}

void MuppetConnection::addFrameListener(const std::weak_ptr<FrameHandler>& listener) {
    frameListeners_.removeIf([](const auto& entry) { return entry.expired(); });
    frameListeners_.append(listener);
}

void MuppetConnection::deliverToFrameHandlers(std::uint8_t frameType, const QByteArray& payload) {
    // Listeners and handlers may service this connection again, add listeners or return from their
    // service calls, so walk copies.
    frameListeners_.removeIf([](const auto& entry) { return entry.expired(); });
    const auto listeners = frameListeners_;
    const auto handlers = activeFrameHandlers_;
    QList<const FrameHandler*> called;
    for (const auto& entry : listeners) {
        // Held for its call: a listener whose last owner goes meanwhile outlives its own call.
        const auto listener = entry.lock();
        if (!listener || called.contains(listener.get())) {
            continue;
        }
        called.append(listener.get());
        listener->handleFrame(frameType, payload);
    }
    for (FrameHandler* handler : handlers) {
        // A handler whose service call has returned meanwhile is no longer ours to call.
        if (called.contains(handler) || !activeFrameHandlers_.contains(handler)) {
            continue;
        }
        called.append(handler);
        handler->handleFrame(frameType, payload);
    }
}

void MuppetConnection::dropExpiredControlCentres() {
    controlCentres_.removeIf(
        [](const std::weak_ptr<cvsw::muppet::ControlCentre>& entry) { return entry.expired(); });
}

bool MuppetConnection::isRegistered(const cvsw::muppet::ControlCentre* controlCentre) const {
    return std::any_of(controlCentres_.cbegin(), controlCentres_.cend(),
                       [controlCentre](const auto& entry) { return entry.lock().get() == controlCentre; });
}

} // namespace fwup
