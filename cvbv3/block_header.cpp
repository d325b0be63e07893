#include "cvbv3/block_header.h"

#include "cvbv3/crc32.h"
#include "cvbv3/header_fields_p.h"

namespace cvsw::cvbv3 {

namespace {
constexpr std::size_t MagicOffset = 0;
constexpr std::size_t BlockIdOffset = 4;
constexpr std::size_t DataSizeOffset = 12;
constexpr std::size_t DataCrcOffset = 16;
constexpr std::size_t BuildDescriptionOffset = 20;
constexpr std::size_t HeaderCrcOffset = 84;
} // namespace

BlockHeader::BlockHeader()
    : data_{} {
    detail::write_bytes(data_, MagicOffset, std::array<std::uint8_t, 4>{'C', 'V', 'B', 'B'});
}

BlockHeader::BlockHeader(const RawData& raw)
    : data_(raw) {
}

std::array<std::uint8_t, 4> BlockHeader::magicNumber() const {
    return detail::read_bytes<4>(data_, MagicOffset);
}

void BlockHeader::setMagicNumber(const std::array<std::uint8_t, 4>& magic) {
    detail::write_bytes(data_, MagicOffset, magic);
}

BlockHeader::BlockId BlockHeader::blockId() const {
    return detail::read_bytes<8>(data_, BlockIdOffset);
}

void BlockHeader::setBlockId(const BlockId& id) {
    detail::write_bytes(data_, BlockIdOffset, id);
}

std::uint32_t BlockHeader::dataSize() const {
    return detail::read_le32(data_, DataSizeOffset);
}

void BlockHeader::setDataSize(std::uint32_t size) {
    detail::write_le32(data_, DataSizeOffset, size);
}

std::uint32_t BlockHeader::dataCrc() const {
    return detail::read_le32(data_, DataCrcOffset);
}

void BlockHeader::setDataCrc(std::uint32_t crc) {
    detail::write_le32(data_, DataCrcOffset, crc);
}

std::array<std::uint8_t, 64> BlockHeader::buildDescription() const {
    return detail::read_bytes<64>(data_, BuildDescriptionOffset);
}

void BlockHeader::setBuildDescription(const std::array<std::uint8_t, 64>& description) {
    detail::write_bytes(data_, BuildDescriptionOffset, description);
}

void BlockHeader::setBuildDescription(const std::string& description) {
    setBuildDescription(detail::description_from_text(description));
}

std::uint32_t BlockHeader::headerCrc() const {
    return detail::read_le32(data_, HeaderCrcOffset);
}

void BlockHeader::setHeaderCrc(std::uint32_t crc) {
    detail::write_le32(data_, HeaderCrcOffset, crc);
}

std::uint32_t BlockHeader::calculateHeaderCrc() const {
    return Crc32::compute(data_.data(), HeaderCrcOffset);
}

std::uint32_t BlockHeader::fromRawData(std::size_t offset) const {
    return detail::read_le32(data_, offset);
}

void BlockHeader::toRawData(std::size_t offset, std::uint32_t value) {
    detail::write_le32(data_, offset, value);
}

} // namespace cvsw::cvbv3
