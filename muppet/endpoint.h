#pragma once

namespace cvsw::muppet {

class Buffer;
class Notifier;

// Moves bytes to and from one transport without blocking.
class Endpoint {
public:
    virtual ~Endpoint() = default;

    // Sends from the front of tx and consumes what was sent.
    virtual void write(Notifier& notifier, Buffer& tx) = 0;
    // Appends whatever has arrived, without waiting.
    virtual void read(Notifier& notifier, Buffer& rx) = 0;

protected:
    Endpoint() = default;
    Endpoint(const Endpoint&) = default;
    Endpoint& operator=(const Endpoint&) = default;
};

} // namespace cvsw::muppet
