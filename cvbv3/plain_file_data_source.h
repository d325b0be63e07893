#pragma once

#include "cvbv3/cvb_block.h"

#include <cstdint>
#include <fstream>
#include <string>

namespace cvsw::cvbv3 {

// Delivers the contents of a file, opened by the first pass. A file that cannot be opened is logged
// and reads as an empty stream.
class PlainFileDataSource : public CvbBlock::DataSource {
public:
    explicit PlainFileDataSource(const std::string& path);

    void beginReadData() override;
    void endReadData() override;
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override;
    std::uint32_t chunkSizeHint() const override;
    bool endOfData() const override;

    // Whether the pass found the file: a file that could not be opened reads as an empty stream.
    bool isOpen() const { return stream_.is_open(); }

private:
    std::ifstream stream_;
    std::string path_;
};

} // namespace cvsw::cvbv3
