#pragma once

#include "muppet/mcobs1_codec.h"
#include "tests/support/fake_hidapi/fake_hid_device.h"
#include "tests/support/framing/codec_harness.h"

#include <QByteArray>
#include <QList>

#include <functional>

namespace cuu::test {

// A simulated detector's link layer and nothing more: unframes the Mcobs1 frames the host writes and
// sends Mcobs1 frames back as zero-padded 64-byte input reports. A responder may answer each frame.
class FramedHidDevice final : public FakeHidDevice {
public:
    using Responder = std::function<void(FramedHidDevice& device, const ReceivedFrame& frame)>;

    using FakeHidDevice::FakeHidDevice;

    void setResponder(Responder responder) { responder_ = std::move(responder); }

    // Every frame the host has sent, in order.
    QList<ReceivedFrame> receivedFrames() const { return link_.portal.frames; }

    // The wire bytes of several frames may share reports, as a device sends them back to back.
    void sendFrames(const QList<ReceivedFrame>& frames) {
        QByteArray wire;
        for (const ReceivedFrame& frame : frames) {
            wire += link_.encode(frame.type, frame.payload);
        }
        for (qsizetype from = 0; from < wire.size(); from += kReportSize) {
            QByteArray report = wire.mid(from, kReportSize);
            pushReport(report + QByteArray(kReportSize - report.size(), '\0'));
        }
    }

    void sendFrame(std::uint8_t type, const QByteArray& payload) { sendFrames({{type, payload}}); }

protected:
    void onReport(const QByteArray& report) override {
        FakeHidDevice::onReport(report);
        const qsizetype known = link_.portal.frames.size();
        link_.decode(report.mid(1)); // after the report-id byte
        const QList<ReceivedFrame> frames = link_.portal.frames;
        for (qsizetype i = known; i < frames.size(); ++i) {
            if (responder_) {
                responder_(*this, frames.at(i));
            }
        }
    }

private:
    static constexpr qsizetype kReportSize = 64;

    cvsw::muppet::Mcobs1Codec codec_;
    CodecHarness link_{codec_};
    Responder responder_;
};

} // namespace cuu::test
