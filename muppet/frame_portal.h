#pragma once

#include <cstddef>
#include <cstdint>

namespace cvsw::muppet {

class Buffer;
class Notifier;

// The connection side of the framing layer, as a codec and the pump see it.
class FramePortal {
public:
    virtual ~FramePortal() = default;

    // One decoded frame; the bytes are only valid during the call.
    virtual void receiveFrame(Notifier& notifier, std::uint8_t frameType, const std::uint8_t* data,
                              std::size_t size) = 0;
    // True when a frame is offered, with its type and a buffer holding its payload.
    virtual bool nextOutboundFrame(Notifier& notifier, std::uint8_t& frameType, Buffer*& payload) = 0;

protected:
    FramePortal() = default;
    FramePortal(const FramePortal&) = default;
    FramePortal& operator=(const FramePortal&) = default;
};

} // namespace cvsw::muppet
