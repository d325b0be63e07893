#include "cvbv3/auth_response_generator.h"

namespace cvsw::cvbv3 {

AuthResponseGenerator::~AuthResponseGenerator() = default;

} // namespace cvsw::cvbv3
