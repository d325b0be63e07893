#pragma once

namespace cvsw::eaf {

// A component that is set up once after construction and can report whether that worked.
class SoftwareComponent {
public:
    virtual ~SoftwareComponent();

    virtual void initialise() = 0;
    virtual void shutdown() = 0;
    virtual bool isValid() const = 0;
};

} // namespace cvsw::eaf
