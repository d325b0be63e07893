#pragma once

#include "fwup/firmware/block_keys.h"

#include <QString>

#include <memory>

namespace cvsw::cvbv3 {
class CvbFile;
}

namespace fwup::detail {

// Loads and checks a whole container for extraction; a failure is logged and gives an empty pointer.
// One load serves every image of an extraction: checking the container is the costly part after
// decryption.
std::unique_ptr<cvsw::cvbv3::CvbFile> load_container_for_extraction(const QString& containerPath);

// Copies the plain image of one block of a container into a file: loads and checks the whole container,
// takes the block at blockIndex, makes sure it carries the expected tag, decrypts it, checks and drops
// its metadata header and streams the rest to outputPath (truncated). Returns true only when every byte
// reached the file; every failure is logged and gives false, nothing is thrown. A failed copy leaves
// the output file to its owner to delete.
//
// Header is the metadata header kind of the block (MBU, CPUAPP or CPUNET).
template <typename Header>
bool extract_block_image(const BlockTagAndSecret& key, const QString& containerPath, unsigned long blockIndex,
                         const QString& outputPath);
// The same from a container loaded already; containerPath names it in messages.
template <typename Header>
bool extract_block_image(const BlockTagAndSecret& key, const cvsw::cvbv3::CvbFile& container,
                         const QString& containerPath, unsigned long blockIndex, const QString& outputPath);

// The three image kinds.
bool extractControlPodImage(const BlockTagAndSecret& key, const QString& containerPath,
                            unsigned long blockIndex, const QString& outputPath);
bool extractCpuAppImage(const BlockTagAndSecret& key, const QString& containerPath, unsigned long blockIndex,
                        const QString& outputPath);
bool extractCpuNetImage(const BlockTagAndSecret& key, const QString& containerPath, unsigned long blockIndex,
                        const QString& outputPath);

} // namespace fwup::detail
