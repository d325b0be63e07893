#include "fwup/communication/corvane_device_muppet_connection.h"

#include "fwup/communication/connection_mechanism.h"
#include "muppet/control_centre.h"

#include <algorithm>
#include <cstring>

namespace fwup {

namespace {

constexpr std::uint32_t kPumpCategory = 3;
constexpr std::uint32_t kFrameWithoutPayload = 4;

} // namespace

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
    cvsw::muppet::Codec& codec = *mechanism_->codec;
    cvsw::muppet::Endpoint& endpoint = *mechanism_->endpoint;
    bool readIdle = false;
    bool sendIdle = false;
    int pass = 0;
    for (; pass < passes; ++pass) {
        if (readIdle && sendIdle) {
            break;
        }

        endpoint.read(*this, receiveBuffer_);
        if (receiveBuffer_.size() > 0) {
            codec.decode(*this, receiveBuffer_, decodeBuffer_, *this);
            receiveBuffer_.clear();
        } else {
            readIdle = true;
        }
        deliverInboundFrames();

        if (transmitBuffer_.size() == 0) {
            std::uint8_t frameType = 0;
            cvsw::muppet::Buffer* payload = nullptr;
            if (!nextOutboundFrame(*this, frameType, payload)) {
                sendIdle = true;
            } else if (payload == nullptr) {
                notify(kPumpCategory, kFrameWithoutPayload);
            } else {
                codec.encode(*this, frameType, *payload, transmitBuffer_);
                payload->clear();
            }
        } else {
            endpoint.write(*this, transmitBuffer_);
        }
    }
    return pass;
}

void CorvaneDeviceMuppetConnection::deliverInboundFrames() {
    // A nested service takes over the frames still waiting, so each goes out once and in order.
    while (!inbound_.empty()) {
        const Frame frame = std::move(inbound_.front());
        inbound_.pop_front();
        deliverToControlCentres(frame.payload);
        deliverToFrameHandlers(frame.type, frame.payload);
    }
}

void CorvaneDeviceMuppetConnection::receiveFrame(cvsw::muppet::Notifier& /*notifier*/, std::uint8_t frameType,
                                                 const std::uint8_t* data, std::size_t size) {
    inbound_.push_back(
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
