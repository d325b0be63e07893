#pragma once

#include <memory>
#include <string>

namespace cvsw::logging {
class Sink;
}

namespace cvsw::logging::detail {

// A sink factory that is known by name for as long as it lives: setup_combo finds it there.
// A later factory of the same name takes the earlier one's place.
class ManagedSinkFactory {
public:
    explicit ManagedSinkFactory(std::string name);
    ManagedSinkFactory(const ManagedSinkFactory&) = delete;
    ManagedSinkFactory& operator=(const ManagedSinkFactory&) = delete;

    virtual std::unique_ptr<Sink> create(const std::string& options) = 0;
    virtual ~ManagedSinkFactory();

    const std::string& name() const { return name_; }

private:
    std::string name_;
};

} // namespace cvsw::logging::detail
