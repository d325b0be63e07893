// Decodes the input as each of the three firmware metadata headers (control pod, Tamarind CPUAPP and
// CPUNET), and checks every header that decodes against the test kit's own writer of the layout: the
// fields written back must give the input bytes.
//
// Input: one flags byte (bit 0 repairs each header's CRC first, so that mutations reach the fields
// behind it), then the header bytes, zero-padded or cut to each header's length.

#include "fuzz/container_repair.h"
#include "fuzz/fuzz_support.h"

#include "fwup/firmware/bluetooth_client_metadata.h"
#include "fwup/firmware/tamarind_cpu_app_extended_header_fields.h"
#include "fwup/firmware/tamarind_cpu_net_header_fields.h"
#include "tests/support/containers/firmware_metadata.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <optional>

namespace {

using cvsw::cvbv3::MbuMetadataHeaderV2;
using cvsw::cvbv3::tamarind::v1::TamarindCpuAppMetadataHeader;
using cvsw::cvbv3::tamarind::v1::TamarindCpuNetHeaderFields;

template <typename Header>
typename Header::Serialised headerBytes(const std::uint8_t* data, std::size_t size, bool repairCrc) {
    typename Header::Serialised bytes{};
    std::copy_n(data, std::min(size, bytes.size()), bytes.begin());
    if (repairCrc) {
        fuzzsupport::repairHeaderCrc(bytes.data(), bytes.size());
    }
    return bytes;
}

template <typename Header>
std::optional<Header> decode(const typename Header::Serialised& bytes, std::uint32_t& crc) {
    try {
        return Header::deserialise(bytes, crc);
    } catch (const std::runtime_error&) {
        return std::nullopt; // a header the program refuses; any other exception is a fault
    }
}

template <typename Serialised>
void expectSame(const cvbtest::Bytes& written, const Serialised& bytes) {
    if (written.size() != bytes.size() || !std::equal(written.begin(), written.end(), bytes.begin())) {
        std::abort();
    }
}

cvbtest::SoftwareVersion versionOf(const fwup::Version& version) {
    return {version.major, version.minor, version.patch};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::silenceLogging();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool repairCrc = (data[0] & 1) != 0;
    ++data;
    --size;
    std::uint32_t crc = 0;

    const auto pod = headerBytes<MbuMetadataHeaderV2>(data, size, repairCrc);
    if (const auto header = decode<MbuMetadataHeaderV2>(pod, crc)) {
        cvbtest::MbuHeaderLayout layout;
        layout.metadataRevision = header->metadataRevision;
        layout.version = versionOf(header->version);
        layout.hardwareFlags = header->hardwareFlags;
        layout.extensionVersion = header->extension.extensionVersion;
        layout.requiredBtIcdRevision = header->extension.requiredBtIcdRevision;
        layout.headerCrc = crc;
        expectSame(cvbtest::mbuHeader(layout), pod);
    }

    const auto app = headerBytes<TamarindCpuAppMetadataHeader>(data, size, repairCrc);
    if (const auto header = decode<TamarindCpuAppMetadataHeader>(app, crc)) {
        cvbtest::CpuAppHeaderLayout layout;
        layout.metadataRevision = header->metadataRevision;
        layout.version = versionOf(header->version);
        layout.hardwareFlags = header->hardwareFlags;
        layout.cpuAppHeaderVersion = header->extension.cpuAppHeaderVersion;
        layout.pairingId = header->extension.pairingId;
        layout.btIcdRevision = header->extension.btIcdRevision;
        layout.headerCrc = crc;
        expectSame(cvbtest::cpuAppHeader(layout), app);
    }

    const auto net = headerBytes<TamarindCpuNetHeaderFields>(data, size, repairCrc);
    if (const auto header = decode<TamarindCpuNetHeaderFields>(net, crc)) {
        cvbtest::CpuNetHeaderLayout layout;
        layout.cpuNetHeaderVersion = header->cpuNetHeaderVersion;
        layout.pairingId = header->pairingId;
        layout.headerCrc = crc;
        expectSame(cvbtest::cpuNetHeader(layout), net);
    }
    return 0;
}
