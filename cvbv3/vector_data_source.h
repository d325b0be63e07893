#pragma once

#include "cvbv3/cvb_block.h"

#include <cstdint>
#include <vector>

namespace cvsw::cvbv3 {

// Delivers a byte vector.
class VectorDataSource : public CvbBlock::DataSource {
public:
    explicit VectorDataSource(std::vector<std::uint8_t> data);

    void beginReadData() override;
    void endReadData() override;
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override;
    std::uint32_t chunkSizeHint() const override;
    bool endOfData() const override;

private:
    std::vector<std::uint8_t> data_;
    std::uint64_t position_ = 0;
};

} // namespace cvsw::cvbv3
