#pragma once

#include "cvbv3/auth_response_generator.h"

#include <string>

namespace cvsw::cvbv3 {

// response = SHA-256(key name || challenge || secret), the strings taken as their bytes.
class FixedSecretAuthResponseGenerator : public AuthResponseGenerator {
public:
    FixedSecretAuthResponseGenerator(const std::string& keyName, const std::string& secret);

    std::array<std::uint8_t, 32> getResponse(const std::array<std::uint8_t, 32>& challenge) override;

private:
    std::string keyName_;
    std::string secret_;
};

} // namespace cvsw::cvbv3
