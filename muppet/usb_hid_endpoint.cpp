#include "muppet/usb_hid_endpoint.h"

#include "muppet/buffer.h"
#include "muppet/notifier.h"

#include <hidapi.h>

#include <algorithm>
#include <cstring>

namespace cvsw::muppet {

namespace {
constexpr std::uint32_t kEndpointCategory = 1;
constexpr std::uint32_t kDeviceClosed = 5;
} // namespace

template <std::size_t ReportSize, std::uint8_t ReportId>
UsbHidEndpoint<ReportSize, ReportId>::UsbHidEndpoint(bool clearOnClose, std::uint32_t reopenThreshold)
    : clearOnClose_(clearOnClose)
    , reopenThreshold_(reopenThreshold) {
    report_[0] = ReportId;
}

template <std::size_t ReportSize, std::uint8_t ReportId>
UsbHidEndpoint<ReportSize, ReportId>::~UsbHidEndpoint() {
    closeDevice();
}

template <std::size_t ReportSize, std::uint8_t ReportId>
bool UsbHidEndpoint<ReportSize, ReportId>::open(const QString& path) {
    closeDevice();
    path_ = path.toUtf8();
    return openStoredPath();
}

template <std::size_t ReportSize, std::uint8_t ReportId>
bool UsbHidEndpoint<ReportSize, ReportId>::isOpen() const {
    return device_ != nullptr;
}

template <std::size_t ReportSize, std::uint8_t ReportId>
bool UsbHidEndpoint<ReportSize, ReportId>::openStoredPath() {
    device_ = hid_open_path(path_.constData());
    if (device_ != nullptr) {
        hid_set_nonblocking(device_, 1);
        reopenCounter_ = 0;
    }
    return device_ != nullptr;
}

template <std::size_t ReportSize, std::uint8_t ReportId>
void UsbHidEndpoint<ReportSize, ReportId>::closeDevice() {
    if (device_ != nullptr) {
        hid_close(device_);
        device_ = nullptr;
    }
}

template <std::size_t ReportSize, std::uint8_t ReportId>
void UsbHidEndpoint<ReportSize, ReportId>::reopenStep() {
    if (device_ != nullptr || reopenThreshold_ == 0) {
        return;
    }
    if (++reopenCounter_ > reopenThreshold_) {
        reopenCounter_ = 0;
        if (!path_.isEmpty()) {
            openStoredPath();
        }
    }
}

template <std::size_t ReportSize, std::uint8_t ReportId>
void UsbHidEndpoint<ReportSize, ReportId>::write(Notifier& notifier, Buffer& tx) {
    reopenStep();
    if (device_ == nullptr) {
        if (clearOnClose_) {
            tx.clear();
        }
        return;
    }
    const std::size_t pending = tx.size();
    if (pending == 0) {
        return;
    }
    const std::size_t count = std::min(pending, ReportSize);
    report_[0] = ReportId;
    std::memcpy(report_.data() + 1, tx.data(), count);
    std::fill(report_.begin() + 1 + static_cast<std::ptrdiff_t>(count), report_.end(), std::uint8_t{0});

    const int result = hid_write(device_, report_.data(), report_.size());
    if (result < 0) {
        notifier.notify(kEndpointCategory, kDeviceClosed);
        if (clearOnClose_) {
            tx.clear();
        }
        closeDevice();
        return;
    }
    if (result > 0) {
        tx.consume(notifier, count);
    }
}

template <std::size_t ReportSize, std::uint8_t ReportId>
void UsbHidEndpoint<ReportSize, ReportId>::read(Notifier& notifier, Buffer& rx) {
    reopenStep();
    if (device_ == nullptr || rx.freeSpace() < ReportSize) {
        return;
    }
    std::uint8_t* slot = rx.prepare(notifier, ReportSize);
    if (slot == nullptr) {
        return;
    }
    const int result = hid_read(device_, slot, ReportSize);
    if (result < 0) {
        notifier.notify(kEndpointCategory, kDeviceClosed);
        closeDevice();
        return;
    }
    if (result > 0) {
        rx.commit(notifier, static_cast<std::size_t>(result));
    }
}

template class UsbHidEndpoint<64, 0>;

} // namespace cvsw::muppet
