#pragma once

#include <cstdint>

namespace cvsw::muppet {

// The product type a device reports in its ProductType reply. Names: product_type_id_name
// (fwup/identification/product_type_id_name.h).
using ProductTypeId = std::uint16_t;

} // namespace cvsw::muppet
