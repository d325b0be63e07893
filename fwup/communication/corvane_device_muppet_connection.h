#pragma once

#include "fwup/communication/muppet_connection.h"
#include "muppet/basic_std_vector_buffer.h"
#include "muppet/frame_portal.h"
#include "muppet/notifier.h"

namespace fwup {

struct ConnectionMechanism;

// The direct link to a device: a frame pump over one connection mechanism (endpoint and codec).
// Each service runs at most SERVICE_PASSES passes of one endpoint read and at most one write, and
// stops early once nothing came in and nothing is left to send. Every inbound frame, whatever its
// type, goes to every control centre.
//
// Several connections may share one mechanism (two owners opened the same location). Whichever of
// them services, each decoded frame goes to every live connection on the mechanism, and each
// control centre takes what answers its own exchanges. A connection sends only its own frames, but
// finishes first any frame another one has begun, so frames never mix on the wire.
class CorvaneDeviceMuppetConnection final : public MuppetConnection,
                                            private cvsw::muppet::FramePortal,
                                            private cvsw::muppet::Notifier {
public:
    static constexpr int SERVICE_PASSES = 5;

    // A connection over the mechanism, joined to the other connections on it.
    static std::shared_ptr<CorvaneDeviceMuppetConnection>
    create(std::shared_ptr<ConnectionMechanism> mechanism);

    // Use create: a connection made directly is not told of frames that other connections on the
    // mechanism read.
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

    std::shared_ptr<ConnectionMechanism> mechanism_;
    cvsw::muppet::BasicStdVectorBuffer outboundPayload_;
    QList<Frame> outbox_;
};

} // namespace fwup
