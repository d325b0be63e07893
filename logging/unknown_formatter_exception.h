#pragma once

#include <stdexcept>
#include <string>

namespace cvsw::logging {

// setup_combo was given a formatter name that no factory is registered under.
class UnknownFormatterException : public std::logic_error {
public:
    explicit UnknownFormatterException(const std::string& name);

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace cvsw::logging
