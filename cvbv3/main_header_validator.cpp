#include "cvbv3/main_header_validator.h"

#include "cvbv3/cvb_file.h"
#include "cvbv3/main_header.h"

#include <algorithm>

namespace cvsw::cvbv3 {

MainHeaderValidator::MainHeaderValidator(const CvbFile& file, const MainHeader& header)
    : file_(file)
    , header_(header) {
}

bool MainHeaderValidator::magicNumberIsValid() const {
    return header_.magicNumber() == std::array<std::uint8_t, 4>{'C', 'V', 'B', 'F'};
}

bool MainHeaderValidator::versionNumberIsValid() const {
    return header_.versionNumber() == 3;
}

bool MainHeaderValidator::reservedBytesValid() const {
    const auto reserved = header_.reservedBytes();
    return std::all_of(reserved.begin(), reserved.end(), [](std::uint8_t byte) { return byte == 0; });
}

bool MainHeaderValidator::headerCRCIsValid() const {
    return header_.calculateCrc() == header_.headerCrc();
}

bool MainHeaderValidator::numberOfBlocksIsValid() const {
    return header_.numberOfBlocks() == file_.blockCount();
}

bool MainHeaderValidator::dataSizeIsValid() const {
    return header_.dataSize() == file_.totalDataSize();
}

} // namespace cvsw::cvbv3
