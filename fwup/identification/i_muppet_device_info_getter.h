#pragma once

namespace fwup {

// What every device-information getter offers besides its start: ending a running read. A read
// that was running ends through its failure handler, once; an idle getter calls nothing.
class IMuppetDeviceInfoGetter {
public:
    virtual void cancel() = 0;

protected:
    // Getters are members of their owners and never deleted through this interface.
    ~IMuppetDeviceInfoGetter() = default;
};

} // namespace fwup
