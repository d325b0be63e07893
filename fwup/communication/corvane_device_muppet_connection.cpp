#include "fwup/communication/corvane_device_muppet_connection.h"

#include "fwup/communication/connection_mechanism.h"
#include "muppet/control_centre.h"

#include <cstring>

namespace fwup {

namespace {

constexpr std::uint32_t kPumpCategory = 3;
constexpr std::uint32_t kFrameWithoutPayload = 4;

} // namespace

std::shared_ptr<CorvaneDeviceMuppetConnection>
CorvaneDeviceMuppetConnection::create(std::shared_ptr<ConnectionMechanism> mechanism) {
    auto connection = std::make_shared<CorvaneDeviceMuppetConnection>(std::move(mechanism));
    auto& connections = connection->mechanism_->connections;
    connections.removeIf([](const auto& entry) { return entry.expired(); });
    connections.append(connection);
    return connection;
}

CorvaneDeviceMuppetConnection::CorvaneDeviceMuppetConnection(std::shared_ptr<ConnectionMechanism> mechanism)
    : mechanism_(std::move(mechanism)) {
}

CorvaneDeviceMuppetConnection::~CorvaneDeviceMuppetConnection() = default;

void CorvaneDeviceMuppetConnection::service() {
    // A handler may release the last owner of this connection; it must outlive the call.
    const auto keepAlive = weak_from_this().lock();
    pump(SERVICE_PASSES);
}

void CorvaneDeviceMuppetConnection::service(FrameHandler& handler) {
    const auto keepAlive = weak_from_this().lock();
    const FrameHandlerScope scope(*this, handler);
    pump(SERVICE_PASSES);
}

void CorvaneDeviceMuppetConnection::sendFrame(std::uint8_t frameType, const QByteArray& payload) {
    outbox_.append({frameType, payload});
}

int CorvaneDeviceMuppetConnection::pump(int passes) {
    ConnectionMechanism& link = *mechanism_;
    bool readIdle = false;
    bool sendIdle = false;
    int pass = 0;
    for (; pass < passes; ++pass) {
        if (readIdle && sendIdle) {
            break;
        }

        link.endpoint->read(*this, link.receiveBuffer);
        if (link.receiveBuffer.size() > 0) {
            link.codec->decode(*this, link.receiveBuffer, link.decodeBuffer, *this);
            link.receiveBuffer.clear();
        } else {
            readIdle = true;
        }
        deliverInboundFrames();

        if (link.transmitBuffer.size() == 0) {
            std::uint8_t frameType = 0;
            cvsw::muppet::Buffer* payload = nullptr;
            if (!nextOutboundFrame(*this, frameType, payload)) {
                sendIdle = true;
            } else if (payload == nullptr) {
                notify(kPumpCategory, kFrameWithoutPayload);
            } else {
                link.codec->encode(*this, frameType, *payload, link.transmitBuffer);
                payload->clear();
            }
        } else {
            // Possibly the rest of a frame that another connection on the mechanism began.
            link.endpoint->write(*this, link.transmitBuffer);
        }
    }
    return pass;
}

void CorvaneDeviceMuppetConnection::deliverInboundFrames() {
    auto& inbound = mechanism_->inbound;
    while (!inbound.empty()) {
        const ConnectionMechanism::Frame frame = std::move(inbound.front());
        inbound.pop_front();
        // Handlers may open or release connections on this mechanism, so walk a copy; one released
        // meanwhile is skipped, one opened meanwhile waits for the next frame.
        mechanism_->connections.removeIf([](const auto& entry) { return entry.expired(); });
        const auto connections = mechanism_->connections;
        for (const auto& entry : connections) {
            if (const auto connection = entry.lock()) {
                connection->deliverToControlCentres(frame.payload);
                connection->deliverToFrameHandlers(frame.type, frame.payload);
            }
        }
    }
}

void CorvaneDeviceMuppetConnection::receiveFrame(cvsw::muppet::Notifier& /*notifier*/, std::uint8_t frameType,
                                                 const std::uint8_t* data, std::size_t size) {
    // Handed out after decoding, so that handlers, which may service a connection again, never run
    // inside the codec or the buffers it is working on.
    mechanism_->inbound.push_back(
        {frameType, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))});
}

bool CorvaneDeviceMuppetConnection::nextOutboundFrame(cvsw::muppet::Notifier& notifier,
                                                      std::uint8_t& frameType,
                                                      cvsw::muppet::Buffer*& payload) {
    bool taken = false;
    for (auto entry = controlCentres_.begin(); entry != controlCentres_.end();) {
        const auto controlCentre = entry->lock();
        if (!controlCentre) {
            entry = controlCentres_.erase(entry);
            continue;
        }
        if (!taken) {
            outboundPayload_.clear();
            taken = controlCentre->takeNextFrame(notifier, frameType, outboundPayload_);
        }
        ++entry;
    }
    if (taken) {
        payload = &outboundPayload_;
        return true;
    }

    if (outbox_.isEmpty()) {
        return false;
    }
    const Frame frame = outbox_.takeFirst();
    outboundPayload_.clear();
    const auto size = static_cast<std::size_t>(frame.payload.size());
    std::uint8_t* target = outboundPayload_.prepare(notifier, size);
    if (size > 0) {
        std::memcpy(target, frame.payload.constData(), size);
    }
    outboundPayload_.commit(notifier, size);
    frameType = frame.type;
    payload = &outboundPayload_;
    return true;
}

} // namespace fwup
