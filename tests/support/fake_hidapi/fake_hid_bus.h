#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <mutex>

namespace cuu::test {

class FakeHidDevice;

// The simulated USB HID bus behind the hidapi stand-in that test executables link in place of hidapi.
// hid_enumerate lists the plugged devices in plugging order; handles opened on a device that is
// unplugged afterwards go stale (hid_read and hid_write return -1) even if it is plugged again.
class FakeHidBus {
public:
    static FakeHidBus& instance();

    FakeHidBus(const FakeHidBus&) = delete;
    FakeHidBus& operator=(const FakeHidBus&) = delete;

    void plug(const std::shared_ptr<FakeHidDevice>& device);
    void unplug(const std::shared_ptr<FakeHidDevice>& device);
    // The device disappears and comes back at a new path, as after a reset.
    void replug(const std::shared_ptr<FakeHidDevice>& device, const QString& newPath);
    // Unplugs everything and clears the logs and knobs of the bus. Handles still open stay stale until
    // hid_close; call it between test functions.
    void reset();

    QList<std::shared_ptr<FakeHidDevice>> devices() const;

    // hid_enumerate returns null while set, as when enumeration fails.
    void setEnumerationFails(bool fails);

    // Full-speed pacing, for benchmarks; off by default and after reset(). While on, the bus runs on
    // 1 ms frames as a USB full-speed interrupt endpoint does: each hid_write of a report takes one
    // frame (it returns, and the device sees the report, at the end of a frame no earlier write to
    // that device used), and hid_read hands out at most one report of a device per frame.
    void setFullSpeedPacing(bool on);
    bool isFullSpeedPacing() const;

    // Every path handed to hid_open_path, and every (vendor, product) handed to hid_open, in order.
    QStringList openPathLog() const;
    QList<QPair<quint16, quint16>> openIdLog() const;
    // Handles open now, enumerations not yet freed, hid_init and hid_exit calls.
    int openHandleCount() const;
    int outstandingEnumerationCount() const;
    int initCount() const;
    int exitCount() const;

private:
    friend struct FakeHidHost;

    FakeHidBus();
    ~FakeHidBus();

    struct State;
    mutable std::mutex mutex_;
    std::unique_ptr<State> state_;
};

} // namespace cuu::test
