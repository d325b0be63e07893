#include "fwup/firmware/tamarind_firmware_info.h"

#include "cvbv3/cvb_file.h"
#include "fwup/firmware/block_metadata_reader.h"
#include "fwup/firmware/q_file_source.h"
#include "fwup/firmware/tamarind_cpu_app_extended_header_fields.h"
#include "fwup/firmware/tamarind_cpu_net_header_fields.h"

#include <QDebug>
#include <QString>

#include <exception>

namespace fwup {

namespace detail {

namespace {

using cvsw::cvbv3::tamarind::v1::TamarindCpuAppMetadataHeader;
using cvsw::cvbv3::tamarind::v1::TamarindCpuNetHeaderFields;

// Loads the container and hands each block of the tag, with its index, to readBlock. A container that
// cannot be loaded reads as no blocks; a block readBlock cannot read is skipped.
template <typename ReadBlock>
void forEachTaggedBlock(const QString& path, const BlockTag& tag, ReadBlock&& readBlock) {
    cvsw::cvbv3::CvbFile file;
    try {
        file.loadFromFileSource(std::make_unique<cvsw::cvbv3::QFileSource>(path));
    } catch (const std::exception& e) {
        qDebug() << "Failed to load CVB for parsing:" << e.what();
        return;
    }
    const std::size_t count = file.blockCount();
    for (std::size_t i = 0; i < count; ++i) {
        const auto block = file.blockByIndex(i);
        if (!block) {
            break;
        }
        if (block->header().blockId() != tag) {
            continue;
        }
        try {
            readBlock(file, block);
        } catch (const std::exception& e) {
            qDebug() << "Failed to parse MBU metadata:" << e.what();
        }
    }
}

} // namespace

std::vector<CpuAppFirmwareInfo> parse_cpu_app_firmware_info(const QString& path, const BlockTag& tag,
                                                            const BlockSecret& secret) {
    std::vector<CpuAppFirmwareInfo> records;
    try {
        const auto generator = generator_for_block_tag(tag);
        if (!generator) {
            qCritical() << "Misconfiguration to handle Tamarind CPUAPP firmware";
            return records;
        }
        forEachTaggedBlock(path, tag, [&](const cvsw::cvbv3::CvbFile& file, const auto& block) {
            const BlockMetadataReader<TamarindCpuAppMetadataHeader> reader(block, generator, secret);
            const auto& header = reader.header();
            for (std::uint32_t bit = 0; bit < 32; ++bit) {
                if ((header.hardwareFlags & (1u << bit)) == 0) {
                    continue;
                }
                const std::size_t index = file.lookupBlockIndex(block.get());
                qDebug() << "Adding block" << index << "from" << path << "which supports HW version" << bit;
                records.push_back(
                    {index, header.extension.pairingId, header.version, header.extension.btIcdRevision, bit});
            }
        });
    } catch (const std::exception& e) {
        qWarning() << "Failed to parse firmware file" << path << "-" << e.what();
        records.clear();
    }
    return records;
}

std::vector<CpuNetFirmwareInfo> parse_cpu_net_firmware_info(const QString& path, const BlockTag& tag,
                                                            const BlockSecret& secret) {
    std::vector<CpuNetFirmwareInfo> records;
    try {
        const auto generator = generator_for_block_tag(tag);
        if (!generator) {
            qCritical() << "Cannot find auth response generator for CPUNET Block.";
            return records;
        }
        forEachTaggedBlock(path, tag, [&](const cvsw::cvbv3::CvbFile& file, const auto& block) {
            const BlockMetadataReader<TamarindCpuNetHeaderFields> reader(block, generator, secret);
            records.push_back({file.lookupBlockIndex(block.get()), reader.header().pairingId});
        });
    } catch (const std::exception& e) {
        qWarning() << "Failed to parse firmware file" << path << "-" << e.what();
        records.clear();
    }
    return records;
}

} // namespace detail

std::vector<TamarindFirmwareInfo>
parse_file_for_tamarind_firmware_info(const QString& path, DetectorType detectorType,
                                      const BlockTag& cpuAppTag, const BlockTag& cpuNetTag,
                                      const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret) {
    const auto cpuApps = detail::parse_cpu_app_firmware_info(path, cpuAppTag, cpuAppSecret);
    const auto cpuNets = detail::parse_cpu_net_firmware_info(path, cpuNetTag, cpuNetSecret);
    std::vector<TamarindFirmwareInfo> paired;
    if (cpuApps.empty()) {
        return paired;
    }
    for (const auto& cpuApp : cpuApps) {
        for (const auto& cpuNet : cpuNets) {
            if (cpuNet.pairingId == cpuApp.pairingId) {
                paired.push_back({cpuApp.blockIndex, cpuNet.blockIndex, detectorType, cpuApp.version,
                                  cpuApp.btIcdRevision, cpuApp.hardwareVersion});
                break;
            }
        }
    }
    return paired;
}

} // namespace fwup
