#include "cvbv3/cvb_file_assembler.h"

#include "cvbv3/cvb_block.h"

namespace cvsw::cvbv3 {

CvbFileAssembler::JsonBlockBuilder::~JsonBlockBuilder() = default;

void CvbFileAssembler::JsonBlockBuilder::setBlock(std::shared_ptr<CvbBlock> block) {
    block_ = std::move(block);
}

} // namespace cvsw::cvbv3
