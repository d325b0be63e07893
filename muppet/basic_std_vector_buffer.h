#pragma once

#include "muppet/buffer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace cvsw::muppet {

// The framing layer's buffer: a vector that only grows, and a count of the committed bytes at its front.
// The bytes between the count and the vector's end are prepared but not yet committed.
class BasicStdVectorBuffer final : public Buffer {
public:
    BasicStdVectorBuffer() = default;

    std::size_t size() const override;
    std::uint8_t* data() override;
    const std::uint8_t* data() const override;
    void consume(Notifier& notifier, std::size_t n) override;
    void clear() override;
    std::size_t freeSpace() const override;
    std::uint8_t* prepare(Notifier& notifier, std::size_t n) override;
    void commit(Notifier& notifier, std::size_t n) override;

private:
    std::vector<std::uint8_t> storage_;
    std::size_t used_ = 0;
};

} // namespace cvsw::muppet
