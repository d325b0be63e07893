#include "cvbv3/fixed_secret_auth_response_generator.h"

#include "security/sha256.h"

namespace cvsw::cvbv3 {

FixedSecretAuthResponseGenerator::FixedSecretAuthResponseGenerator(const std::string& keyName,
                                                                   const std::string& secret)
    : keyName_(keyName)
    , secret_(secret) {
}

std::array<std::uint8_t, 32>
FixedSecretAuthResponseGenerator::getResponse(const std::array<std::uint8_t, 32>& challenge) {
    security::Sha256Context context;
    security::sha256_start(context);
    security::sha256_update(context, keyName_.data(), keyName_.size());
    security::sha256_update(context, challenge.data(), challenge.size());
    security::sha256_update(context, secret_.data(), secret_.size());
    return security::sha256_finish(context);
}

} // namespace cvsw::cvbv3
