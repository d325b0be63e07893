#pragma once

#include <stdexcept>
#include <string>

namespace cvsw::logging {

// setup_combo was given a sink name that no factory is registered under.
class UnknownSinkException : public std::logic_error {
public:
    explicit UnknownSinkException(const std::string& name);

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace cvsw::logging
