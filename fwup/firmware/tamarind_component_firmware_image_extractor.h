#pragma once

#include "fwup/firmware/block_keys.h"

#include <QString>

namespace cvsw::cvbv3 {
class CvbFile;
}

namespace fwup {

// Extracts the CPUAPP image and then the CPUNET image of one container into two files.
class TamarindComponentFirmwareImageExtractor {
public:
    TamarindComponentFirmwareImageExtractor(const BlockTag& cpuAppTag, const BlockTag& cpuNetTag,
                                            const BlockSecret& cpuAppSecret, const BlockSecret& cpuNetSecret);

    // True when both images were written. The CPUNET image is not attempted after a CPUAPP failure; a
    // CPUAPP image already written stays for the files' owner to delete.
    bool extractFirmware(QString containerPath, unsigned long cpuAppBlockIndex,
                         unsigned long cpuNetBlockIndex, QString cpuAppOutputPath,
                         QString cpuNetOutputPath) const;
    // The same from a container loaded already; containerPath names it in messages.
    bool extractFirmware(const cvsw::cvbv3::CvbFile& container, const QString& containerPath,
                         unsigned long cpuAppBlockIndex, unsigned long cpuNetBlockIndex,
                         const QString& cpuAppOutputPath, const QString& cpuNetOutputPath) const;

private:
    BlockTagAndSecret cpuApp_;
    BlockTagAndSecret cpuNet_;
};

} // namespace fwup
