#pragma once

#include <cstdint>

namespace cvsw::muppet {

// Receives the (category, code) reports of the framing layer: buffers report category 0, endpoints 1,
// codecs 2 and the connection pump 3. Reports are informational; nothing is thrown below this.
class Notifier {
public:
    virtual ~Notifier() = default;

    virtual void notify(std::uint32_t category, std::uint32_t code) = 0;
    virtual void notify(std::uint32_t category, std::uint32_t code, std::uint32_t value) = 0;

protected:
    Notifier() = default;
    Notifier(const Notifier&) = default;
    Notifier& operator=(const Notifier&) = default;
};

} // namespace cvsw::muppet
