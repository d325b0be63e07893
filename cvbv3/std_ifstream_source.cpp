#include "cvbv3/std_ifstream_source.h"

#include <stdexcept>

namespace cvsw::cvbv3 {

StdIfstreamSource::StdIfstreamSource(const char* path) {
    stream_.open(path, std::ios::in | std::ios::binary);
    if (!stream_.is_open()) {
        throw std::runtime_error("Could not open file");
    }
    stream_.exceptions(std::ios::failbit | std::ios::badbit);
}

StdIfstreamSource::~StdIfstreamSource() = default;

int StdIfstreamSource::size() {
    if (size_ < 0) {
        stream_.seekg(0, std::ios::end);
        size_ = static_cast<std::int64_t>(stream_.tellg());
        stream_.seekg(position_, std::ios::beg);
    }
    return checkedSize(size_);
}

void StdIfstreamSource::skip(int n) {
    stream_.seekg(n, std::ios::cur);
    position_ += n;
}

void StdIfstreamSource::seek(int position) {
    if (position != position_) {
        stream_.seekg(position, std::ios::beg);
        position_ = position;
    }
}

int StdIfstreamSource::position() {
    return static_cast<int>(position_);
}

int StdIfstreamSource::read(char* buffer, int n) {
    if (n <= 0) {
        return 0;
    }
    try {
        stream_.read(buffer, n);
    } catch (const std::ios::failure&) {
        // A short read at the end of the file is a count, not a fault; the loader names the shortfall.
        if (!stream_.eof() || stream_.bad()) {
            throw;
        }
        stream_.clear();
    }
    const auto count = static_cast<int>(stream_.gcount());
    position_ += count;
    return count;
}

} // namespace cvsw::cvbv3
