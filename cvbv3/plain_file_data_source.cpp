#include "cvbv3/plain_file_data_source.h"

#include "logging/log.h"

namespace cvsw::cvbv3 {

namespace {
constexpr unsigned short LogModule = 0x3B05;
}

PlainFileDataSource::PlainFileDataSource(const std::string& path)
    : path_(path) {
}

void PlainFileDataSource::beginReadData() {
    if (!stream_.is_open()) {
        stream_.open(path_, std::ios::in | std::ios::binary);
        if (!stream_.is_open()) {
            CVSW_LOG(log::Level::Error, LogModule, "Failed to open file: %1", log::Value::string(path_));
        }
    }
    // A second pass starts again at byte 0.
    stream_.clear();
    stream_.seekg(0, std::ios::beg);
}

void PlainFileDataSource::endReadData() {
    stream_.close();
}

std::uint32_t PlainFileDataSource::readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) {
    if (!stream_.is_open() || maxBytes == 0) {
        return 0;
    }
    stream_.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(maxBytes));
    return static_cast<std::uint32_t>(stream_.gcount());
}

std::uint32_t PlainFileDataSource::chunkSizeHint() const {
    return 0;
}

bool PlainFileDataSource::endOfData() const {
    return !stream_.is_open() || stream_.eof();
}

} // namespace cvsw::cvbv3
