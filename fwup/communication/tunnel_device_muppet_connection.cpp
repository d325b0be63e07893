#include "fwup/communication/tunnel_device_muppet_connection.h"

#include "muppet/basic_std_vector_buffer.h"
#include "muppet/control_centre.h"

#include <algorithm>
#include <utility>

namespace fwup {

namespace {

constexpr std::uint8_t kChannelMask = 0x0F;
constexpr std::uint8_t kOutFacetBit = 0x10;
constexpr std::uint8_t kMaximumPort = 15;
constexpr std::uint8_t kOpenChannel = 0x42;
constexpr std::uint8_t kOpenChannelArgument = 0xA2;
constexpr std::uint8_t kSetForwardingPort = 0x44;

std::uint8_t portField(quint16 port) {
    return std::min<std::uint8_t>(static_cast<std::uint8_t>(port & 0xFF), kMaximumPort);
}

QByteArray bytes(std::initializer_list<std::uint8_t> values) {
    QByteArray result;
    for (const std::uint8_t value : values) {
        result.append(static_cast<char>(value));
    }
    return result;
}

} // namespace

std::shared_ptr<TunnelDeviceMuppetConnection>
TunnelDeviceMuppetConnection::create(const TunnelInfo& tunnel, std::shared_ptr<MuppetConnection> outer) {
    auto connection = std::make_shared<TunnelDeviceMuppetConnection>(tunnel, std::move(outer));
    // Sharing the tunnel's ownership; FrameHandler is a private base, hence the explicit cast.
    const std::shared_ptr<FrameHandler> listener(connection, static_cast<FrameHandler*>(connection.get()));
    connection->outer_->addFrameListener(listener);
    return connection;
}

TunnelDeviceMuppetConnection::TunnelDeviceMuppetConnection(const TunnelInfo& tunnel,
                                                           std::shared_ptr<MuppetConnection> outer)
    : facet_(tunnel.facet)
    , channel_(portField(tunnel.tunnelPort))
    , outer_(std::move(outer)) {
    outer_->sendFrame(SETUP_FRAME_TYPE, bytes({kOpenChannel, channel_, kOpenChannelArgument}));
    outer_->sendFrame(SETUP_FRAME_TYPE,
                      bytes({kSetForwardingPort, channel_, portField(tunnel.forwardingPort)}));
}

TunnelDeviceMuppetConnection::~TunnelDeviceMuppetConnection() = default;

void TunnelDeviceMuppetConnection::service() {
    // A handler may release the last owner of this tunnel; it must outlive the call.
    const auto keepAlive = weak_from_this().lock();
    outer_->service(*this);
    drainControlCentres();
}

void TunnelDeviceMuppetConnection::service(FrameHandler& handler) {
    const auto keepAlive = weak_from_this().lock();
    const FrameHandlerScope scope(*this, handler);
    outer_->service(*this);
    drainControlCentres();
}

void TunnelDeviceMuppetConnection::sendFrame(std::uint8_t frameType, const QByteArray& payload) {
    const auto address = static_cast<std::uint8_t>(channel_ | (facet_ == TunnelInfo::OUT ? kOutFacetBit : 0));
    outer_->sendFrame(DATA_FRAME_TYPE, bytes({address, frameType}) + payload);
}

void TunnelDeviceMuppetConnection::handleFrame(std::uint8_t frameType, const QByteArray& payload) {
    if (frameType != DATA_FRAME_TYPE || payload.isEmpty()) {
        return;
    }
    const auto address = static_cast<std::uint8_t>(payload.at(0));
    if ((address & kChannelMask) != channel_ || (address & kOutFacetBit) != 0) {
        return;
    }
    // A frame of the address byte alone carries inner type 0 and nothing else.
    const auto innerType = payload.size() > 1 ? static_cast<std::uint8_t>(payload.at(1)) : std::uint8_t{0};
    const QByteArray innerPayload = payload.size() > 2 ? payload.mid(2) : QByteArray();
    if (innerType == cvsw::muppet::ControlCentre::CONTROL_FRAME_TYPE) {
        deliverToControlCentres(innerPayload);
    }
    deliverToFrameHandlers(innerType, innerPayload);
}

void TunnelDeviceMuppetConnection::drainControlCentres() {
    dropExpiredControlCentres();
    // Taking messages and queueing them on the outer connection calls no handler, so the list
    // cannot change under this walk.
    cvsw::muppet::BasicStdVectorBuffer message;
    for (const auto& entry : std::as_const(controlCentres_)) {
        const auto controlCentre = entry.lock();
        if (!controlCentre) {
            continue;
        }
        std::uint8_t frameType = 0;
        while (controlCentre->takeNextFrame(*this, frameType, message)) {
            sendFrame(cvsw::muppet::ControlCentre::CONTROL_FRAME_TYPE,
                      QByteArray(reinterpret_cast<const char*>(message.data()),
                                 static_cast<qsizetype>(message.size())));
            message.clear();
        }
    }
}

} // namespace fwup
