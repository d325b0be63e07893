#include "fwup/firmware/mbu_firmware_file_parser.h"

#include "cvbv3/cvb_file.h"
#include "fwup/firmware/block_metadata_reader.h"
#include "fwup/firmware/bluetooth_client_metadata.h"
#include "fwup/firmware/q_file_source.h"

#include <QDebug>

#include <exception>
#include <optional>
#include <stdexcept>

namespace fwup {

template <typename Header>
MbuFirmwareFileParser<Header>::MbuFirmwareFileParser(DetectorType detectorType, const BlockTag& mbuTag,
                                                     const BlockSecret& mbuSecret)
    : detectorType_(detectorType)
    , mbuTag_(mbuTag)
    , mbuSecret_(mbuSecret) {
}

template <typename Header>
std::vector<std::unique_ptr<IFirmwareCatalogFile>>
MbuFirmwareFileParser<Header>::parseFile(const QString& path) {
    auto typed = parseMbuFile(path);
    std::vector<std::unique_ptr<IFirmwareCatalogFile>> result;
    result.reserve(typed.size());
    for (auto& file : typed) {
        result.push_back(std::move(file));
    }
    return result;
}

template <typename Header>
std::vector<std::unique_ptr<MbuFirmwareCatalogFile<Header>>>
MbuFirmwareFileParser<Header>::parseMbuFile(const QString& path) const {
    std::vector<std::unique_ptr<CatalogFile>> result;
    try {
        const auto generator = detail::generator_for_block_tag(mbuTag_);
        if (!generator) {
            qCritical() << "Misconfiguration to handle firmware";
            return result;
        }
        cvsw::cvbv3::CvbFile file;
        try {
            file.loadFromFileSource(std::make_unique<cvsw::cvbv3::QFileSource>(path));
        } catch (const std::exception& e) {
            qDebug() << "Failed to load CVB for parsing:" << e.what();
            return result;
        }
        const std::size_t count = file.blockCount();
        for (std::size_t i = 0; i < count; ++i) {
            const auto block = file.blockByIndex(i);
            if (!block) {
                break;
            }
            if (block->header().blockId() != mbuTag_) {
                continue;
            }
            std::optional<detail::BlockMetadataReader<Header>> reader;
            try {
                reader.emplace(block, generator, mbuSecret_);
            } catch (const std::runtime_error& e) {
                qWarning() << "Failed to create blockReader: " << e.what();
                continue;
            }
            const Header& header = reader->header();
            for (std::uint32_t bit = 0; bit < 32; ++bit) {
                if ((header.hardwareFlags & (1u << bit)) == 0) {
                    continue;
                }
                const std::size_t index = file.lookupBlockIndex(block.get());
                qDebug() << "Adding block" << index << "from" << path << "which supports HW version" << bit;
                result.push_back(std::make_unique<CatalogFile>(
                    MbuFirmwareInfo{index, detectorType_, header.version, bit}, header, path));
            }
        }
    } catch (const std::exception& e) {
        // Nothing but the reader's own faults is expected here; the file is unusable either way.
        qWarning() << "Failed to parse firmware file" << path << "-" << e.what();
        result.clear();
    }
    return result;
}

template class MbuFirmwareFileParser<cvsw::cvbv3::MbuMetadataHeaderV2>;

} // namespace fwup
