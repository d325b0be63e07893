#pragma once

#include "cvbv3/cvb_block.h"
#include "cvbv3/file_source.h"
#include "cvbv3/main_header.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace cvsw::cvbv3 {

// One CVB version 3 container: the main header and its blocks in file order. Loading checks the whole
// container and keeps the store for later block reads; block data are never cached. Blocks refer back
// to their file, so a file is neither copied nor moved and must outlive every use of its blocks.
class CvbFile {
public:
    CvbFile();
    ~CvbFile();

    CvbFile(const CvbFile&) = delete;
    CvbFile& operator=(const CvbFile&) = delete;

    MainHeader& mainHeader() { return mainHeader_; }
    const MainHeader& mainHeader() const { return mainHeader_; }

    // Takes the store, then loads and checks the container; every fault is thrown, and the file is
    // unusable afterwards.
    void loadFromFileSource(std::unique_ptr<FileSource>&& source);
    // Loads from a StdIfstreamSource on path; returns true and throws on every fault.
    bool loadFromFile(const std::string& path);

    // Throws std::out_of_range for an index at or beyond the block count.
    std::shared_ptr<CvbBlock> blockByIndex(std::size_t index) const;
    // Throws std::runtime_error "Block not in file." for a block this file does not hold.
    std::size_t lookupBlockIndex(const CvbBlock* block) const;
    // First block at or after startIndex with this id, or an empty pointer.
    std::shared_ptr<CvbBlock> blockById(const std::array<std::uint8_t, 8>& id, std::size_t startIndex) const;

    // Copies up to length stored data bytes of a block, offset bytes into its data; 0 past the end.
    std::uint32_t readRawBlockData(std::size_t index, std::uint32_t offset, std::uint8_t* buffer,
                                   std::uint32_t length);

    std::uint32_t totalDataSize() const;
    std::size_t blockCount() const { return blocks_.size(); }

    std::shared_ptr<CvbBlock> addBlock();
    // Throws std::logic_error for a block made for another file (or none).
    std::shared_ptr<CvbBlock> addBlock(std::shared_ptr<CvbBlock> block);

    // Writes the container, pulling each block's data source. Returns false when the path cannot be
    // opened or any write or the close fails; throws std::range_error "File exceeds 32 bit length
    // limit." once the file would reach 2^32 bytes.
    bool saveToFile(const std::string& path);

private:
    struct Entry {
        std::shared_ptr<CvbBlock> block;
        std::uint32_t dataOffset = 0;
        std::uint32_t dataLength = 0;
        bool loaded = false; // made by loading, with a raw source over itself
    };

    void scanBlocks(int size);
    void checkBlocks() const;
    void releaseBlocks();
    void appendBlock(Entry entry);

    MainHeader mainHeader_;
    std::vector<Entry> blocks_;
    // Every block read asks for its own index; a scan of the list per read made loading and reading
    // a container of many blocks quadratic. Holds each block's first index.
    std::unordered_map<const CvbBlock*, std::size_t> indexOf_;
    std::unique_ptr<FileSource> storage_;
};

} // namespace cvsw::cvbv3
