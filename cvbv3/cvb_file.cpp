#include "cvbv3/cvb_file.h"

#include "cvbv3/block_header_validator.h"
#include "cvbv3/main_header_validator.h"
#include "cvbv3/raw_block_data_source.h"
#include "cvbv3/std_ifstream_source.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace cvsw::cvbv3 {

namespace {

constexpr int MainHeaderSize = static_cast<int>(MainHeader::Size);
constexpr int BlockHeaderSize = static_cast<int>(BlockHeader::Size);
constexpr std::array<std::uint8_t, 4> BlockMagic = {'C', 'V', 'B', 'B'};
constexpr std::uint32_t SaveChunkSize = 4096;
// The largest length the main header's 32-bit dataSize can describe.
constexpr std::uint64_t LargestFileSize = 0xFFFFFFFFu;

char* as_chars(std::uint8_t* bytes) {
    return reinterpret_cast<char*>(bytes);
}

const char* as_chars(const std::uint8_t* bytes) {
    return reinterpret_cast<const char*>(bytes);
}

// Tracks the write position itself and refuses to let the file reach 2^32 bytes, where the 32-bit
// sizes in the headers would wrap.
class ContainerWriter {
public:
    explicit ContainerWriter(const std::string& path)
        : out_(path, std::ios::out | std::ios::binary | std::ios::trunc) {}

    bool isOpen() const { return out_.is_open(); }
    std::uint64_t position() const { return position_; }

    bool write(const std::uint8_t* data, std::size_t length) {
        if (position_ + length > LargestFileSize) {
            throw std::range_error("File exceeds 32 bit length limit.");
        }
        out_.write(as_chars(data), static_cast<std::streamsize>(length));
        position_ += length;
        return static_cast<bool>(out_);
    }

    bool writeZeros(std::size_t length) {
        const std::array<std::uint8_t, MainHeader::Size> zeros{};
        return write(zeros.data(), length);
    }

    // Overwrites earlier bytes (a header written last) without moving the end of the file.
    bool writeAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length) {
        out_.seekp(static_cast<std::streamoff>(offset));
        out_.write(as_chars(data), static_cast<std::streamsize>(length));
        out_.seekp(static_cast<std::streamoff>(position_));
        return static_cast<bool>(out_);
    }

    bool close() {
        out_.close();
        return !out_.fail();
    }

private:
    std::ofstream out_;
    std::uint64_t position_ = 0;
};

} // namespace

CvbFile::CvbFile() = default;

CvbFile::~CvbFile() {
    releaseBlocks();
}

void CvbFile::releaseBlocks() {
    // A loaded block and its raw source hold each other; without the file neither can be read, so the
    // pair is broken up here rather than left to leak.
    for (const Entry& entry : blocks_) {
        if (entry.loaded) {
            entry.block->setDataSource({});
        }
    }
    blocks_.clear();
    indexOf_.clear();
}

void CvbFile::appendBlock(Entry entry) {
    indexOf_.emplace(entry.block.get(), blocks_.size()); // a block added twice keeps its first index
    blocks_.push_back(std::move(entry));
}

void CvbFile::loadFromFileSource(std::unique_ptr<FileSource>&& source) {
    if (!source) {
        throw std::logic_error("null storage supplied for CVBv3 loading");
    }
    storage_ = std::move(source);
    releaseBlocks();

    const int size = storage_->size();
    if (size < MainHeaderSize) {
        throw std::runtime_error("File not large enough to hold main header");
    }
    storage_->seek(0);
    MainHeader::RawData raw{};
    if (storage_->read(as_chars(raw.data()), MainHeaderSize) < MainHeaderSize) {
        throw std::runtime_error("Failed to read enough data for the main header");
    }
    mainHeader_ = MainHeader(raw);

    const MainHeaderValidator validator(*this, mainHeader_);
    if (!validator.magicNumberIsValid()) {
        throw std::runtime_error("Main Header Magic Number Invalid");
    }
    if (!validator.versionNumberIsValid()) {
        throw std::runtime_error("Invalid Main Header CVB Version number.");
    }
    if (!validator.reservedBytesValid()) {
        throw std::runtime_error("Non-zero data in Main Header reserved space.");
    }
    if (!validator.headerCRCIsValid()) {
        throw std::runtime_error("Main Header CRC Invalid");
    }
    if (static_cast<std::int32_t>(mainHeader_.dataSize()) < 0) {
        throw std::out_of_range("CVB file too large for this implementation to handle");
    }
    if (size != static_cast<int>(mainHeader_.dataSize())) {
        throw std::runtime_error("File length != Main Header data length.");
    }
    if (storage_->position() != MainHeaderSize) {
        throw std::runtime_error("Failed to read in main header.");
    }
    if (size >= MainHeaderSize + BlockHeaderSize) {
        scanBlocks(size);
    }
    if (!validator.numberOfBlocksIsValid()) {
        throw std::runtime_error("Block count mis-match");
    }
    if (!validator.dataSizeIsValid()) {
        throw std::runtime_error("Data size mis-match");
    }
    checkBlocks();
}

void CvbFile::scanBlocks(int size) {
    for (;;) {
        BlockHeader::RawData raw{};
        if (storage_->read(as_chars(raw.data()), BlockHeaderSize) < BlockHeaderSize) {
            throw std::runtime_error("Failed to read enough data for a block header");
        }
        const BlockHeader header(raw);
        if (header.magicNumber() != BlockMagic) {
            throw std::runtime_error("Block Header Magic Invalid");
        }

        const int start = storage_->position();
        const std::uint32_t dataSize = header.dataSize();
        const std::uint32_t end32 = static_cast<std::uint32_t>(start) + dataSize;
        if (static_cast<std::int32_t>(end32) < 0) {
            throw std::out_of_range("CVB file block contents too large for this implementation to handle");
        }
        if (end32 < dataSize) {
            throw std::out_of_range("Reported block length exceeds CVB 32-bit limit");
        }
        storage_->skip(static_cast<int>(dataSize));
        const int end = storage_->position();

        auto block = std::make_shared<CvbBlock>(*this);
        block->header() = header;
        block->setDataSource(std::make_shared<RawBlockDataSource>(block));
        appendBlock(
            Entry{block, static_cast<std::uint32_t>(start), static_cast<std::uint32_t>(end - start), true});

        // Too few bytes left for another header: they stay unread and the size check names them.
        if (std::int64_t{end} + BlockHeaderSize > size) {
            break;
        }
    }
}

void CvbFile::checkBlocks() const {
    for (const Entry& entry : blocks_) {
        const BlockHeaderValidator validator(entry.block);
        if (!validator.headerCrcIsValid()) {
            throw std::runtime_error("Block header CRC invalid.");
        }
        if (!validator.dataSizeIsValid()) {
            throw std::runtime_error("Block data size invalid.");
        }
        if (!validator.dataCrcIsValid()) {
            throw std::runtime_error("Block data CRC invalid.");
        }
    }
}

bool CvbFile::loadFromFile(const std::string& path) {
    loadFromFileSource(std::make_unique<StdIfstreamSource>(path.c_str()));
    return true;
}

std::shared_ptr<CvbBlock> CvbFile::blockByIndex(std::size_t index) const {
    if (index >= blocks_.size()) {
        throw std::out_of_range("Block index out of range.");
    }
    return blocks_[index].block;
}

std::size_t CvbFile::lookupBlockIndex(const CvbBlock* block) const {
    const auto found = indexOf_.find(block);
    if (found == indexOf_.end()) {
        throw std::runtime_error("Block not in file.");
    }
    return found->second;
}

std::shared_ptr<CvbBlock> CvbFile::blockById(const std::array<std::uint8_t, 8>& id,
                                             std::size_t startIndex) const {
    for (std::size_t i = startIndex; i < blocks_.size(); ++i) {
        if (blocks_[i].block->header().blockId() == id) {
            return blocks_[i].block;
        }
    }
    return {};
}

std::uint32_t CvbFile::readRawBlockData(std::size_t index, std::uint32_t offset, std::uint8_t* buffer,
                                        std::uint32_t length) {
    if (!storage_) {
        throw std::runtime_error("Cannot read raw blocks because there is no file storage");
    }
    if (index >= blocks_.size()) {
        throw std::out_of_range("Block index out of range.");
    }
    const Entry& entry = blocks_[index];
    // 64-bit sums: an offset near 2^32 must not wrap back into the block.
    const std::uint64_t begin = std::uint64_t{entry.dataOffset} + offset;
    const std::uint64_t end = std::uint64_t{entry.dataOffset} + entry.dataLength;
    if (begin > end) {
        return 0;
    }
    const std::uint64_t count = std::min<std::uint64_t>(length, end - begin);
    // Sequential reads of a block find the store in place already; a seek on a file costs a system call.
    if (storage_->position() != static_cast<std::int64_t>(begin)) {
        storage_->seek(static_cast<int>(begin));
    }
    const int read = storage_->read(as_chars(buffer), static_cast<int>(count));
    return read > 0 ? static_cast<std::uint32_t>(read) : 0;
}

std::uint32_t CvbFile::totalDataSize() const {
    std::uint32_t total = MainHeaderSize;
    for (const Entry& entry : blocks_) {
        total += BlockHeaderSize + entry.dataLength;
    }
    return total;
}

std::shared_ptr<CvbBlock> CvbFile::addBlock() {
    return addBlock(std::make_shared<CvbBlock>(*this));
}

std::shared_ptr<CvbBlock> CvbFile::addBlock(std::shared_ptr<CvbBlock> block) {
    if (!block) {
        throw std::logic_error("Attempt to add a null block.");
    }
    if (&block->file() != this) {
        throw std::logic_error("Attempt to add a block that belongs to another CvbFile.");
    }
    appendBlock(Entry{block, 0, 0, false});
    return block;
}

bool CvbFile::saveToFile(const std::string& path) {
    ContainerWriter writer(path);
    if (!writer.isOpen()) {
        return false;
    }
    if (!writer.writeZeros(MainHeader::Size)) {
        return false;
    }
    std::array<std::uint8_t, SaveChunkSize> chunk{};
    for (const Entry& entry : blocks_) {
        CvbBlock& block = *entry.block;
        const std::uint64_t headerPosition = writer.position();
        if (!writer.writeZeros(BlockHeader::Size)) {
            return false;
        }
        const std::uint64_t dataPosition = writer.position();

        block.beginSaveData();
        std::uint32_t chunkSize = block.chunkSizeHint();
        if (chunkSize == 0 || chunkSize > SaveChunkSize) {
            chunkSize = SaveChunkSize;
        }
        for (;;) {
            const std::uint32_t count = block.outputChunk(chunk.data(), chunkSize);
            if (count == 0) {
                break;
            }
            if (!writer.write(chunk.data(), count)) {
                return false;
            }
        }
        block.endSaveData();

        if (writer.position() - dataPosition != block.header().dataSize()) {
            throw std::runtime_error("Block data written length does not match block header.");
        }
        if (!writer.writeAt(headerPosition, block.header().rawData().data(), BlockHeader::Size)) {
            return false;
        }
    }

    mainHeader_.setDataSize(static_cast<std::uint32_t>(writer.position()));
    mainHeader_.setNumberOfBlocks(static_cast<std::uint32_t>(blocks_.size()));
    mainHeader_.setHeaderCrc(mainHeader_.calculateCrc());
    if (!writer.writeAt(0, mainHeader_.rawData().data(), MainHeader::Size)) {
        return false;
    }
    return writer.close();
}

} // namespace cvsw::cvbv3
