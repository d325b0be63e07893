#pragma once

#include "cvbv3/cvb_block.h"

#include <cstdint>
#include <memory>

namespace cvsw::cvbv3 {

// All of the first source, then all of the second; one read can span the seam. Either may be absent.
class ConcatenatedDataSource : public CvbBlock::DataSource {
public:
    ConcatenatedDataSource(std::shared_ptr<CvbBlock::DataSource> first,
                           std::shared_ptr<CvbBlock::DataSource> second);

    void beginReadData() override;
    void endReadData() override;
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override;
    std::uint32_t chunkSizeHint() const override;
    bool endOfData() const override;

private:
    static bool hasMore(const std::shared_ptr<CvbBlock::DataSource>& source);

    std::shared_ptr<CvbBlock::DataSource> first_;
    std::shared_ptr<CvbBlock::DataSource> second_;
};

} // namespace cvsw::cvbv3
