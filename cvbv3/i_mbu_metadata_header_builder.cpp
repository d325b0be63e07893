#include "cvbv3/i_mbu_metadata_header_builder.h"

namespace cvsw::cvbv3 {

IMbuMetadataHeaderBuilder::~IMbuMetadataHeaderBuilder() = default;

} // namespace cvsw::cvbv3
