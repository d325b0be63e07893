#pragma once

#include "fwup/communication/muppet_connection.h"
#include "muppet/basic_std_vector_buffer.h"
#include "muppet/frame_portal.h"
#include "muppet/notifier.h"

#include <deque>

namespace fwup {

struct ConnectionMechanism;

// The direct link to a device: a frame pump over one connection mechanism (endpoint and codec).
// Each service runs at most SERVICE_PASSES passes of one endpoint read and at most one write, and
// stops early once nothing came in and nothing is left to send. Every inbound frame, whatever its
// type, goes to every control centre.
class CorvaneDeviceMuppetConnection final : public MuppetConnection,
                                            private cvsw::muppet::FramePortal,
                                            private cvsw::muppet::Notifier {
public:
    static constexpr int SERVICE_PASSES = 5;

    explicit CorvaneDeviceMuppetConnection(std::shared_ptr<ConnectionMechanism> mechanism);
    ~CorvaneDeviceMuppetConnection() override;

    void service() override;
    void service(FrameHandler& handler) override;
    void sendFrame(std::uint8_t frameType, const QByteArray& payload) override;

private:
    struct Frame {
        std::uint8_t type = 0;
        QByteArray payload;
    };

    // Returns the number of passes run.
    int pump(int passes);
    void deliverInboundFrames();

    void receiveFrame(cvsw::muppet::Notifier& notifier, std::uint8_t frameType, const std::uint8_t* data,
                      std::size_t size) override;
    bool nextOutboundFrame(cvsw::muppet::Notifier& notifier, std::uint8_t& frameType,
                           cvsw::muppet::Buffer*& payload) override;

    // Framing reports are of no use to the connection's owners.
    void notify(std::uint32_t, std::uint32_t) override {}
    void notify(std::uint32_t, std::uint32_t, std::uint32_t) override {}

    cvsw::muppet::BasicStdVectorBuffer decodeBuffer_;
    cvsw::muppet::BasicStdVectorBuffer transmitBuffer_;
    cvsw::muppet::BasicStdVectorBuffer receiveBuffer_;
    std::shared_ptr<ConnectionMechanism> mechanism_;
    cvsw::muppet::BasicStdVectorBuffer outboundPayload_;
    QList<Frame> outbox_;
    // Decoded frames wait here until the codec is done, so that handlers, which may service this
    // connection again, never run inside the codec or the buffers it is working on.
    std::deque<Frame> inbound_;
};

} // namespace fwup
