#include "cvbv3/revisioned_extendable_mbu_metadata_header_builder.h"

#include "cvbv3/build_compatible_hw_flags.h"
#include "cvbv3/crc32.h"
#include "cvbv3/detector_version.h"

#include <QJsonObject>
#include <QJsonValue>

#include <stdexcept>

namespace cvsw::cvbv3 {

namespace {

void appendBe32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

} // namespace

template <std::uint32_t Revision>
std::vector<std::uint8_t>
RevisionedExtendableMbuMetadataHeaderBuilder<Revision>::build(const QJsonObject& object) {
    loadVersion(object);
    loadHardwareFlags(object);

    std::vector<std::uint8_t> header;
    appendBe32(header, Revision);
    header.push_back(softwareVersionMajor_);
    header.push_back(softwareVersionMinor_);
    header.push_back(softwareVersionPatch_);
    appendBe32(header, hardwareFlags_);
    if (const auto extension = loadExtensionFromJsonObject(object)) {
        header.insert(header.end(), extension->begin(), extension->end());
    }
    appendBe32(header, Crc32::compute(header.data(), header.size()));
    return header;
}

template <std::uint32_t Revision>
void RevisionedExtendableMbuMetadataHeaderBuilder<Revision>::loadVersion(const QJsonObject& object) {
    // A value that is not a string reads as the empty text, which is no version.
    const DetectorVersion version =
        DetectorVersion::fromString(object.value(QLatin1String("sw_version")).toString());
    if (version.isZero()) {
        throw std::runtime_error("Invalid software version.");
    }
    softwareVersionMajor_ = version.major;
    softwareVersionMinor_ = version.minor;
    softwareVersionPatch_ = version.patch;
}

template <std::uint32_t Revision>
void RevisionedExtendableMbuMetadataHeaderBuilder<Revision>::loadHardwareFlags(const QJsonObject& object) {
    hardwareFlags_ = build_compatible_hw_flags(object.value(QLatin1String("compatible_hw_versions")));
}

template class RevisionedExtendableMbuMetadataHeaderBuilder<1>;
template class RevisionedExtendableMbuMetadataHeaderBuilder<2>;

} // namespace cvsw::cvbv3
