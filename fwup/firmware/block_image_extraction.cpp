#include "fwup/firmware/block_image_extraction.h"

#include "cvbv3/cvb_file.h"
#include "cvbv3/skip_header_data_source.h"
#include "fwup/firmware/block_metadata_reader.h"
#include "fwup/firmware/bluetooth_client_metadata.h"
#include "fwup/firmware/q_file_source.h"
#include "fwup/firmware/tamarind_cpu_app_extended_header_fields.h"
#include "fwup/firmware/tamarind_cpu_net_header_fields.h"

#include <QDebug>
#include <QFile>

#include <exception>
#include <vector>

namespace fwup::detail {

namespace {

constexpr std::uint32_t CopyBufferSize = 4096;
// A stream that keeps answering nothing without reaching its end is broken, not slow.
constexpr int AllowedEmptyReads = 5;

// Streams the image to the file; every write and the close are checked, so a full disk or a failing
// device gives false instead of a truncated image.
bool copyImage(cvsw::cvbv3::CvbBlock::DataSource& image, QFile& output) {
    std::vector<std::uint8_t> buffer(CopyBufferSize);
    int emptyReads = 0;
    image.beginReadData();
    while (!image.endOfData()) {
        const std::uint32_t count = image.readChunk(buffer.data(), CopyBufferSize);
        if (count == 0) {
            if (++emptyReads >= AllowedEmptyReads) {
                qWarning() << "Image data ended early in" << output.fileName();
                return false;
            }
            continue;
        }
        emptyReads = 0;
        if (output.write(reinterpret_cast<const char*>(buffer.data()), count) != qint64(count)) {
            qWarning() << "Could not write" << output.fileName() << "-" << output.errorString();
            return false;
        }
    }
    image.endReadData();
    if (!output.flush()) {
        qWarning() << "Could not write" << output.fileName() << "-" << output.errorString();
        return false;
    }
    output.close();
    if (output.error() != QFileDevice::NoError) {
        qWarning() << "Could not write" << output.fileName() << "-" << output.errorString();
        return false;
    }
    return true;
}

// Up to the first zero byte, at most 8 characters, for the debug line of a mismatch.
QByteArray plainTagText(const BlockTag& tag) {
    return block_tag_text(tag).toLatin1();
}

} // namespace

std::unique_ptr<cvsw::cvbv3::CvbFile> load_container_for_extraction(const QString& containerPath) {
    auto file = std::make_unique<cvsw::cvbv3::CvbFile>();
    try {
        file->loadFromFileSource(std::make_unique<cvsw::cvbv3::QFileSource>(containerPath));
    } catch (const std::exception& e) {
        qWarning() << "Failed to load CVB @" << containerPath << "-" << e.what();
        return {};
    }
    return file;
}

template <typename Header>
bool extract_block_image(const BlockTagAndSecret& key, const QString& containerPath, unsigned long blockIndex,
                         const QString& outputPath) {
    const auto file = load_container_for_extraction(containerPath);
    return file && extract_block_image<Header>(key, *file, containerPath, blockIndex, outputPath);
}

template <typename Header>
bool extract_block_image(const BlockTagAndSecret& key, const cvsw::cvbv3::CvbFile& file,
                         const QString& containerPath, unsigned long blockIndex, const QString& outputPath) {
    if (blockIndex >= file.blockCount()) {
        qWarning() << "CVB" << containerPath << "does not have block" << blockIndex;
        return false;
    }

    const auto block = file.blockByIndex(blockIndex);
    const BlockTag blockId = block->header().blockId();
    if (blockId != key.tag) {
        qDebug().noquote() << "Retrieved block blockId does not match expected blockId! Expected: "
                           << plainTagText(key.tag) << " got: " << plainTagText(blockId);
        return false;
    }
    const QString tagText = block_tag_text(key.tag);

    try {
        if (file.lookupBlockIndex(block.get()) != blockIndex) {
            qDebug() << "The index of the returned block does not match the index of the requested block.";
            return false;
        }
    } catch (const std::exception& e) {
        qWarning() << "Failed to get index for block" << tagText << "-" << e.what();
        return false;
    }

    try {
        const auto generator = generator_for_block_tag(key.tag);
        if (!generator) {
            qCritical() << "Misconfiguration: No AuthResponseGenerator for blocks of type" << tagText;
            return false;
        }

        std::shared_ptr<cvsw::cvbv3::CvbBlock::DataSource> image;
        try {
            const BlockMetadataReader<Header> reader(block, generator, key.secret);
            image = std::make_shared<cvsw::cvbv3::SkipHeaderDataSource>(
                static_cast<unsigned long>(Header::METADATA_SERIALISED_LENGTH), reader.source());
        } catch (const std::exception& e) {
            qWarning() << "Failed to read block:" << e.what();
            return false;
        }

        QFile output(outputPath);
        if (!output.open(QIODevice::WriteOnly)) {
            qWarning() << "Could not open" << outputPath << "-" << output.errorString();
            return false;
        }
        return copyImage(*image, output);
    } catch (const std::exception& e) {
        // Faults of the image data only show while it streams (a bad padding, a short block).
        qWarning() << "Failed to extract block image from" << containerPath << "-" << e.what();
        return false;
    }
}

#define FWUP_INSTANTIATE_BLOCK_IMAGE_EXTRACTION(Header)                                                      \
    template bool extract_block_image<Header>(const BlockTagAndSecret&, const QString&, unsigned long,       \
                                              const QString&);                                               \
    template bool extract_block_image<Header>(const BlockTagAndSecret&, const cvsw::cvbv3::CvbFile&,         \
                                              const QString&, unsigned long, const QString&)

FWUP_INSTANTIATE_BLOCK_IMAGE_EXTRACTION(cvsw::cvbv3::MbuMetadataHeaderV2);
FWUP_INSTANTIATE_BLOCK_IMAGE_EXTRACTION(cvsw::cvbv3::tamarind::v1::TamarindCpuAppMetadataHeader);
FWUP_INSTANTIATE_BLOCK_IMAGE_EXTRACTION(cvsw::cvbv3::tamarind::v1::TamarindCpuNetHeaderFields);

#undef FWUP_INSTANTIATE_BLOCK_IMAGE_EXTRACTION

bool extractControlPodImage(const BlockTagAndSecret& key, const QString& containerPath,
                            unsigned long blockIndex, const QString& outputPath) {
    return extract_block_image<cvsw::cvbv3::MbuMetadataHeaderV2>(key, containerPath, blockIndex, outputPath);
}

bool extractCpuAppImage(const BlockTagAndSecret& key, const QString& containerPath, unsigned long blockIndex,
                        const QString& outputPath) {
    return extract_block_image<cvsw::cvbv3::tamarind::v1::TamarindCpuAppMetadataHeader>(
        key, containerPath, blockIndex, outputPath);
}

bool extractCpuNetImage(const BlockTagAndSecret& key, const QString& containerPath, unsigned long blockIndex,
                        const QString& outputPath) {
    return extract_block_image<cvsw::cvbv3::tamarind::v1::TamarindCpuNetHeaderFields>(key, containerPath,
                                                                                      blockIndex, outputPath);
}

} // namespace fwup::detail
