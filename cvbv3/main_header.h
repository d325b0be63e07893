#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace cvsw::cvbv3 {

// The 256-byte header at the start of a container, kept exactly as it is stored: every accessor reads
// or writes its field in place, little-endian.
class MainHeader {
public:
    static constexpr std::size_t Size = 256;
    using RawData = std::array<std::uint8_t, Size>;

    MainHeader();
    explicit MainHeader(RawData raw);

    std::array<std::uint8_t, 4> magicNumber() const;

    std::uint32_t numberOfBlocks() const;
    void setNumberOfBlocks(std::uint32_t count);

    std::uint32_t dataSize() const;
    void setDataSize(std::uint32_t size);

    std::array<std::uint8_t, 64> buildDescription() const;
    void setBuildDescription(const std::array<std::uint8_t, 64>& description);
    // Throws std::length_error for a text longer than 64 bytes and leaves the field as it was.
    void setBuildDescription(const std::string& description);

    std::uint32_t versionNumber() const;
    std::array<std::uint8_t, 108> reservedBytes() const;

    std::uint32_t headerCrc() const;
    void setHeaderCrc(std::uint32_t crc);

    std::array<std::uint8_t, 64> cryptoHash() const;

    // CRC of bytes 0 to 187: everything before the header CRC, but not the crypto hash after it.
    std::uint32_t calculateCrc() const;

    const RawData& rawData() const { return data_; }

    // Throw std::out_of_range "Offset out of range." when offset + 4 passes the end.
    std::uint32_t fromRawData(std::size_t offset) const;
    void toRawData(std::size_t offset, std::uint32_t value);

private:
    RawData data_;
};

} // namespace cvsw::cvbv3
