#include "tests/support/containers/firmware_metadata.h"

#include "cvbv3/crc32.h"
#include "tests/support/containers/cvb_test_keys.h"

namespace cvbtest {

namespace {

void putBe(Bytes& bytes, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// Grows the vector by resize and copies in place: GCC 12 at -O3 misreads a range insert that follows
// push_backs as reading past the old storage (-Wstringop-overread).
void putBytes(Bytes& bytes, const PairingId& id) {
    const std::size_t at = bytes.size();
    bytes.resize(at + id.size());
    std::copy(id.begin(), id.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

void putCommon(Bytes& bytes, std::uint32_t revision, const SoftwareVersion& version, std::uint32_t flags) {
    putBe(bytes, revision, 4);
    bytes.push_back(version.major);
    bytes.push_back(version.minor);
    bytes.push_back(version.patch);
    putBe(bytes, flags, 4);
}

void putCrc(Bytes& bytes, const std::optional<std::uint32_t>& crc) {
    putBe(bytes, crc ? *crc : cvsw::cvbv3::Crc32::compute(bytes.data(), bytes.size()), 4);
}

} // namespace

Bytes mbuHeader(const MbuHeaderLayout& layout) {
    Bytes bytes;
    putCommon(bytes, layout.metadataRevision, layout.version, layout.hardwareFlags);
    putBe(bytes, layout.extensionVersion, 4);
    putBe(bytes, layout.requiredBtIcdRevision, 2);
    putCrc(bytes, layout.headerCrc);
    return bytes;
}

Bytes cpuAppHeader(const CpuAppHeaderLayout& layout) {
    Bytes bytes;
    putCommon(bytes, layout.metadataRevision, layout.version, layout.hardwareFlags);
    putBe(bytes, layout.cpuAppHeaderVersion, 4);
    putBytes(bytes, layout.pairingId);
    putBe(bytes, layout.btIcdRevision, 2);
    putCrc(bytes, layout.headerCrc);
    return bytes;
}

Bytes cpuNetHeader(const CpuNetHeaderLayout& layout) {
    Bytes bytes;
    putBe(bytes, layout.cpuNetHeaderVersion, 4);
    putBytes(bytes, layout.pairingId);
    putCrc(bytes, layout.headerCrc);
    return bytes;
}

PairingId pairingId(std::uint32_t seed) {
    PairingId id{};
    const Bytes filler = patternBytes(id.size(), 0x9A1u + seed);
    std::copy(filler.begin(), filler.end(), id.begin());
    return id;
}

BlockLayout firmwareBlock(std::string_view tag, const Bytes& header, const Bytes& image,
                          const Secret& secret) {
    BlockLayout block;
    block.tag = std::string(tag);
    block.plain = header;
    block.plain.insert(block.plain.end(), image.begin(), image.end());
    block.secret = secret;
    return block;
}

ContainerLayout lodestarFirmware(const LodestarFirmwareLayout& layout) {
    MbuHeaderLayout pod;
    pod.version = layout.podVersion;
    pod.hardwareFlags = layout.podHardwareFlags;
    pod.requiredBtIcdRevision = layout.btIcdRevision;
    CpuAppHeaderLayout app;
    app.version = layout.tamarindVersion;
    app.hardwareFlags = layout.tamarindHardwareFlags;
    app.btIcdRevision = layout.btIcdRevision;
    app.pairingId = pairingId(layout.imageSeed);
    CpuNetHeaderLayout net;
    net.pairingId = app.pairingId;

    const Bytes image = patternBytes(700, layout.imageSeed);
    const bool model2 = layout.model == 2;
    return {{firmwareBlock(model2 ? "LDSTCP02" : "LDSTCP01", mbuHeader(pod), image,
                           model2 ? LodestarModel2ProductionSecret : LodestarModel1ProductionSecret),
             firmwareBlock("LDSTJNA1", cpuAppHeader(app), image, LodestarJuniperCpuAppProductionSecret),
             firmwareBlock("LDSTJNN1", cpuNetHeader(net), image, LodestarJuniperCpuNetProductionSecret)},
            {}};
}

} // namespace cvbtest
