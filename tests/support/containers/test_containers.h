#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cvbv3/cvb_block.h"

namespace cvsw::cvbv3 {
class AuthResponseGenerator;
class CvbFile;
} // namespace cvsw::cvbv3

// Builds valid CVB containers from a description, with the program's own encrypting source and keys,
// and damages them in controlled ways.
namespace cvbtest {

using Bytes = std::vector<std::uint8_t>;
using BlockTag = std::array<std::uint8_t, 8>;
using Secret = std::array<std::uint8_t, 32>;
using Generator = std::shared_ptr<cvsw::cvbv3::AuthResponseGenerator>;

// Byte offsets of the container format.
inline constexpr std::size_t MainHeaderSize = 256;
inline constexpr std::size_t MainNumberOfBlocksOffset = 4;
inline constexpr std::size_t MainDataSizeOffset = 8;
inline constexpr std::size_t MainVersionOffset = 76;
inline constexpr std::size_t MainReservedOffset = 80;
inline constexpr std::size_t MainHeaderCrcOffset = 188;
inline constexpr std::size_t MainCryptoHashOffset = 192;
inline constexpr std::size_t BlockHeaderSize = 88;
inline constexpr std::size_t BlockIdOffset = 4;
inline constexpr std::size_t BlockDataSizeOffset = 12;
inline constexpr std::size_t BlockDataCrcOffset = 16;
inline constexpr std::size_t BlockHeaderCrcOffset = 84;
inline constexpr std::size_t CryptoHeaderSize = 128;

BlockTag makeTag(std::string_view text);
Bytes bytesOf(std::string_view text);
// Deterministic filler bytes.
Bytes patternBytes(std::size_t length, std::uint32_t seed = 1);

struct BlockLayout {
    std::string tag; // 8 characters
    Bytes plain;     // the block's plain data
    Secret secret{}; // the family's block secret
    bool encrypted = true;
    std::string buildDescription;
    Generator generator; // empty: the block-type registry's generator for tag
};

struct ContainerLayout {
    std::vector<BlockLayout> blocks;
    std::string buildDescription;
};

// The registry's generator for a tag; throws std::invalid_argument for an unknown tag.
Generator registryGenerator(std::string_view tag);

// The stored bytes of one block, made by the library's EncryptDataSource.
Bytes encryptBlockData(const BlockLayout& block);
// A container's bytes, assembled here (not by CvbFile::saveToFile) with correct sizes and CRCs.
Bytes buildContainer(const ContainerLayout& layout);
bool writeContainer(const QString& path, const ContainerLayout& layout);
bool writeBytes(const QString& path, const Bytes& bytes);
Bytes readFile(const QString& path);

// Loads through a MemoryFileSource; throws what loading throws.
std::unique_ptr<cvsw::cvbv3::CvbFile> loadContainer(const Bytes& bytes);
// Pulls a source from beginReadData to its end in chunks of the given size.
Bytes readAll(const std::shared_ptr<cvsw::cvbv3::CvbBlock::DataSource>& source, std::uint32_t chunk = 4096);
// Plain bytes of a loaded block through the library's raw and decrypting sources.
Bytes decryptBlock(cvsw::cvbv3::CvbFile& file, std::size_t index, const Secret& secret,
                   const Generator& generator = {});

// A reference encryptor written from the format alone: the given 128-byte crypto header (never
// checked by decryption) and already padded plain data (a multiple of 32 bytes), keyed as the
// decryptor keys it. Lets tests make streams with any final byte.
Bytes encryptPadded(const std::array<std::uint8_t, 128>& cryptoHeader, const Bytes& paddedPlain,
                    const Secret& secret, cvsw::cvbv3::AuthResponseGenerator& generator);

struct BlockLocation {
    std::size_t headerOffset;
    std::size_t dataOffset;
    std::size_t dataSize;
};
// Walks the block headers by their data sizes, as far as the bytes allow.
std::vector<BlockLocation> blockLocations(const Bytes& container);

enum class Crc { Keep, Recompute };

std::uint32_t getU32(const Bytes& bytes, std::size_t offset);
// The Crc::Recompute forms then fix the CRC that covers the offset (for block data: the data CRC and
// then its header CRC), so that only the intended field is wrong.
void setU32(Bytes& container, std::size_t offset, std::uint32_t value, Crc crc = Crc::Keep);
void flipByte(Bytes& container, std::size_t offset, Crc crc = Crc::Keep, std::uint8_t mask = 0xFF);
void recomputeCrcsFor(Bytes& container, std::size_t offset);

} // namespace cvbtest
