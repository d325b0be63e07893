#include "cvbv3/concatenated_data_source.h"

namespace cvsw::cvbv3 {

ConcatenatedDataSource::ConcatenatedDataSource(std::shared_ptr<CvbBlock::DataSource> first,
                                               std::shared_ptr<CvbBlock::DataSource> second)
    : first_(std::move(first))
    , second_(std::move(second)) {
}

bool ConcatenatedDataSource::hasMore(const std::shared_ptr<CvbBlock::DataSource>& source) {
    return source && !source->endOfData();
}

void ConcatenatedDataSource::beginReadData() {
    if (first_) {
        first_->beginReadData();
    }
    if (second_) {
        second_->beginReadData();
    }
}

void ConcatenatedDataSource::endReadData() {
    if (first_) {
        first_->endReadData();
    }
    if (second_) {
        second_->endReadData();
    }
}

std::uint32_t ConcatenatedDataSource::readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) {
    std::uint32_t count = 0;
    if (hasMore(first_)) {
        count = first_->readChunk(buffer, maxBytes);
    }
    if (count >= maxBytes || !hasMore(second_)) {
        return count;
    }
    return count + second_->readChunk(buffer + count, maxBytes - count);
}

std::uint32_t ConcatenatedDataSource::chunkSizeHint() const {
    if (hasMore(first_)) {
        return first_->chunkSizeHint();
    }
    if (hasMore(second_)) {
        return second_->chunkSizeHint();
    }
    return 0;
}

bool ConcatenatedDataSource::endOfData() const {
    if (hasMore(first_)) {
        return false;
    }
    return second_ ? second_->endOfData() : true;
}

} // namespace cvsw::cvbv3
