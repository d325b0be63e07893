#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace cuu::test {

// The operator password the program's own generators give for a product (and model): the password
// source a simulated detector checks logins against, so that no test holds a password in clear.
//
//     detector.setPasswordSource(&cuu::test::generated_operator_password);
std::vector<std::uint8_t> generated_operator_password(std::uint16_t productType,
                                                      std::optional<std::uint8_t> model);

} // namespace cuu::test
