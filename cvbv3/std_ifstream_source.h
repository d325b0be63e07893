#pragma once

#include "cvbv3/file_source.h"

#include <cstdint>
#include <fstream>

namespace cvsw::cvbv3 {

// A FileSource over a binary std::ifstream. It tracks the read position itself, so that the loader's
// seek before every block read costs nothing when the position is already right.
class StdIfstreamSource : public FileSource {
public:
    // Throws std::runtime_error "Could not open file".
    explicit StdIfstreamSource(const char* path);
    ~StdIfstreamSource() override;

    // Measured once; a file of 2^31 bytes or more throws std::out_of_range.
    int size() override;
    void skip(int n) override;
    void seek(int position) override;
    int position() override;
    int read(char* buffer, int n) override;

private:
    std::ifstream stream_;
    std::int64_t position_ = 0;
    std::int64_t size_ = -1;
};

} // namespace cvsw::cvbv3
