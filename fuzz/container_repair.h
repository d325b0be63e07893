#pragma once

// Mends the fields of a container that random bytes almost never get right, so that mutations reach
// past the checks into the code behind them.

#include "cvbv3/crc32.h"
#include "tests/support/containers/test_containers.h"

#include <cstddef>
#include <cstdint>

namespace fuzzsupport {

// The main header's data size and block count, as the block headers walk the bytes.
inline void repairSizes(cvbtest::Bytes& bytes) {
    if (bytes.size() >= cvbtest::MainHeaderSize) {
        cvbtest::setU32(bytes, cvbtest::MainDataSizeOffset, static_cast<std::uint32_t>(bytes.size()));
        cvbtest::setU32(bytes, cvbtest::MainNumberOfBlocksOffset,
                        static_cast<std::uint32_t>(cvbtest::blockLocations(bytes).size()));
    }
}

// The main header's CRC and each block's data and header CRCs.
inline void repairCrcs(cvbtest::Bytes& bytes) {
    using cvsw::cvbv3::Crc32;
    if (bytes.size() < cvbtest::MainHeaderSize) {
        return;
    }
    cvbtest::setU32(bytes, cvbtest::MainHeaderCrcOffset,
                    Crc32::compute(bytes.data(), cvbtest::MainHeaderCrcOffset));
    for (const auto& block : cvbtest::blockLocations(bytes)) {
        cvbtest::setU32(bytes, block.headerOffset + cvbtest::BlockDataCrcOffset,
                        Crc32::compute(bytes.data() + block.dataOffset, block.dataSize));
        cvbtest::setU32(bytes, block.headerOffset + cvbtest::BlockHeaderCrcOffset,
                        Crc32::compute(bytes.data() + block.headerOffset, cvbtest::BlockHeaderCrcOffset));
    }
}

// A firmware metadata header's CRC, big-endian in its last four bytes, over the bytes before them.
inline void repairHeaderCrc(std::uint8_t* header, std::size_t headerLength) {
    const std::size_t covered = headerLength - 4;
    const std::uint32_t crc = cvsw::cvbv3::Crc32::compute(header, covered);
    for (std::size_t i = 0; i < 4; ++i) {
        header[covered + i] = static_cast<std::uint8_t>(crc >> (8 * (3 - i)));
    }
}

} // namespace fuzzsupport
