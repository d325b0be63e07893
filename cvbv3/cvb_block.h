#pragma once

#include "cvbv3/block_header.h"

#include <cstdint>
#include <memory>

namespace cvsw::cvbv3 {

class CvbFile;

// One block of a container: its header, the file it belongs to and the source its data are pulled
// from. A block made by loading reads its stored bytes back through a RawBlockDataSource over itself.
class CvbBlock {
public:
    // Pull stream of block contents. A short read is no error: callers loop on readChunk and ask
    // endOfData to tell the end of the stream from a momentary shortfall.
    class DataSource {
    public:
        virtual ~DataSource();
        // (Re)starts the stream at its first byte.
        virtual void beginReadData() = 0;
        virtual void endReadData() = 0;
        virtual std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) = 0;
        // Preferred chunk size; 0 means no preference.
        virtual std::uint32_t chunkSizeHint() const = 0;
        virtual bool endOfData() const = 0;
    };

    explicit CvbBlock(CvbFile& file);
    virtual ~CvbBlock();

    CvbBlock(const CvbBlock&) = delete;
    CvbBlock& operator=(const CvbBlock&) = delete;

    BlockHeader& header() { return header_; }
    const BlockHeader& header() const { return header_; }
    CvbFile& file() const { return file_; }

    const std::shared_ptr<DataSource>& dataSource() const { return dataSource_; }
    void setDataSource(std::shared_ptr<DataSource> source);

    // Stored bytes of this block from its file's storage, offset bytes into its data; 0 past the end.
    virtual std::uint32_t readData(unsigned long offset, std::uint8_t* buffer, std::uint32_t length);

    // Pulls n bytes, stopping early at the end of data or once maxZeroReads empty reads have been seen
    // (the count of empty reads is never reset). Returns the number of bytes obtained.
    static std::uint32_t read_n_bytes_from_data_source(const std::shared_ptr<DataSource>& source,
                                                       std::uint8_t* buffer, std::uint32_t n,
                                                       std::uint32_t maxZeroReads);

    // The writer's pull of the block's data, with a running CRC and length for the header.
    void beginSaveData();
    std::uint32_t chunkSizeHint() const;
    std::uint32_t outputChunk(std::uint8_t* buffer, std::uint32_t length);
    void endSaveData();

private:
    BlockHeader header_;
    CvbFile& file_;
    std::shared_ptr<DataSource> dataSource_;
    std::uint32_t runningCrc_ = 0;
    std::uint32_t runningLength_ = 0;
};

} // namespace cvsw::cvbv3
