#include "tests/support/containers/memory_file_source.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace cvbtest {

MemoryFileSource::MemoryFileSource(std::vector<std::uint8_t> bytes)
    : bytes_(std::move(bytes)) {
}

int MemoryFileSource::size() {
    return reportedSize_ >= 0 ? reportedSize_ : static_cast<int>(bytes_.size());
}

void MemoryFileSource::skip(int n) {
    seek(static_cast<int>(position_ + n));
}

void MemoryFileSource::seek(int position) {
    if (position < 0) {
        throw std::runtime_error("Failed to seek to exact position");
    }
    ++seekCount_;
    position_ = position;
}

int MemoryFileSource::position() {
    return static_cast<int>(position_) + positionSkew_;
}

int MemoryFileSource::read(char* buffer, int n) {
    ++readCount_;
    const auto available = static_cast<std::int64_t>(bytes_.size()) - position_;
    const auto count = static_cast<int>(std::clamp<std::int64_t>(available, 0, std::max(n, 0)));
    if (count > 0) {
        std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(count));
        position_ += count;
    }
    return count;
}

} // namespace cvbtest
