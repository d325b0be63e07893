#pragma once

#include "cvbv3/cvb_block.h"

#include <cstdint>
#include <memory>

namespace cvsw::cvbv3 {

// The stored (possibly encrypted) bytes of one block of a loaded container, from its first byte.
class RawBlockDataSource : public CvbBlock::DataSource {
public:
    explicit RawBlockDataSource(std::shared_ptr<CvbBlock> block);

    void beginReadData() override;
    void endReadData() override;
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override;
    std::uint32_t chunkSizeHint() const override;
    bool endOfData() const override;

private:
    std::shared_ptr<CvbBlock> block_;
    std::uint32_t offset_ = 0;
};

} // namespace cvsw::cvbv3
