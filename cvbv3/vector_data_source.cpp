#include "cvbv3/vector_data_source.h"

#include <algorithm>
#include <cstring>

namespace cvsw::cvbv3 {

VectorDataSource::VectorDataSource(std::vector<std::uint8_t> data)
    : data_(std::move(data)) {
}

void VectorDataSource::beginReadData() {
    position_ = 0;
}

void VectorDataSource::endReadData() {
}

std::uint32_t VectorDataSource::readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) {
    const auto count =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(maxBytes, data_.size() - position_));
    if (count > 0) {
        std::memcpy(buffer, data_.data() + position_, count);
        position_ += count;
    }
    return count;
}

std::uint32_t VectorDataSource::chunkSizeHint() const {
    return 0;
}

bool VectorDataSource::endOfData() const {
    return position_ == data_.size();
}

} // namespace cvsw::cvbv3
