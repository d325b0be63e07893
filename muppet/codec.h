#pragma once

#include <cstdint>

namespace cvsw::muppet {

class Buffer;
class FramePortal;
class Notifier;

// Frames outbound payloads for an endpoint and unframes the endpoint's byte stream.
class Codec {
public:
    virtual ~Codec() = default;

    // Consumes all of in (the caller clears it afterwards). out accumulates the payload of the frame
    // being received; every good frame is handed to portal.receiveFrame before decode returns.
    virtual void decode(Notifier& notifier, const Buffer& in, Buffer& out, FramePortal& portal) = 0;
    // Appends one complete wire frame to out, or nothing (with a report) when it cannot.
    virtual void encode(Notifier& notifier, std::uint8_t frameType, const Buffer& payload, Buffer& out) = 0;

protected:
    Codec() = default;
    Codec(const Codec&) = default;
    Codec& operator=(const Codec&) = default;
};

} // namespace cvsw::muppet
