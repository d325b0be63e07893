#include "cvbv3/skip_header_data_source.h"

#include <limits>
#include <stdexcept>
#include <vector>

namespace cvsw::cvbv3 {

namespace {
constexpr std::uint32_t AllowedEmptyReads = 5;
}

SkipHeaderDataSource::SkipHeaderDataSource(const unsigned long& headerLength,
                                           std::shared_ptr<CvbBlock::DataSource> input)
    : headerLength_(headerLength)
    , input_(std::move(input)) {
}

void SkipHeaderDataSource::beginReadData() {
    if (!input_) {
        return;
    }
    input_->beginReadData();
    // No block holds 2^32 bytes, so a longer header can never be skipped.
    if (headerLength_ > std::numeric_limits<std::uint32_t>::max()) {
        throw std::runtime_error("Insufficient data to skip metadata header.");
    }
    const auto length = static_cast<std::uint32_t>(headerLength_);
    std::vector<std::uint8_t> scratch(length);
    if (CvbBlock::read_n_bytes_from_data_source(input_, scratch.data(), length, AllowedEmptyReads) < length) {
        throw std::runtime_error("Insufficient data to skip metadata header.");
    }
}

void SkipHeaderDataSource::endReadData() {
    if (input_) {
        input_->endReadData();
    }
}

std::uint32_t SkipHeaderDataSource::readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) {
    return input_ ? input_->readChunk(buffer, maxBytes) : 0;
}

std::uint32_t SkipHeaderDataSource::chunkSizeHint() const {
    return input_ ? input_->chunkSizeHint() : 0;
}

bool SkipHeaderDataSource::endOfData() const {
    return input_ ? input_->endOfData() : true;
}

} // namespace cvsw::cvbv3
