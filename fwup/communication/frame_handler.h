#pragma once

#include <QByteArray>

#include <cstdint>

namespace fwup {

// Sees the inbound frames of a connection during a MuppetConnection::service(FrameHandler&) call.
class FrameHandler {
public:
    virtual ~FrameHandler() = default;

    virtual void handleFrame(std::uint8_t frameType, const QByteArray& payload) = 0;

protected:
    FrameHandler() = default;
    FrameHandler(const FrameHandler&) = default;
    FrameHandler& operator=(const FrameHandler&) = default;
};

} // namespace fwup
