#pragma once

#include "cvbv3/cvb_block.h"

#include <cstdint>
#include <memory>

namespace cvsw::cvbv3 {

// Delivers its input without the first headerLength bytes (a metadata header read elsewhere). Each
// pass restarts the input and skips the header again.
class SkipHeaderDataSource : public CvbBlock::DataSource {
public:
    SkipHeaderDataSource(const unsigned long& headerLength, std::shared_ptr<CvbBlock::DataSource> input);

    // Throws std::runtime_error "Insufficient data to skip metadata header." for a shorter stream.
    void beginReadData() override;
    void endReadData() override;
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override;
    std::uint32_t chunkSizeHint() const override;
    bool endOfData() const override;

private:
    std::uint64_t headerLength_;
    std::shared_ptr<CvbBlock::DataSource> input_;
};

} // namespace cvsw::cvbv3
