#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class QJsonObject;

namespace cvsw::cvbv3 {

// Serialises the metadata header that starts the plain data of an MBU block, from the block's JSON
// description. Faults are thrown.
class IMbuMetadataHeaderBuilder {
public:
    virtual ~IMbuMetadataHeaderBuilder();

    // The complete header, checksum included.
    virtual std::vector<std::uint8_t> build(const QJsonObject& object) = 0;
    // The bytes the header's revision adds after the hardware flags; empty when it adds none.
    virtual std::optional<std::vector<std::uint8_t>>
    loadExtensionFromJsonObject(const QJsonObject& object) const = 0;
};

} // namespace cvsw::cvbv3
