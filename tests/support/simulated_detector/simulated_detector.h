#pragma once

#include "tests/support/simulated_detector/device_framing.h"
#include "tests/support/simulated_detector/simulated_component.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <memory>

namespace cuu::test {

class SimulatedHidPort;

// A whole simulated detector system on the fake USB bus: the control pod, in its application or its
// bootloader, and the Tamarind gateway behind the pod's tunnel. It speaks only through the hidapi
// stand-in, so everything of the program above hid_write and hid_read runs unchanged against it.
//
// Everything happens on the test's thread: a report the host writes is handled inside hid_write, and
// the answer is queued for the host's next hid_read. Only the optional reset delays use timers, which
// run while the program under test waits on the event loop.
//
//     SimulatedDetector detector;                      // pod in its application, gateway behind it
//     detector.pod().setModel(2);
//     detector.pod().addFault(command_id::PRODUCT_TYPE, SimulatedFault::silence(), 2);
//     detector.plug();
//     ... identify detector.location(), or "TNLV3::1::OUT::0::" + detector.location() ...
//     QCOMPARE(detector.pod().requestLog().first(), "GET 20");
class SimulatedDetector {
public:
    static constexpr quint16 kVendorId = 0x2E7A;
    static constexpr quint16 kApplicationProductId = 0x1320;
    static constexpr quint16 kBootloaderProductId = 0x1321;

    static constexpr std::uint8_t kControlFrame = 0xFF;
    static constexpr std::uint8_t kTunnelDataFrame = 0xF4;
    static constexpr std::uint8_t kTunnelSetUpFrame = 0xF5;

    enum class PodMode {
        Application,
        Bootloader,
    };

    // name makes the device paths ("<name>/1", "<name>/2", ... one per appearance); it must differ
    // between detectors that are plugged at the same time. Without one a unique name is made. The pod
    // and the gateway start with serial numbers unique to this detector and plausible versions.
    explicit SimulatedDetector(PodMode mode = PodMode::Application, const QString& name = {});
    ~SimulatedDetector();

    SimulatedDetector(const SimulatedDetector&) = delete;
    SimulatedDetector& operator=(const SimulatedDetector&) = delete;

    SimulatedComponent& pod() { return pod_; }
    SimulatedComponent& tamarind() { return tamarind_; }
    const SimulatedComponent& pod() const { return pod_; }
    const SimulatedComponent& tamarind() const { return tamarind_; }

    // Sets the operator-password source of the pod and the gateway alike.
    void setPasswordSource(const SimulatedComponent::PasswordSource& source);

    // --- Presence on the bus ---
    // Appears at a new path, with the product id of the pod's mode.
    void plug();
    void unplug();
    // The cable is pulled and put back: a new path, same mode, no restart.
    void replug();
    bool isPlugged() const;
    PodMode podMode() const { return podMode_; }
    // Only while unplugged: the mode the pod is in when it next appears.
    void setPodMode(PodMode mode);
    quint16 productId() const;
    // The current device path, or the last one while away.
    QString path() const { return path_; }
    // The HID location string the program's locator makes for the current path:
    // "HID::0x2e7a::0x1320::<path>" (0x1321 in the bootloader).
    QString location() const;
    // The USB serial number string: the pod's serial number text.
    QString usbSerialNumber() const { return pod_.serialNumberText(); }
    // The port the pod is on now (null before the first plug), for the stand-in's own counters.
    std::shared_ptr<SimulatedHidPort> port() const { return port_; }

    // --- Restarts ---
    // A restart of the pod: it leaves the bus leaveDelayMs after the reset request (0: at once, without
    // answering it; otherwise it answers first) and comes back returnDelayMs after leaving, at a new
    // path, with the same serial number. Defaults are 0 and 0.
    void setResetTiming(int leaveDelayMs, int returnDelayMs);
    // The next n pod restarts leave the bus and do not come back until bringPodBack().
    void setPodStaysAwayAfterReset(int restarts = 1) { podStaysAway_ = restarts; }
    void bringPodBack();
    // The next n restarts into the application end in the bootloader, as when the application does
    // not start; the pod then comes back with the bootloader's product id and type.
    void setApplicationStartFailures(int restarts = 1) { applicationStartFailures_ = restarts; }
    // Restarts the pod into the given mode, as its reset commands do. An unplugged detector only
    // changes mode and stays unplugged.
    void restartPod(PodMode mode);
    int podRestartCount() const { return pod_.restartCount(); }

    // --- The Tamarind gateway ---
    // Without it the pod forwards nothing on the tunnel.
    void setTamarindPresent(bool present) { tamarindPresent_ = present; }
    // The tunnel channel it sits on (1 by default).
    void setTamarindChannel(std::uint8_t channel) { tamarindChannel_ = channel & 0x0F; }
    // After its reset command the gateway does not answer for this long (0 by default).
    void setTamarindRebootTime(int milliseconds) { tamarindRebootMs_ = milliseconds; }
    // The next n gateway restarts leave it silent until bringTamarindBack().
    void setTamarindStaysAwayAfterReset(int restarts = 1) { tamarindStaysAway_ = restarts; }
    void bringTamarindBack();
    bool isTamarindReachable() const;

    // --- Faults of the link itself, on the current port (a restart brings a fresh port) ---
    void setWriteFailures(int count);
    void setReadFailures(int count);
    void setOpenFailures(int count);

    // --- Record of the link ---
    // What happened on the link besides control requests, in order: "plugged <path>", "unplugged",
    // "restart to bootloader", "tunnel set-up 42 01 a2", "tunnel data ignored 03 ff ...",
    // "frame ignored f0", ...
    QStringList linkEvents() const { return linkEvents_; }
    // Frames the device dropped as damaged (framing error or CRC mismatch).
    int badFrameCount() const { return framing_.badFrameCount(); }
    // Clears the link events and both components' request records.
    void clearRecords();

private:
    void onReportData(const QByteArray& data);
    void handleFrame(const DeviceFraming::Frame& frame);
    void handleControl(const QByteArray& message);
    void handleTunnelSetUp(const QByteArray& payload);
    void handleTunnelData(const QByteArray& payload);
    void send(std::uint8_t frameType, const QByteArray& payload, bool corrupt);
    void restartTamarind();
    void leaveBus(PodMode nextMode);
    void comeBack();
    void noteEvent(const QString& event) { linkEvents_.append(event); }

    QString name_;
    SimulatedComponent pod_;
    SimulatedComponent tamarind_;
    PodMode podMode_;
    std::shared_ptr<SimulatedHidPort> port_;
    QString path_;
    int appearances_ = 0;
    // Bumped whenever the pod leaves the bus, so that frames of a report that arrived before a
    // restart are not handled after it.
    quint64 generation_ = 0;
    DeviceFraming framing_;

    int leaveDelayMs_ = 0;
    int returnDelayMs_ = 0;
    int podStaysAway_ = 0;
    int applicationStartFailures_ = 0;
    bool podAway_ = false;
    PodMode pendingMode_ = PodMode::Application;
    QTimer leaveTimer_;
    QTimer returnTimer_;

    bool tamarindPresent_ = true;
    std::uint8_t tamarindChannel_ = 1;
    // Channels the host has opened since the pod started.
    QList<std::uint8_t> openChannels_;
    int tamarindRebootMs_ = 0;
    int tamarindStaysAway_ = 0;
    bool tamarindAway_ = false;
    QTimer tamarindTimer_;

    QStringList linkEvents_;
};

} // namespace cuu::test
