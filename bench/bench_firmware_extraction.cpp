// Extracts a Lodestar firmware (a control-pod image and two Tamarind images) the way an update does,
// through the registered kind of extractor, and compares the time with `sha256sum` over the same
// container file. The extraction loads and checks the whole container once per image and decrypts
// each image, so it must stay within 3 times the hashing time; the images are streamed, so the peak
// resident size must not grow with them.
//
//   bench_firmware_extraction [scale]       images of 4, 1 and 1 MiB times scale (default 1); builds
//                                           the container, times both, prints PASS or FAIL
//   bench_firmware_extraction --make PATH [scale]    only writes the container
//   bench_firmware_extraction --extract PATH [scale] only extracts it (for /usr/bin/time -v)
//
// Exit status: 0 within the limit, 1 wrong images, 2 no container or no sha256sum, 3 too slow.
#include "cvbv3/block_registry.h"
#include "cvbv3/crc32.h"
#include "cvbv3/cvb_file.h"
#include "cvbv3/encrypt_data_source.h"
#include "fwup/firmware/i_system_update.h"
#include "fwup/firmware/lodestar_block_secrets.h"
#include "fwup/firmware/lodestar_firmware_image_extractor.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"
#include "fwup/firmware/mbu_and_tamarind_system_update.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

using namespace cvsw::cvbv3;

namespace {

constexpr std::uint64_t MiB = 1u << 20;
constexpr fwup::Version PodVersion{1, 80, 4};
constexpr fwup::Version TamarindVersion{2, 1, 0};
constexpr std::uint16_t IcdRevision = 3;

std::uint8_t patternByte(std::uint64_t i, std::uint32_t seed) {
    return static_cast<std::uint8_t>(((i + seed) * 2654435761u) >> 13);
}

void putBe(std::vector<std::uint8_t>& bytes, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void putCrc(std::vector<std::uint8_t>& bytes) {
    putBe(bytes, Crc32::compute(bytes.data(), bytes.size()), 4);
}

std::vector<std::uint8_t> podHeader() {
    std::vector<std::uint8_t> h;
    putBe(h, 2, 4);
    h.insert(h.end(), {PodVersion.major, PodVersion.minor, PodVersion.patch});
    putBe(h, 1, 4);
    putBe(h, 1, 4);
    putBe(h, IcdRevision, 2);
    putCrc(h);
    return h;
}

std::vector<std::uint8_t> cpuAppHeader() {
    std::vector<std::uint8_t> h;
    putBe(h, 1, 4);
    h.insert(h.end(), {TamarindVersion.major, TamarindVersion.minor, TamarindVersion.patch});
    putBe(h, 1, 4);
    putBe(h, 1, 4);
    h.insert(h.end(), 32, 0x5A); // pairing id
    putBe(h, IcdRevision, 2);
    putCrc(h);
    return h;
}

std::vector<std::uint8_t> cpuNetHeader() {
    std::vector<std::uint8_t> h;
    putBe(h, 1, 4);
    h.insert(h.end(), 32, 0x5A);
    putCrc(h);
    return h;
}

// A metadata header, then image bytes generated on the fly: building holds no image either.
class ImageSource : public CvbBlock::DataSource {
public:
    ImageSource(std::vector<std::uint8_t> header, std::uint64_t imageLength, std::uint32_t seed)
        : header_(std::move(header))
        , length_(header_.size() + imageLength)
        , seed_(seed) {}
    void beginReadData() override { position_ = 0; }
    void endReadData() override {}
    std::uint32_t readChunk(std::uint8_t* buffer, std::uint32_t maxBytes) override {
        const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(maxBytes, length_ - position_));
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint64_t at = position_ + i;
            buffer[i] = at < header_.size() ? header_[at] : patternByte(at - header_.size(), seed_);
        }
        position_ += count;
        return count;
    }
    std::uint32_t chunkSizeHint() const override { return 0; }
    bool endOfData() const override { return position_ == length_; }

private:
    std::vector<std::uint8_t> header_;
    std::uint64_t length_;
    std::uint32_t seed_;
    std::uint64_t position_ = 0;
};

struct Image {
    const char* tag;
    std::uint64_t length;
    std::uint32_t seed;
};

const fwup::LodestarBlockSecrets& secrets() {
    static const fwup::LodestarBlockSecrets value = fwup::lodestar_block_secrets(true);
    return value;
}

bool makeContainer(const std::string& path, const Image (&images)[3]) {
    CvbFile writer;
    const std::vector<std::uint8_t> headers[3] = {podHeader(), cpuAppHeader(), cpuNetHeader()};
    const fwup::BlockSecret* keys[3] = {&secrets().controlPodModel1, &secrets().cpuApp, &secrets().cpuNet};
    for (int i = 0; i < 3; ++i) {
        auto encrypt = std::make_shared<EncryptDataSource>(
            std::make_shared<ImageSource>(headers[i], images[i].length, images[i].seed));
        encrypt->setSecret(*keys[i]);
        BlockTypeTag tag{};
        std::memcpy(tag.data(), images[i].tag, 8);
        encrypt->registerAuthGenerator(globalBlockRegistry().at(tag)());
        auto block = writer.addBlock();
        block->header().setBlockId(tag);
        block->setDataSource(encrypt);
    }
    return writer.saveToFile(path);
}

long statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) {
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
        }
    }
    return -1;
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double sha256sumSeconds(const std::string& path) {
    const std::string command = "sha256sum '" + path + "' > /dev/null";
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        return -1;
    }
    return seconds(start);
}

bool fileMatches(const QString& path, const Image& image) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || std::uint64_t(file.size()) != image.length) {
        return false;
    }
    std::vector<char> buffer(1 << 16);
    std::uint64_t at = 0;
    for (;;) {
        const qint64 count = file.read(buffer.data(), qint64(buffer.size()));
        if (count <= 0) {
            return count == 0 && at == image.length;
        }
        for (qint64 i = 0; i < count; ++i) {
            if (static_cast<std::uint8_t>(buffer[i]) != patternByte(at + i, image.seed)) {
                return false;
            }
        }
        at += std::uint64_t(count);
    }
}

// Extracts once; true when all three images came out byte for byte.
bool extract(const QString& container, const Image (&images)[3], double& elapsed) {
    const fwup::MbuAndTamarindFirmwareCatalogFile catalogFile(
        {0, fwup::DetectorType::LODESTAR_MODEL_1, PodVersion, 0},
        {1, 2, fwup::DetectorType::LODESTAR_MODEL_1, TamarindVersion, IcdRevision, 0}, container);
    fwup::LodestarFirmwareImageExtractor extractor({'L', 'D', 'S', 'T', 'C', 'P', '0', '1'},
                                                   secrets().controlPodModel1, secrets().cpuApp,
                                                   secrets().cpuNet);
    const auto start = std::chrono::steady_clock::now();
    const std::unique_ptr<fwup::ISystemUpdate> update = extractor.extractFirmware(catalogFile);
    elapsed = seconds(start);
    const auto* system = dynamic_cast<const fwup::MbuAndTamarindSystemUpdate*>(update.get());
    return system && fileMatches(system->controlPodFile().fileName(), images[0]) &&
           fileMatches(system->tamarindUpdate().cpuAppFile().fileName(), images[1]) &&
           fileMatches(system->tamarindUpdate().cpuNetFile().fileName(), images[2]);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    std::string mode;
    std::string path;
    int next = 1;
    if (argc > 2 && (std::strcmp(argv[1], "--make") == 0 || std::strcmp(argv[1], "--extract") == 0)) {
        mode = argv[1];
        path = argv[2];
        next = 3;
    }
    const std::uint64_t scale =
        argc > next ? std::max<std::uint64_t>(1, std::strtoull(argv[next], nullptr, 10)) : 1;
    const Image images[3] = {
        {"LDSTCP01", 4 * MiB * scale, 1}, {"LDSTJNA1", MiB * scale, 2}, {"LDSTJNN1", MiB * scale, 3}};

    if (mode == "--make") {
        return makeContainer(path, images) ? 0 : 2;
    }
    if (mode == "--extract") {
        double elapsed = 0;
        const bool correct = extract(QString::fromStdString(path), images, elapsed);
        std::printf("extraction: %.3f s, %s; peak resident size %ld KiB\n", elapsed,
                    correct ? "correct" : "WRONG", statusKiB("VmHWM:"));
        return correct ? 0 : 1;
    }

    const QTemporaryDir directory(QDir::tempPath() + QStringLiteral("/bench_firmware_extraction-XXXXXX"));
    if (!directory.isValid()) {
        std::fprintf(stderr, "could not make a temporary directory\n");
        return 2;
    }
    const std::string container = directory.filePath(QStringLiteral("lodestar.cvb")).toStdString();
    if (!makeContainer(container, images)) {
        std::fprintf(stderr, "could not write %s\n", container.c_str());
        return 2;
    }
    const long residentBefore = statusKiB("VmRSS:");

    double bestHash = 1e9;
    double bestExtract = 1e9;
    bool correct = true;
    for (int round = 0; round < 5; ++round) {
        const double hash = sha256sumSeconds(container);
        if (hash < 0) {
            std::fprintf(stderr, "sha256sum failed\n");
            return 2;
        }
        bestHash = std::min(bestHash, hash);
        double elapsed = 0;
        correct = extract(QString::fromStdString(container), images, elapsed) && correct;
        bestExtract = std::min(bestExtract, elapsed);
    }
    const long peak = statusKiB("VmHWM:");
    const long residentAfter = statusKiB("VmRSS:");

    const double ratio = bestExtract / bestHash;
    std::printf("images: %llu + %llu + %llu MiB\n", static_cast<unsigned long long>(4 * scale),
                static_cast<unsigned long long>(scale), static_cast<unsigned long long>(scale));
    std::printf("sha256sum of the container: %.3f s\n", bestHash);
    std::printf("extraction:                 %.3f s (%.2f times; limit 3)\n", bestExtract, ratio);
    std::printf("resident size: %ld KiB before extracting, %ld KiB after, peak %ld KiB\n", residentBefore,
                residentAfter, peak);
    if (!correct) {
        std::printf("FAIL: extracted images differ from the plain images\n");
        return 1;
    }
    std::printf("%s\n", ratio <= 3.0 ? "PASS" : "FAIL: slower than 3 times sha256sum");
    return ratio <= 3.0 ? 0 : 3;
}
