// Decrypts one large encrypted block of a container on disk, read through the library's own chain
// (file store, raw block source, decrypting source), and compares the rate with raw SHA-256 over the
// same number of bytes. Decryption costs one SHA-256 compression per 32 bytes where bulk hashing
// needs one per 64, so 50% is the ceiling; the target is at least 40%. The block is streamed: the
// resident size must not grow with the block.
//
//   bench_cvb_decrypt [MiB]     (default 16)
//
// Exit status: 0 target met, 1 wrong bytes, 2 no container written, 3 below the target.
#include "cvbv3/block_registry.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/decrypt_data_source.h"
#include "cvbv3/encrypt_data_source.h"
#include "cvbv3/raw_block_data_source.h"
#include "security/sha256.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

using namespace cvsw::cvbv3;

namespace {

constexpr std::array<std::uint8_t, 32> BenchSecret = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                                                      12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22,
                                                      23, 24, 25, 26, 27, 28, 29, 30, 31, 32};
constexpr std::uint32_t ReadChunk = 64u << 10;

std::uint8_t patternByte(std::uint64_t i) {
    return static_cast<std::uint8_t>((i * 2654435761u) >> 13);
}

// Plain data generated on the fly, so building the container holds none of it either.
class PatternSource : public CvbBlock::DataSource {
public:
    explicit PatternSource(std::uint64_t length)
        : length_(length) {}
    void beginReadData() override { position_ = 0; }
    void endReadData() override {}
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override {
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(maxBytes, length_ - position_));
        for (std::uint32_t i = 0; i < count; ++i) {
            buffer[i] = patternByte(position_ + i);
        }
        position_ += count;
        return count;
    }
    std::uint32_t chunkSizeHint() const override { return 0; }
    bool endOfData() const override { return position_ == length_; }

private:
    std::uint64_t length_;
    std::uint64_t position_ = 0;
};

long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::shared_ptr<AuthResponseGenerator> generator() {
    return globalBlockRegistry().at(BlockTypeTag{'L', 'D', 'S', 'T', 'C', 'P', '0', '2'})();
}

double sha256Rate(std::uint64_t size) {
    std::vector<std::uint8_t> chunk(ReadChunk);
    for (std::uint32_t i = 0; i < ReadChunk; ++i) {
        chunk[i] = patternByte(i);
    }
    cvsw::security::Sha256Context context;
    const auto start = std::chrono::steady_clock::now();
    cvsw::security::sha256_start(context);
    for (std::uint64_t done = 0; done < size; done += ReadChunk) {
        cvsw::security::sha256_update(context, chunk.data(), ReadChunk);
    }
    const auto digest = cvsw::security::sha256_finish(context);
    const double elapsed = seconds(start);
    if (digest[0] == 0x5A && digest[1] == 0xA5) {
        std::printf(" "); // keeps the digest alive
    }
    return double(size) / 1e6 / elapsed;
}

struct DecryptResult {
    double rate;
    long rssGrowthKiB;
    bool correct;
};

DecryptResult decryptRate(CvbFile& file, std::uint64_t size) {
    auto source =
        std::make_shared<DecryptDataSource>(std::make_shared<RawBlockDataSource>(file.blockByIndex(0)));
    source->setSecret(BenchSecret);
    source->registerAuthGenerator(generator());
    std::vector<std::uint8_t> buffer(ReadChunk);

    const long rssBefore = residentKiB();
    const auto start = std::chrono::steady_clock::now();
    source->beginReadData();
    std::uint64_t total = 0;
    bool correct = true;
    for (;;) {
        const std::uint32_t count = source->readChunk(buffer.data(), ReadChunk);
        if (count == 0) {
            break;
        }
        // Spot-check one byte per chunk; a full comparison would cost as much as the decryption.
        correct = correct && buffer[count - 1] == patternByte(total + count - 1);
        total += count;
    }
    source->endReadData();
    const double elapsed = seconds(start);
    return {double(total) / 1e6 / elapsed, residentKiB() - rssBefore, correct && total == size};
}

} // namespace

int main(int argc, char** argv) {
    const std::uint64_t mebibytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 16;
    const std::uint64_t size = mebibytes << 20;
    // Per process, so that two runs at once do not remove each other's file.
    const auto directory =
        std::filesystem::temp_directory_path() / ("bench_cvb_decrypt." + std::to_string(getpid()));
    std::filesystem::create_directories(directory);
    const std::string path = (directory / "block.cvb").string();

    {
        CvbFile writer;
        auto encrypt = std::make_shared<EncryptDataSource>(std::make_shared<PatternSource>(size));
        encrypt->setSecret(BenchSecret);
        encrypt->registerAuthGenerator(generator());
        auto block = writer.addBlock();
        block->header().setBlockId(BlockTypeTag{'L', 'D', 'S', 'T', 'C', 'P', '0', '2'});
        block->setDataSource(encrypt);
        if (!writer.saveToFile(path)) {
            std::fprintf(stderr, "could not write %s\n", path.c_str());
            return 2;
        }
    }

    CvbFile file;
    const auto loadStart = std::chrono::steady_clock::now();
    file.loadFromFile(path); // checks every CRC
    const double loadSeconds = seconds(loadStart);

    double bestSha = 0;
    DecryptResult best{0, 0, true};
    for (int round = 0; round < 5; ++round) {
        bestSha = std::max(bestSha, sha256Rate(size));
        const DecryptResult result = decryptRate(file, size);
        best.correct = best.correct && result.correct;
        if (result.rate > best.rate) {
            best.rate = result.rate;
            best.rssGrowthKiB = result.rssGrowthKiB;
        }
    }
    std::filesystem::remove_all(directory);

    const double ratio = best.rate / bestSha;
    std::printf("block: %llu MiB; load and check: %.3f s\n", static_cast<unsigned long long>(mebibytes),
                loadSeconds);
    std::printf("sha256:  %8.1f MB/s\n", bestSha);
    std::printf("decrypt: %8.1f MB/s (%.1f%% of sha256; target 40%%)\n", best.rate, 100.0 * ratio);
    std::printf("resident size growth while decrypting: %ld KiB\n", best.rssGrowthKiB);
    if (!best.correct) {
        std::printf("FAIL: decrypted bytes differ from the plain data\n");
        return 1;
    }
    std::printf("%s\n", ratio >= 0.4 ? "PASS" : "FAIL: below 40% of the SHA-256 rate");
    return ratio >= 0.4 ? 0 : 3;
}
