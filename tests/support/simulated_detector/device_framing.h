#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <memory>

namespace cuu::test {

// The device's end of the USB link: reassembles Mcobs1 frames from the data bytes of the 64-byte
// reports the host writes, and turns answer frames into reports as a device sends them (each frame
// starts a new report; the last report is filled up with zero bytes, which the host skips as idle fill).
class DeviceFraming {
public:
    static constexpr int kReportSize = 64;

    struct Frame {
        std::uint8_t type = 0;
        QByteArray payload;
    };

    DeviceFraming();
    ~DeviceFraming();

    DeviceFraming(const DeviceFraming&) = delete;
    DeviceFraming& operator=(const DeviceFraming&) = delete;

    // Feeds the data bytes of one report and returns the good frames completed by them. Damaged or
    // cut-off frames are dropped and counted.
    QList<Frame> decode(const QByteArray& bytes);
    // Forgets a frame half received, as a device does when it restarts.
    void reset();
    // Frames dropped for a framing error or a CRC mismatch since construction.
    int badFrameCount() const;

    // The wire bytes of one frame: 0x00, the stuffed frame, 0x00.
    static QByteArray encodeFrame(std::uint8_t type, const QByteArray& payload);
    // Damages one data byte in the middle of an encoded frame without creating a 0x00, so that the
    // host's decoder drops the frame and then resynchronises on the closing delimiter.
    static void corruptFrame(QByteArray& wire);
    static QList<QByteArray> splitIntoReports(const QByteArray& wire);
    // The number of reports a device sends for one frame.
    static qsizetype reportCount(std::uint8_t type, const QByteArray& payload);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace cuu::test
