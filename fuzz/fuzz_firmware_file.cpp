// Writes a firmware container to a scratch file and reads it as the program does, over the real file
// sources: with the combined control-pod and Tamarind parser of a Lodestar model, the control-pod
// parser or the Tamarind parser alone (all over QFileSource), whose every catalog file must name
// blocks of the right kind that the container holds; or with the container loader over QFileSource
// and over the std::ifstream source, which must agree: both load the file or neither does, with the
// same stored bytes in every block.
//
// Input: one flags byte, then the container. Bit 0 set: the container is assembled here from block
// descriptions, each a selector byte (bits 0-1: LDSTCP01, LDSTCP02, LDSTJNA1, LDSTJNN1; bit 2: stored
// unencrypted), a length byte and that many bytes of plain data, encrypted with the family's secret
// as the library's encryptor does; bit 1 then repairs the CRC of each block's metadata header. Bit 0
// clear: the bytes are the file, and bits 1 and 2 repair the main header's sizes and every CRC.
// Bits 3-4 pick the reader (combined parser, control-pod parser, Tamarind parser, the two file
// sources); bit 5 picks model 2.

#include "fuzz/container_repair.h"
#include "fuzz/fuzz_support.h"

#include "cvbv3/cvb_file.h"
#include "fwup/firmware/bluetooth_client_metadata.h"
#include "fwup/firmware/lodestar_block_secrets.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_catalog_file.h"
#include "fwup/firmware/mbu_and_tamarind_firmware_file_parser.h"
#include "fwup/firmware/mbu_firmware_file_parser.h"
#include "fwup/firmware/q_file_source.h"
#include "fwup/firmware/tamarind_cpu_app_extended_header_fields.h"
#include "fwup/firmware/tamarind_cpu_net_header_fields.h"
#include "fwup/firmware/tamarind_firmware_file_parser.h"
#include "tests/support/containers/test_containers.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace {

using cvsw::cvbv3::CvbFile;
using cvsw::cvbv3::MbuMetadataHeaderV2;
using CombinedParser = fwup::MbuAndTamarindFirmwareFileParser<MbuMetadataHeaderV2>;
using PodParser = fwup::MbuFirmwareFileParser<MbuMetadataHeaderV2>;
using CatalogFiles = std::vector<std::unique_ptr<fwup::IFirmwareCatalogFile>>;

enum Kind : std::size_t { POD_1, POD_2, CPU_APP, CPU_NET };

struct BlockKind {
    const char* tag;
    std::size_t headerLength;
};

const std::array<BlockKind, 4> kinds = {{
    {"LDSTCP01", MbuMetadataHeaderV2::METADATA_SERIALISED_LENGTH},
    {"LDSTCP02", MbuMetadataHeaderV2::METADATA_SERIALISED_LENGTH},
    {"LDSTJNA1", cvsw::cvbv3::tamarind::v1::TamarindCpuAppMetadataHeader::METADATA_SERIALISED_LENGTH},
    {"LDSTJNN1", cvsw::cvbv3::tamarind::v1::TamarindCpuNetHeaderFields::METADATA_SERIALISED_LENGTH},
}};

fwup::BlockTag tagOf(Kind kind) {
    return cvbtest::makeTag(kinds[kind].tag);
}

// The parsers of one Lodestar model, made as the family registrar makes them.
struct Model {
    Model(fwup::DetectorType type, Kind pod, const fwup::BlockSecret& podSecret,
          const fwup::LodestarBlockSecrets& secrets)
        : combined(tagOf(pod), tagOf(CPU_APP), tagOf(CPU_NET), podSecret, secrets.cpuApp, secrets.cpuNet,
                   type)
        , pod(type, tagOf(pod), podSecret)
        , tamarind(type, tagOf(CPU_APP), tagOf(CPU_NET), secrets.cpuApp, secrets.cpuNet)
        , podTag(tagOf(pod)) {}

    CombinedParser combined;
    PodParser pod;
    fwup::TamarindFirmwareFileParser tamarind;
    fwup::BlockTag podTag;
};

struct Harness {
    Harness()
        : secrets(fwup::lodestar_block_secrets(true))
        , path(fuzzsupport::scratchDirectory().absoluteFilePath(QStringLiteral("firmware.cvb")))
        , localPath(path.toLocal8Bit())
        , streamPath(localPath.toStdString())
        , models{Model(fwup::DetectorType::LODESTAR_MODEL_1, POD_1, secrets.controlPodModel1, secrets),
                 Model(fwup::DetectorType::LODESTAR_MODEL_2, POD_2, secrets.controlPodModel2, secrets)}
        , blockSecrets{secrets.controlPodModel1, secrets.controlPodModel2, secrets.cpuApp, secrets.cpuNet} {
        for (std::size_t kind = 0; kind < kinds.size(); ++kind) {
            generators[kind] = cvbtest::registryGenerator(kinds[kind].tag);
        }
        cryptoHeader.fill(0x5A);
    }

    fwup::LodestarBlockSecrets secrets;
    QString path;
    QByteArray localPath;
    std::string streamPath;
    std::array<Model, 2> models;
    std::array<fwup::BlockSecret, 4> blockSecrets;
    std::array<cvbtest::Generator, 4> generators;
    std::array<std::uint8_t, 128> cryptoHeader{};
    cvbtest::Bytes plain;
    std::vector<std::uint8_t> pieceA;
    std::vector<std::uint8_t> pieceB;
};

Harness* harness = nullptr;

// Encrypts as the library does, but under a fixed crypto header: the library's encryptor draws a
// random one from /dev/urandom for every block, which would cost more than the parsing.
void encrypt(Harness& h, std::size_t kind, cvbtest::Bytes& stored) {
    const std::size_t tail = h.plain.size() % 32;
    h.plain.resize(h.plain.size() - tail + 32, 0);
    h.plain.back() = static_cast<std::uint8_t>(32 - tail);
    stored = cvbtest::encryptPadded(h.cryptoHeader, h.plain, h.blockSecrets[kind], *h.generators[kind]);
}

void assemble(Harness& h, const std::uint8_t* data, std::size_t size, bool repairHeaders,
              cvbtest::Bytes& bytes) {
    cvbtest::ContainerLayout layout;
    for (std::size_t at = 0; at + 2 <= size;) {
        const std::size_t kind = data[at] & 3;
        const std::size_t length = std::min<std::size_t>(data[at + 1], size - at - 2);
        cvbtest::BlockLayout& block = layout.blocks.emplace_back();
        block.tag = kinds[kind].tag;
        block.encrypted = false; // stored as given: encrypted here unless bit 2 says otherwise
        h.plain.assign(data + at + 2, data + at + 2 + length);
        if (repairHeaders && h.plain.size() >= kinds[kind].headerLength) {
            fuzzsupport::repairHeaderCrc(h.plain.data(), kinds[kind].headerLength);
        }
        if ((data[at] & 4) == 0) {
            encrypt(h, kind, block.plain);
        } else {
            block.plain = h.plain;
        }
        at += 2 + length;
    }
    bytes = cvbtest::buildContainer(layout);
}

template <typename Loader>
bool load(Loader&& loader) {
    try {
        loader();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// Both sources hand out the same stored bytes for every block, read in odd-sized pieces.
void compareSources(Harness& h) {
    CvbFile viaQFile;
    CvbFile viaStream;
    const bool loadedViaQFile =
        load([&] { viaQFile.loadFromFileSource(std::make_unique<cvsw::cvbv3::QFileSource>(h.path)); });
    const bool loadedViaStream = load([&] { viaStream.loadFromFile(h.streamPath); });
    if (loadedViaQFile != loadedViaStream) {
        std::abort();
    }
    if (!loadedViaQFile) {
        return;
    }
    if (viaQFile.blockCount() != viaStream.blockCount()) {
        std::abort();
    }
    constexpr std::uint32_t piece = 509;
    h.pieceA.resize(piece);
    h.pieceB.resize(piece);
    for (std::size_t index = 0; index < viaQFile.blockCount(); ++index) {
        for (std::uint32_t offset = 0;; offset += piece) {
            const auto a = viaQFile.readRawBlockData(index, offset, h.pieceA.data(), piece);
            const auto b = viaStream.readRawBlockData(index, offset, h.pieceB.data(), piece);
            if (a != b || !std::equal(h.pieceA.begin(), h.pieceA.begin() + a, h.pieceB.begin())) {
                std::abort();
            }
            if (a < piece) {
                break;
            }
        }
    }
}

// Every catalog file names blocks of its kind that the container holds; the container is loaded again
// (through the other source) only when there is something to check.
void checkCatalogFiles(Harness& h, const Model& model, const CatalogFiles& files) {
    if (files.empty()) {
        return;
    }
    CvbFile file;
    if (!load([&] { file.loadFromFile(h.streamPath); })) {
        std::abort(); // the parser read a container that the other source cannot load
    }
    const auto expect = [&file](std::uint64_t index, const fwup::BlockTag& tag) {
        if (index >= file.blockCount() || file.blockByIndex(index)->header().blockId() != tag) {
            std::abort();
        }
    };
    for (const auto& catalogFile : files) {
        const fwup::MbuFirmwareInfo* pod = nullptr;
        const fwup::TamarindFirmwareInfo* tamarind = nullptr;
        if (const auto* c = dynamic_cast<const fwup::MbuAndTamarindFirmwareCatalogFile*>(catalogFile.get())) {
            pod = &c->mbuInfo();
            tamarind = &c->tamarindInfo();
        } else if (const auto* p = dynamic_cast<const PodParser::CatalogFile*>(catalogFile.get())) {
            pod = &p->info();
        } else if (const auto* t =
                       dynamic_cast<const fwup::TamarindFirmwareCatalogFile*>(catalogFile.get())) {
            tamarind = &t->info();
        } else {
            std::abort();
        }
        if (pod != nullptr) {
            expect(pod->blockIndex, model.podTag);
        }
        if (tamarind != nullptr) {
            expect(tamarind->cpuAppBlockIndex, tagOf(CPU_APP));
            expect(tamarind->cpuNetBlockIndex, tagOf(CPU_NET));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceLogging();
    static Harness instance;
    harness = &instance;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    Harness& h = *harness;
    const std::uint8_t flags = data[0];
    // Made and freed within the input, so that libFuzzer's leak check never has to run it twice.
    cvbtest::Bytes bytes;
    if ((flags & 1) != 0) {
        assemble(h, data + 1, size - 1, (flags & 2) != 0, bytes);
    } else {
        bytes.assign(data + 1, data + size);
        if ((flags & 2) != 0) {
            fuzzsupport::repairSizes(bytes);
        }
        if ((flags & 4) != 0) {
            fuzzsupport::repairCrcs(bytes);
        }
    }
    fuzzsupport::writeFile(h.localPath, bytes.data(), bytes.size());

    Model& model = h.models[(flags >> 5) & 1];
    switch ((flags >> 3) & 3) {
    case 0:
        checkCatalogFiles(h, model, model.combined.parseFile(h.path));
        break;
    case 1:
        checkCatalogFiles(h, model, model.pod.parseFile(h.path));
        break;
    case 2:
        checkCatalogFiles(h, model, model.tamarind.parseFile(h.path));
        break;
    default:
        compareSources(h);
        break;
    }
    return 0;
}
