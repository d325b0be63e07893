#pragma once

#include "muppet/endpoint.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>

struct hid_device_;

namespace cvsw::muppet {

// An endpoint on one USB HID device: each write sends at most one output report of ReportSize data
// bytes (zero-padded) after the report-id byte, each read takes at most one input report. A failed
// read or write closes the device; while closed, every ReopenThreshold + 1-th call tries to open it
// again at the path it was last opened with.
//
// Reports: (1, 5) when a write or read failed and the device was closed.
template <std::size_t ReportSize, std::uint8_t ReportId>
class UsbHidEndpoint final : public Endpoint {
public:
    // clearOnClose: a write made while closed, or failing, drops the pending transmit bytes.
    // reopenThreshold: 0 disables reopening.
    UsbHidEndpoint(bool clearOnClose, std::uint32_t reopenThreshold);
    ~UsbHidEndpoint() override;

    UsbHidEndpoint(const UsbHidEndpoint&) = delete;
    UsbHidEndpoint& operator=(const UsbHidEndpoint&) = delete;

    // Closes any open device and opens the one at path; the path is kept for reopening either way.
    bool open(const QString& path);
    bool isOpen() const;

    void write(Notifier& notifier, Buffer& tx) override;
    void read(Notifier& notifier, Buffer& rx) override;

private:
    void reopenStep();
    bool openStoredPath();
    void closeDevice();

    hid_device_* device_ = nullptr;
    bool clearOnClose_;
    std::array<std::uint8_t, ReportSize + 1> report_{};
    std::uint32_t reopenThreshold_;
    std::uint32_t reopenCounter_ = 0;
    // Reopening goes by path, never by vendor and product id: with several detectors attached the ids
    // could open a different one.
    QByteArray path_;
};

extern template class UsbHidEndpoint<64, 0>;

} // namespace cvsw::muppet
