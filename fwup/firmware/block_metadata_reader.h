#pragma once

#include "cvbv3/cvb_block.h"
#include "cvbv3/decrypt_data_source.h"
#include "cvbv3/raw_block_data_source.h"
#include "fwup/firmware/block_keys.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>

namespace fwup::detail {

// Reads and checks the metadata header at the start of one encrypted block's plain data. The chain is
// the block's stored bytes, then the decrypting source; afterwards the source stands just after the
// header, where the image begins. Header is one of the metadata header records (MBU, CPUAPP, CPUNET).
template <typename Header>
class BlockMetadataReader {
public:
    static constexpr std::uint32_t AllowedEmptyReads = 5;

    // Throws std::runtime_error for a missing block, a failed decryption, a short header, a wrong
    // header version or a checksum mismatch; a reader that exists always holds its header.
    BlockMetadataReader(std::shared_ptr<cvsw::cvbv3::CvbBlock> block,
                        const std::shared_ptr<cvsw::cvbv3::AuthResponseGenerator>& generator,
                        const BlockSecret& secret)
        : block_(std::move(block)) {
        auto decrypting = std::make_shared<cvsw::cvbv3::DecryptDataSource>(
            std::make_shared<cvsw::cvbv3::RawBlockDataSource>(block_));
        decrypting->setSecret(secret);
        decrypting->registerAuthGenerator(generator);
        source_ = decrypting;
        if (!block_) {
            throw std::runtime_error("Invalid block provided to the block reader.");
        }

        source_->beginReadData();
        typename Header::Serialised bytes{};
        const auto length = static_cast<std::uint32_t>(bytes.size());
        if (cvsw::cvbv3::CvbBlock::read_n_bytes_from_data_source(source_, bytes.data(), length,
                                                                 AllowedEmptyReads) != length) {
            throw std::runtime_error("Bytes read does not match the expected metadata header length.");
        }
        header_ = Header::deserialise(bytes, headerCrc_);
    }

    const std::shared_ptr<cvsw::cvbv3::CvbBlock>& block() const { return block_; }
    // The decrypting source, positioned just after the header.
    const std::shared_ptr<cvsw::cvbv3::CvbBlock::DataSource>& source() const { return source_; }
    const Header& header() const { return *header_; }
    std::uint32_t headerCrc() const { return headerCrc_; }

private:
    std::shared_ptr<cvsw::cvbv3::CvbBlock> block_;
    std::shared_ptr<cvsw::cvbv3::CvbBlock::DataSource> source_;
    std::optional<Header> header_;
    std::uint32_t headerCrc_ = 0;
};

} // namespace fwup::detail
