#pragma once

#include <cstdint>

namespace cvsw::cvbv3 {

// Random-access byte store that a loaded container reads its blocks from. A store that cannot be
// opened, sought or read throws std::runtime_error.
class FileSource {
public:
    virtual ~FileSource();

    virtual int size() = 0;
    virtual void skip(int n) = 0;
    virtual void seek(int position) = 0;
    virtual int position() = 0;
    // Reads up to n bytes at the read position and advances; 0 at the end.
    virtual int read(char* buffer, int n) = 0;

    // Narrows a measured file length to the interface's int. Containers are limited to 2^31 - 1 bytes,
    // and a larger file must be refused rather than read with a wrapped length: throws std::out_of_range.
    static int checkedSize(std::int64_t bytes);
};

} // namespace cvsw::cvbv3
