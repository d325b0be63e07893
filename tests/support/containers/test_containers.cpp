#include "tests/support/containers/test_containers.h"

#include "cvbv3/auth_response_generator.h"
#include "cvbv3/block_header.h"
#include "cvbv3/block_registry.h"
#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/decrypt_data_source.h"
#include "cvbv3/encrypt_data_source.h"
#include "cvbv3/main_header.h"
#include "cvbv3/raw_block_data_source.h"
#include "cvbv3/vector_data_source.h"
#include "security/sha256.h"
#include "tests/support/containers/memory_file_source.h"

#include <QFile>

#include <algorithm>
#include <stdexcept>

namespace cvbtest {

using namespace cvsw::cvbv3;

BlockTag makeTag(std::string_view text) {
    if (text.size() != 8) {
        throw std::invalid_argument("a block tag has 8 characters");
    }
    BlockTag tag{};
    std::copy(text.begin(), text.end(), tag.begin());
    return tag;
}

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Bytes patternBytes(std::size_t length, std::uint32_t seed) {
    Bytes bytes(length);
    std::uint32_t state = seed * 2654435761u + 12345u;
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

Generator registryGenerator(std::string_view tag) {
    const auto& registry = globalBlockRegistry();
    const auto row = registry.find(makeTag(tag));
    if (row == registry.end()) {
        throw std::invalid_argument("no block-type registry row for this tag");
    }
    return row->second();
}

Bytes readAll(const std::shared_ptr<CvbBlock::DataSource>& source, std::uint32_t chunk) {
    Bytes result;
    Bytes buffer(chunk);
    source->beginReadData();
    for (;;) {
        const std::uint32_t count = source->readChunk(buffer.data(), chunk);
        if (count == 0) {
            break;
        }
        result.insert(result.end(), buffer.begin(), buffer.begin() + count);
    }
    source->endReadData();
    return result;
}

Bytes encryptBlockData(const BlockLayout& block) {
    auto source = std::make_shared<EncryptDataSource>(std::make_shared<VectorDataSource>(block.plain));
    source->setSecret(block.secret);
    source->registerAuthGenerator(block.generator ? block.generator : registryGenerator(block.tag));
    return readAll(source);
}

Bytes buildContainer(const ContainerLayout& layout) {
    Bytes container(MainHeaderSize);
    for (const BlockLayout& block : layout.blocks) {
        const Bytes data = block.encrypted ? encryptBlockData(block) : block.plain;
        BlockHeader header;
        header.setBlockId(makeTag(block.tag));
        header.setDataSize(static_cast<std::uint32_t>(data.size()));
        header.setDataCrc(Crc32::compute(data.data(), data.size()));
        header.setBuildDescription(block.buildDescription);
        header.setHeaderCrc(header.calculateHeaderCrc());
        container.insert(container.end(), header.rawData().begin(), header.rawData().end());
        container.insert(container.end(), data.begin(), data.end());
    }
    MainHeader main;
    main.setNumberOfBlocks(static_cast<std::uint32_t>(layout.blocks.size()));
    main.setDataSize(static_cast<std::uint32_t>(container.size()));
    main.setBuildDescription(layout.buildDescription);
    main.setHeaderCrc(main.calculateCrc());
    std::copy(main.rawData().begin(), main.rawData().end(), container.begin());
    return container;
}

bool writeBytes(const QString& path, const Bytes& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

bool writeContainer(const QString& path, const ContainerLayout& layout) {
    return writeBytes(path, buildContainer(layout));
}

Bytes readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray data = file.readAll();
    return Bytes(data.begin(), data.end());
}

std::unique_ptr<CvbFile> loadContainer(const Bytes& bytes) {
    auto file = std::make_unique<CvbFile>();
    file->loadFromFileSource(std::make_unique<MemoryFileSource>(bytes));
    return file;
}

Bytes decryptBlock(CvbFile& file, std::size_t index, const Secret& secret, const Generator& generator) {
    const auto block = file.blockByIndex(index);
    const auto tag = block->header().blockId();
    auto source = std::make_shared<DecryptDataSource>(std::make_shared<RawBlockDataSource>(block));
    source->setSecret(secret);
    source->registerAuthGenerator(generator ? generator
                                            : registryGenerator(std::string_view(
                                                  reinterpret_cast<const char*>(tag.data()), tag.size())));
    return readAll(source);
}

Bytes encryptPadded(const std::array<std::uint8_t, 128>& cryptoHeader, const Bytes& paddedPlain,
                    const Secret& secret, AuthResponseGenerator& generator) {
    using namespace cvsw::security;
    if (paddedPlain.size() % 32 != 0) {
        throw std::invalid_argument("padded plain data must be a multiple of 32 bytes");
    }
    const Sha256Digest challenge = sha256(cryptoHeader.data(), 96);
    const auto response = generator.getResponse(challenge);
    Bytes keyMaterial(cryptoHeader.begin(), cryptoHeader.end());
    keyMaterial.insert(keyMaterial.end(), response.begin(), response.end());
    keyMaterial.insert(keyMaterial.end(), secret.begin(), secret.end());
    Sha256Digest counter = sha256(keyMaterial.data(), keyMaterial.size());

    Bytes stored(cryptoHeader.begin(), cryptoHeader.end());
    for (std::size_t block = 0; block < paddedPlain.size(); block += 32) {
        const Sha256Digest keystream = sha256(counter.data(), counter.size());
        for (std::size_t i = 0; i < 32; ++i) {
            stored.push_back(paddedPlain[block + i] ^ keystream[i]);
        }
        for (auto& byte : counter) {
            if (++byte != 0) {
                break;
            }
        }
    }
    return stored;
}

std::vector<BlockLocation> blockLocations(const Bytes& container) {
    std::vector<BlockLocation> locations;
    std::size_t offset = MainHeaderSize;
    while (offset + BlockHeaderSize <= container.size()) {
        const std::size_t dataSize = getU32(container, offset + BlockDataSizeOffset);
        const std::size_t dataOffset = offset + BlockHeaderSize;
        locations.push_back({offset, dataOffset, std::min(dataSize, container.size() - dataOffset)});
        offset = dataOffset + dataSize;
    }
    return locations;
}

std::uint32_t getU32(const Bytes& bytes, std::size_t offset) {
    return std::uint32_t{bytes.at(offset)} | (std::uint32_t{bytes.at(offset + 1)} << 8) |
           (std::uint32_t{bytes.at(offset + 2)} << 16) | (std::uint32_t{bytes.at(offset + 3)} << 24);
}

namespace {

void putU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void fixBlockHeaderCrc(Bytes& container, std::size_t headerOffset) {
    putU32(container, headerOffset + BlockHeaderCrcOffset,
           Crc32::compute(container.data() + headerOffset, BlockHeaderCrcOffset));
}

} // namespace

void recomputeCrcsFor(Bytes& container, std::size_t offset) {
    if (offset < MainHeaderCrcOffset) {
        putU32(container, MainHeaderCrcOffset, Crc32::compute(container.data(), MainHeaderCrcOffset));
        return;
    }
    for (const BlockLocation& block : blockLocations(container)) {
        if (offset >= block.headerOffset && offset < block.headerOffset + BlockHeaderCrcOffset) {
            fixBlockHeaderCrc(container, block.headerOffset);
            return;
        }
        if (offset >= block.dataOffset && offset < block.dataOffset + block.dataSize) {
            putU32(container, block.headerOffset + BlockDataCrcOffset,
                   Crc32::compute(container.data() + block.dataOffset, block.dataSize));
            fixBlockHeaderCrc(container, block.headerOffset);
            return;
        }
    }
}

void setU32(Bytes& container, std::size_t offset, std::uint32_t value, Crc crc) {
    putU32(container, offset, value);
    if (crc == Crc::Recompute) {
        recomputeCrcsFor(container, offset);
    }
}

void flipByte(Bytes& container, std::size_t offset, Crc crc, std::uint8_t mask) {
    container.at(offset) ^= mask;
    if (crc == Crc::Recompute) {
        recomputeCrcsFor(container, offset);
    }
}

} // namespace cvbtest
