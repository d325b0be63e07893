#pragma once

#include "muppet/endian_extractor.h"
#include "muppet/endian_inserter.h"

#include <cstdint>
#include <type_traits>
#include <vector>

namespace cvsw::muppet::control {

// A byte vector whose length travels before it, as an unsigned integer of type L.
template <typename L>
struct LpdVector {
    static_assert(std::is_unsigned_v<L>);

    std::vector<std::uint8_t> bytes;

    // The count is the size modulo 2^(8 * sizeof(L)) and exactly that many bytes follow, so an
    // over-long vector is cut to the remainder. Callers keep their data below the limit.
    void encode(EndianInserter& out) const {
        const auto count = static_cast<L>(bytes.size());
        out.put<L>(count);
        if (out.overflowed()) {
            return;
        }
        out.putBytes(bytes.data(), count);
    }

    // The vector takes the stated length (zero-filled) even when the bytes fall short; the
    // shortfall is left in the extractor's flag.
    template <typename Extractor>
    void decode(Extractor& in) {
        const L count = in.template extract<L>();
        bytes.assign(count, 0);
        in.extractBytes(bytes.data(), count); // all or nothing
    }

    friend bool operator==(const LpdVector&, const LpdVector&) = default;
};

} // namespace cvsw::muppet::control
