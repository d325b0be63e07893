#include "cvbv3/block_header_validator.h"

#include "cvbv3/block_header.h"
#include "cvbv3/crc32.h"
#include "cvbv3/cvb_block.h"

#include <vector>

namespace cvsw::cvbv3 {

namespace {
constexpr std::uint32_t ScratchSize = 32768;
}

BlockHeaderValidator::BlockHeaderValidator(const std::shared_ptr<CvbBlock>& block)
    : block_(block)
    , header_(block ? &block->header() : nullptr) {
}

BlockHeaderValidator::BlockHeaderValidator(BlockHeader& header)
    : header_(&header) {
}

bool BlockHeaderValidator::magicNumberIsValid() const {
    return header_ != nullptr && header_->magicNumber() == std::array<std::uint8_t, 4>{'C', 'V', 'B', 'B'};
}

bool BlockHeaderValidator::headerCrcIsValid() const {
    return header_ != nullptr && header_->calculateHeaderCrc() == header_->headerCrc();
}

bool BlockHeaderValidator::dataSizeIsValid() const {
    if (!block_) {
        return false;
    }
    // Reads on past dataSize: a block that yields more than its header says fails too.
    std::vector<std::uint8_t> scratch(ScratchSize);
    std::uint64_t total = 0;
    for (;;) {
        const std::uint32_t count = block_->readData(total, scratch.data(), ScratchSize);
        if (count == 0) {
            break;
        }
        total += count;
    }
    return total == header_->dataSize();
}

bool BlockHeaderValidator::dataCrcIsValid() const {
    if (!block_) {
        return false;
    }
    std::vector<std::uint8_t> scratch(ScratchSize);
    const std::uint32_t dataSize = header_->dataSize();
    std::uint32_t crc = 0;
    std::uint64_t offset = 0;
    while (offset < dataSize) {
        const std::uint32_t count = block_->readData(offset, scratch.data(), ScratchSize);
        if (count == 0) {
            break;
        }
        crc = Crc32::update(crc, scratch.data(), count);
        offset += count;
    }
    return crc == header_->dataCrc();
}

} // namespace cvsw::cvbv3
