#include "cvbv3/cvb_block.h"

#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"

#include <limits>

namespace cvsw::cvbv3 {

CvbBlock::DataSource::~DataSource() = default;

CvbBlock::CvbBlock(CvbFile& file)
    : file_(file) {
}

CvbBlock::~CvbBlock() = default;

void CvbBlock::setDataSource(std::shared_ptr<DataSource> source) {
    dataSource_ = std::move(source);
}

std::uint32_t CvbBlock::readData(unsigned long offset, std::uint8_t* buffer, std::uint32_t length) {
    const std::size_t index = file_.lookupBlockIndex(this);
    // No block reaches 2^32 bytes; a larger offset must not wrap back into the data.
    if (offset > std::numeric_limits<std::uint32_t>::max()) {
        return 0;
    }
    return file_.readRawBlockData(index, static_cast<std::uint32_t>(offset), buffer, length);
}

std::uint32_t CvbBlock::read_n_bytes_from_data_source(const std::shared_ptr<DataSource>& source,
                                                      std::uint8_t* buffer, std::uint32_t n,
                                                      std::uint32_t maxZeroReads) {
    std::uint32_t obtained = 0;
    std::uint32_t zeroReads = 0;
    while (obtained < n) {
        const std::uint32_t count = source->readChunk(buffer + obtained, n - obtained);
        obtained += count;
        if (count != 0) {
            continue;
        }
        if (source->endOfData()) {
            break;
        }
        if (++zeroReads >= maxZeroReads) {
            break;
        }
    }
    return obtained;
}

void CvbBlock::beginSaveData() {
    runningCrc_ = 0;
    runningLength_ = 0;
    if (dataSource_) {
        dataSource_->beginReadData();
    }
}

std::uint32_t CvbBlock::chunkSizeHint() const {
    return dataSource_ ? dataSource_->chunkSizeHint() : 0;
}

std::uint32_t CvbBlock::outputChunk(std::uint8_t* buffer, std::uint32_t length) {
    if (!dataSource_) {
        return 0;
    }
    const std::uint32_t count = dataSource_->readChunk(buffer, length);
    runningCrc_ = Crc32::update(runningCrc_, buffer, count);
    runningLength_ += count;
    return count;
}

void CvbBlock::endSaveData() {
    if (dataSource_) {
        dataSource_->endReadData();
    }
    header_.setDataCrc(runningCrc_);
    header_.setDataSize(runningLength_);
    header_.setHeaderCrc(header_.calculateHeaderCrc());
}

} // namespace cvsw::cvbv3
