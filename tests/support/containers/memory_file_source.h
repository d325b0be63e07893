#pragma once

#include "cvbv3/file_source.h"

#include <cstdint>
#include <vector>

namespace cvbtest {

// A container store in memory, with knobs for the faults a real file cannot easily show: a size that
// differs from the bytes held, and a position that is off by some bytes.
class MemoryFileSource : public cvsw::cvbv3::FileSource {
public:
    explicit MemoryFileSource(std::vector<std::uint8_t> bytes);

    // size() answers this instead of the number of bytes held.
    void setReportedSize(int size) { reportedSize_ = size; }
    // position() answers the true position plus this.
    void setPositionSkew(int skew) { positionSkew_ = skew; }

    int size() override;
    void skip(int n) override;
    void seek(int position) override;
    int position() override;
    int read(char* buffer, int n) override;

    int seekCount() const { return seekCount_; }
    int readCount() const { return readCount_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t position_ = 0;
    int reportedSize_ = -1;
    int positionSkew_ = 0;
    int seekCount_ = 0;
    int readCount_ = 0;
};

} // namespace cvbtest
