// Loads a container from the input bytes and, when it loads, reads every block raw, decrypted and with
// a metadata header skipped. The first input byte steers the run: bit 0 repairs every CRC and bit 1
// the main header's sizes first, so that mutations reach past the checksums; bit 2 also feeds the
// rest of the input straight to the decrypting source; the upper bits pick the read chunk size.
#include "fuzz/container_repair.h"

#include "cvbv3/block_registry.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/decrypt_data_source.h"
#include "cvbv3/skip_header_data_source.h"
#include "cvbv3/vector_data_source.h"
#include "tests/support/containers/memory_file_source.h"
#include "tests/support/containers/test_containers.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

using namespace cvsw::cvbv3;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Source = std::shared_ptr<CvbBlock::DataSource>;

void drain(const Source& source, std::uint32_t chunk) {
    std::vector<std::uint8_t> buffer(chunk);
    try {
        source->beginReadData();
        while (source->readChunk(buffer.data(), chunk) != 0) {
        }
        source->endReadData();
    } catch (const std::exception&) {
        // Faults of the stream are the library's answer to bad input.
    }
}

Source decrypting(const Source& input, const BlockTypeTag& tag) {
    auto source = std::make_shared<DecryptDataSource>(input);
    source->setSecret({});
    const auto& registry = globalBlockRegistry();
    const auto row = registry.find(tag);
    source->registerAuthGenerator(row != registry.end() ? row->second() : registry.begin()->second());
    return source;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t flags = data[0];
    Bytes bytes(data + 1, data + size);
    const std::uint32_t chunk = 1u + (flags >> 3) * 37u;

    if ((flags & 4) != 0) {
        drain(decrypting(std::make_shared<VectorDataSource>(bytes), {'L', 'D', 'S', 'T', 'C', 'P', '0', '2'}),
              chunk);
    }
    if ((flags & 2) != 0) {
        fuzzsupport::repairSizes(bytes);
    }
    if ((flags & 1) != 0) {
        fuzzsupport::repairCrcs(bytes);
    }

    CvbFile file;
    try {
        file.loadFromFileSource(std::make_unique<cvbtest::MemoryFileSource>(bytes));
    } catch (const std::exception&) {
        return 0;
    }
    if (file.blockCount() != file.mainHeader().numberOfBlocks()) {
        std::abort(); // a container that loads has exactly the blocks its header counts
    }
    for (std::size_t i = 0; i < file.blockCount(); ++i) {
        const auto block = file.blockByIndex(i);
        drain(block->dataSource(), chunk);
        const Source decrypted = decrypting(block->dataSource(), block->header().blockId());
        drain(decrypted, chunk);
        const unsigned long headerLength = 21;
        drain(std::make_shared<SkipHeaderDataSource>(headerLength, decrypted), chunk);
    }
    return 0;
}
