#pragma once

#include "muppet/product_type_id.h"

namespace cvsw::muppet {

// The fixed name of a product type: "LODESTAR_CONTROL_POD" for 144, "RESERVED" for 0, and
// "?INVALID_PRODUCT_TYPE_ID?" for unassigned ids and any id above 181.
const char* product_type_id_name(ProductTypeId id);

} // namespace cvsw::muppet
