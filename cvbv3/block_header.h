#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace cvsw::cvbv3 {

// The 88-byte header in front of each block's data, kept exactly as it is stored.
class BlockHeader {
public:
    static constexpr std::size_t Size = 88;
    using RawData = std::array<std::uint8_t, Size>;
    using BlockId = std::array<std::uint8_t, 8>;

    BlockHeader();
    explicit BlockHeader(const RawData& raw);

    bool operator==(const BlockHeader& other) const { return data_ == other.data_; }

    std::array<std::uint8_t, 4> magicNumber() const;
    void setMagicNumber(const std::array<std::uint8_t, 4>& magic);

    BlockId blockId() const;
    void setBlockId(const BlockId& id);

    std::uint32_t dataSize() const;
    void setDataSize(std::uint32_t size);

    std::uint32_t dataCrc() const;
    void setDataCrc(std::uint32_t crc);

    std::array<std::uint8_t, 64> buildDescription() const;
    void setBuildDescription(const std::array<std::uint8_t, 64>& description);
    // Throws std::length_error for a text longer than 64 bytes and leaves the field as it was.
    void setBuildDescription(const std::string& description);

    std::uint32_t headerCrc() const;
    void setHeaderCrc(std::uint32_t crc);

    // CRC of bytes 0 to 83, which include the data size and data CRC: set those first.
    std::uint32_t calculateHeaderCrc() const;

    const RawData& rawData() const { return data_; }

    std::uint32_t fromRawData(std::size_t offset) const;
    void toRawData(std::size_t offset, std::uint32_t value);

private:
    RawData data_;
};

} // namespace cvsw::cvbv3
