#pragma once

#include "fwup/firmware/big_endian_field_reader.h"
#include "fwup/firmware/revisioned_product_metadata_header.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace cvsw::cvbv3::v1 {

// The control-pod image's header extension: which Bluetooth ICD revision its Tamarind image must have.
//
//  11  u32  extensionVersion (must be 1)
//  15  u16  requiredBtIcdRevision
struct BluetoothClientMetadata {
    static constexpr std::size_t SERIALISED_LENGTH = 6;

    std::uint32_t extensionVersion = 0;
    std::uint16_t requiredBtIcdRevision = 0;

    friend bool operator==(const BluetoothClientMetadata&, const BluetoothClientMetadata&) = default;

    static BluetoothClientMetadata deserialise(BigEndianFieldReader& reader) {
        BluetoothClientMetadata fields;
        fields.extensionVersion = reader.u32();
        if (fields.extensionVersion != 1) {
            throw std::runtime_error("Mis-matched block header version.");
        }
        fields.requiredBtIcdRevision = reader.u16();
        return fields;
    }
};

} // namespace cvsw::cvbv3::v1

namespace cvsw::cvbv3 {
// The 21-byte metadata header of revision 2 that begins every control-pod MBU image.
using MbuMetadataHeaderV2 = RevisionedProductMetadataHeader<v1::BluetoothClientMetadata, 2u>;
} // namespace cvsw::cvbv3
