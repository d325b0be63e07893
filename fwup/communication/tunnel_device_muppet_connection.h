#pragma once

#include "fwup/communication/frame_handler.h"
#include "fwup/communication/location_info.h"
#include "fwup/communication/muppet_connection.h"
#include "muppet/notifier.h"

namespace fwup {

// Reaches a component behind a gateway by carrying its frames inside the frames of an outer
// connection: 0xF5 frames set the tunnel up, 0xF4 frames carry [address][inner type][inner payload].
// The address holds the channel in bits 3-0 and, on frames sent through an OUT facet, bit 4. Only
// inner control messages (type 0xFF) reach the tunnel's control centres.
//
// The tunnel listens to every frame of the outer connection, not only to those read by its own
// service: another owner of the outer connection, or of another connection to the same device,
// may read the tunnel's replies.
class TunnelDeviceMuppetConnection final : public MuppetConnection,
                                           private FrameHandler,
                                           private cvsw::muppet::Notifier {
public:
    static constexpr std::uint8_t DATA_FRAME_TYPE = 0xF4;
    static constexpr std::uint8_t SETUP_FRAME_TYPE = 0xF5;

    // A tunnel listening to the outer connection.
    static std::shared_ptr<TunnelDeviceMuppetConnection> create(const TunnelInfo& tunnel,
                                                                std::shared_ptr<MuppetConnection> outer);

    // Queues the two set-up frames on the outer connection at once; nothing waits for an answer.
    // Use create: a tunnel made directly hears the outer connection only during its own service.
    TunnelDeviceMuppetConnection(const TunnelInfo& tunnel, std::shared_ptr<MuppetConnection> outer);
    ~TunnelDeviceMuppetConnection() override;

    // Services the outer connection, then moves the control centres' queued messages to the outer
    // connection, which sends them at its next service.
    void service() override;
    void service(FrameHandler& handler) override;
    void sendFrame(std::uint8_t frameType, const QByteArray& payload) override;

private:
    // Every frame of the outer connection.
    void handleFrame(std::uint8_t frameType, const QByteArray& payload) override;
    void drainControlCentres();

    void notify(std::uint32_t, std::uint32_t) override {}
    void notify(std::uint32_t, std::uint32_t, std::uint32_t) override {}

    std::uint8_t facet_;
    std::uint8_t channel_;
    std::shared_ptr<MuppetConnection> outer_;
};

} // namespace fwup
