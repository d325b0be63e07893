#include "tests/support/containers/firmware_metadata.h"

#include "cvbv3/crc32.h"

namespace cvbtest {

namespace {

void putBe(Bytes& bytes, std::uint64_t value, int width) {
    for (int i = width - 1; i >= 0; --i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
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

Bytes mbuHeader(const MbuHeaderSpec& spec) {
    Bytes bytes;
    putCommon(bytes, spec.metadataRevision, spec.version, spec.hardwareFlags);
    putBe(bytes, spec.extensionVersion, 4);
    putBe(bytes, spec.requiredBtIcdRevision, 2);
    putCrc(bytes, spec.headerCrc);
    return bytes;
}

Bytes cpuAppHeader(const CpuAppHeaderSpec& spec) {
    Bytes bytes;
    putCommon(bytes, spec.metadataRevision, spec.version, spec.hardwareFlags);
    putBe(bytes, spec.cpuAppHeaderVersion, 4);
    bytes.insert(bytes.end(), spec.pairingId.begin(), spec.pairingId.end());
    putBe(bytes, spec.btIcdRevision, 2);
    putCrc(bytes, spec.headerCrc);
    return bytes;
}

Bytes cpuNetHeader(const CpuNetHeaderSpec& spec) {
    Bytes bytes;
    putBe(bytes, spec.cpuNetHeaderVersion, 4);
    bytes.insert(bytes.end(), spec.pairingId.begin(), spec.pairingId.end());
    putCrc(bytes, spec.headerCrc);
    return bytes;
}

PairingId pairingId(std::uint32_t seed) {
    PairingId id{};
    const Bytes filler = patternBytes(id.size(), 0x9A1u + seed);
    std::copy(filler.begin(), filler.end(), id.begin());
    return id;
}

BlockSpec firmwareBlock(std::string_view tag, const Bytes& header, const Bytes& image, const Secret& secret) {
    BlockSpec block;
    block.tag = std::string(tag);
    block.plain = header;
    block.plain.insert(block.plain.end(), image.begin(), image.end());
    block.secret = secret;
    return block;
}

} // namespace cvbtest
