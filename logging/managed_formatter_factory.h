#pragma once

#include <memory>
#include <string>

namespace cvsw::logging {
class Formatter;
}

namespace cvsw::logging::detail {

// A formatter factory that is known by name for as long as it lives: setup_combo finds it there.
// A later factory of the same name takes the earlier one's place.
class ManagedFormatterFactory {
public:
    explicit ManagedFormatterFactory(std::string name);
    ManagedFormatterFactory(const ManagedFormatterFactory&) = delete;
    ManagedFormatterFactory& operator=(const ManagedFormatterFactory&) = delete;

    virtual std::unique_ptr<Formatter> create(const std::string& options) = 0;
    virtual ~ManagedFormatterFactory();

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace cvsw::logging::detail
