#pragma once

#include <memory>

namespace cvsw::cvbv3 {

class BlockHeader;
class CvbBlock;

// The checks of a block header. Built from a block, it checks that block's header and reads its data
// in 32768-byte pieces; built from a bare header, both data checks answer false.
class BlockHeaderValidator {
public:
    explicit BlockHeaderValidator(const std::shared_ptr<CvbBlock>& block);
    explicit BlockHeaderValidator(BlockHeader& header);

    BlockHeaderValidator(const BlockHeaderValidator&) = delete;
    BlockHeaderValidator& operator=(const BlockHeaderValidator&) = delete;

    bool magicNumberIsValid() const;
    bool headerCrcIsValid() const;
    bool dataSizeIsValid() const;
    bool dataCrcIsValid() const;

private:
    std::shared_ptr<CvbBlock> block_;
    const BlockHeader* header_;
};

} // namespace cvsw::cvbv3
