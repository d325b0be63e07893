#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace cvsw::security {

// Hands out fixed-size keys by identifier. A provider that cannot serve keys says so through isValid
// and answers every request with an all-zero key rather than failing.
template <std::size_t KeySize, typename KeyId>
class IKeyProvider {
public:
    using Key = std::array<std::uint8_t, KeySize>;

    virtual ~IKeyProvider() = default;

    virtual bool isValid() const = 0;
    virtual Key getKey(KeyId id) const = 0;
};

} // namespace cvsw::security
