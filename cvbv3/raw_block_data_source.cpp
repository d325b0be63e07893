#include "cvbv3/raw_block_data_source.h"

namespace cvsw::cvbv3 {

RawBlockDataSource::RawBlockDataSource(std::shared_ptr<CvbBlock> block)
    : block_(std::move(block)) {
}

void RawBlockDataSource::beginReadData() {
    offset_ = 0;
}

void RawBlockDataSource::endReadData() {
}

std::uint32_t RawBlockDataSource::readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) {
    if (!block_) {
        return 0;
    }
    const std::uint32_t count = block_->readData(offset_, buffer, maxBytes);
    offset_ += count;
    return count;
}

std::uint32_t RawBlockDataSource::chunkSizeHint() const {
    return 0;
}

bool RawBlockDataSource::endOfData() const {
    return !block_ || offset_ >= block_->header().dataSize();
}

} // namespace cvsw::cvbv3
