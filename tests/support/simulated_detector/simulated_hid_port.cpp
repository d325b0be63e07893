#include "tests/support/simulated_detector/simulated_hid_port.h"

#include <utility>

namespace cuu::test {

SimulatedHidPort::SimulatedHidPort(quint16 vendorId, quint16 productId, const QString& path,
                                   const QString& serialNumber, ReportHandler handler)
    : FakeHidDevice(vendorId, productId, path, serialNumber)
    , handler_(std::move(handler)) {
}

void SimulatedHidPort::detach() {
    handler_ = nullptr;
}

void SimulatedHidPort::onReport(const QByteArray& report) {
    FakeHidDevice::onReport(report);
    if (!handler_ || report.isEmpty()) {
        return;
    }
    // A copy: the handler may detach this port (the detector restarts) while it runs.
    const ReportHandler handler = handler_;
    handler(report.mid(1));
}

} // namespace cuu::test
