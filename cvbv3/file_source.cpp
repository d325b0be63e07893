#include "cvbv3/file_source.h"

#include <limits>
#include <stdexcept>

namespace cvsw::cvbv3 {

FileSource::~FileSource() = default;

int FileSource::checkedSize(std::int64_t bytes) {
    if (bytes < 0 || bytes > std::numeric_limits<int>::max()) {
        throw std::out_of_range("CVB file too large for this implementation to handle");
    }
    return static_cast<int>(bytes);
}

} // namespace cvsw::cvbv3
