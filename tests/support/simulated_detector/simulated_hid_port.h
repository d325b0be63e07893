#pragma once

#include "tests/support/fake_hidapi/fake_hid_device.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace cuu::test {

// One appearance of a simulated detector on the fake USB bus: a vendor id, a product id and a path.
// A detector that restarts leaves the bus and comes back as a new port, so handles the host opened
// on the old one go stale as they would on real hardware.
class SimulatedHidPort final : public FakeHidDevice {
public:
    // Receives the data bytes of each output report, without the report-id byte.
    using ReportHandler = std::function<void(const QByteArray& data)>;

    SimulatedHidPort(quint16 vendorId, quint16 productId, const QString& path, const QString& serialNumber,
                     ReportHandler handler);

    // Reports written after this reach nobody; the detector calls it when it leaves this port.
    void detach();

protected:
    void onReport(const QByteArray& report) override;

private:
    ReportHandler handler_;
};

} // namespace cuu::test
