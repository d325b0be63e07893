#include "cvbv3/main_header.h"

#include "cvbv3/crc32.h"
#include "cvbv3/header_fields_p.h"

namespace cvsw::cvbv3 {

namespace {
constexpr std::size_t MagicOffset = 0;
constexpr std::size_t NumberOfBlocksOffset = 4;
constexpr std::size_t DataSizeOffset = 8;
constexpr std::size_t BuildDescriptionOffset = 12;
constexpr std::size_t VersionOffset = 76;
constexpr std::size_t ReservedOffset = 80;
constexpr std::size_t HeaderCrcOffset = 188;
constexpr std::size_t CryptoHashOffset = 192;
constexpr std::uint32_t Version = 3;
} // namespace

MainHeader::MainHeader()
    : data_{} {
    detail::write_bytes(data_, MagicOffset, std::array<std::uint8_t, 4>{'C', 'V', 'B', 'F'});
    detail::write_le32(data_, VersionOffset, Version);
}

MainHeader::MainHeader(RawData raw)
    : data_(raw) {
}

std::array<std::uint8_t, 4> MainHeader::magicNumber() const {
    return detail::read_bytes<4>(data_, MagicOffset);
}

std::uint32_t MainHeader::numberOfBlocks() const {
    return detail::read_le32(data_, NumberOfBlocksOffset);
}

void MainHeader::setNumberOfBlocks(std::uint32_t count) {
    detail::write_le32(data_, NumberOfBlocksOffset, count);
}

std::uint32_t MainHeader::dataSize() const {
    return detail::read_le32(data_, DataSizeOffset);
}

void MainHeader::setDataSize(std::uint32_t size) {
    detail::write_le32(data_, DataSizeOffset, size);
}

std::array<std::uint8_t, 64> MainHeader::buildDescription() const {
    return detail::read_bytes<64>(data_, BuildDescriptionOffset);
}

void MainHeader::setBuildDescription(const std::array<std::uint8_t, 64>& description) {
    detail::write_bytes(data_, BuildDescriptionOffset, description);
}

void MainHeader::setBuildDescription(const std::string& description) {
    setBuildDescription(detail::description_from_text(description));
}

std::uint32_t MainHeader::versionNumber() const {
    return detail::read_le32(data_, VersionOffset);
}

std::array<std::uint8_t, 108> MainHeader::reservedBytes() const {
    return detail::read_bytes<108>(data_, ReservedOffset);
}

std::uint32_t MainHeader::headerCrc() const {
    return detail::read_le32(data_, HeaderCrcOffset);
}

void MainHeader::setHeaderCrc(std::uint32_t crc) {
    detail::write_le32(data_, HeaderCrcOffset, crc);
}

std::array<std::uint8_t, 64> MainHeader::cryptoHash() const {
    return detail::read_bytes<64>(data_, CryptoHashOffset);
}

std::uint32_t MainHeader::calculateCrc() const {
    return Crc32::compute(data_.data(), HeaderCrcOffset);
}

std::uint32_t MainHeader::fromRawData(std::size_t offset) const {
    return detail::read_le32(data_, offset);
}

void MainHeader::toRawData(std::size_t offset, std::uint32_t value) {
    detail::write_le32(data_, offset, value);
}

} // namespace cvsw::cvbv3
