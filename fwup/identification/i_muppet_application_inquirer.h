#pragma once

namespace fwup {

// Collects, with a fixed chain of device questions and an operator login on the way, what
// identifies the firmware running on one component. Each member has its own start and result
// record; an inquirer serves one inquiry.
class IMuppetApplicationInquirer {
public:
    // Stops the inquiry; neither of its handlers is called afterwards.
    virtual void cancel() = 0;
    virtual ~IMuppetApplicationInquirer() = default;

protected:
    IMuppetApplicationInquirer() = default;
    IMuppetApplicationInquirer(const IMuppetApplicationInquirer&) = default;
    IMuppetApplicationInquirer& operator=(const IMuppetApplicationInquirer&) = default;
};

} // namespace fwup
