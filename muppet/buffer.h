#pragma once

#include <cstddef>
#include <cstdint>

namespace cvsw::muppet {

class Notifier;

// A byte buffer of the framing layer. Bytes are first prepared (space reserved after the held bytes),
// written in place, then committed; readers take them from the front with consume. Misuse is reported
// to the Notifier and clamped, never thrown.
class Buffer {
public:
    virtual ~Buffer() = default;

    // Bytes held (committed).
    virtual std::size_t size() const = 0;
    // Start of the held bytes.
    virtual std::uint8_t* data() = 0;
    virtual const std::uint8_t* data() const = 0;
    // Drops n bytes from the front.
    virtual void consume(Notifier& notifier, std::size_t n) = 0;
    // Drops everything, prepared bytes included.
    virtual void clear() = 0;
    // How many more bytes may be prepared.
    virtual std::size_t freeSpace() const = 0;
    // Makes room for n more bytes after the held ones and returns where they go; null when there is
    // no room.
    virtual std::uint8_t* prepare(Notifier& notifier, std::size_t n) = 0;
    // Counts n prepared bytes as held.
    virtual void commit(Notifier& notifier, std::size_t n) = 0;

protected:
    Buffer() = default;
    Buffer(const Buffer&) = default;
    Buffer& operator=(const Buffer&) = default;
};

} // namespace cvsw::muppet
