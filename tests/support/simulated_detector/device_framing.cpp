#include "tests/support/simulated_detector/device_framing.h"

#include "muppet/basic_std_vector_buffer.h"
#include "muppet/frame_portal.h"
#include "muppet/mcobs1_codec.h"
#include "muppet/notifier.h"

#include <QtGlobal>

#include <cstring>

namespace cuu::test {

namespace {

constexpr std::uint32_t kCodecCategory = 2;
constexpr std::uint32_t kFramingError = 1;
constexpr std::uint32_t kCrcMismatch = 4;

class CountingNotifier final : public cvsw::muppet::Notifier {
public:
    void notify(std::uint32_t category, std::uint32_t code) override { count(category, code); }
    void notify(std::uint32_t category, std::uint32_t code, std::uint32_t /*value*/) override {
        count(category, code);
    }

    int badFrames = 0;

private:
    void count(std::uint32_t category, std::uint32_t code) {
        if (category == kCodecCategory && (code == kFramingError || code == kCrcMismatch)) {
            ++badFrames;
        }
    }
};

class CollectingPortal final : public cvsw::muppet::FramePortal {
public:
    void receiveFrame(cvsw::muppet::Notifier& /*notifier*/, std::uint8_t frameType, const std::uint8_t* data,
                      std::size_t size) override {
        frames.append(
            {frameType, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))});
    }
    bool nextOutboundFrame(cvsw::muppet::Notifier& /*notifier*/, std::uint8_t& /*frameType*/,
                           cvsw::muppet::Buffer*& /*payload*/) override {
        return false;
    }

    QList<DeviceFraming::Frame> frames;
};

cvsw::muppet::BasicStdVectorBuffer bufferOf(cvsw::muppet::Notifier& notifier, const QByteArray& bytes) {
    cvsw::muppet::BasicStdVectorBuffer buffer;
    const auto size = static_cast<std::size_t>(bytes.size());
    std::uint8_t* slot = buffer.prepare(notifier, size);
    if (size > 0) {
        std::memcpy(slot, bytes.constData(), size);
    }
    buffer.commit(notifier, size);
    return buffer;
}

} // namespace

struct DeviceFraming::Private {
    CountingNotifier notifier;
    CollectingPortal portal;
    std::unique_ptr<cvsw::muppet::Mcobs1Codec> codec = std::make_unique<cvsw::muppet::Mcobs1Codec>();
    cvsw::muppet::BasicStdVectorBuffer accumulator;
};

DeviceFraming::DeviceFraming()
    : d(std::make_unique<Private>()) {
}

DeviceFraming::~DeviceFraming() = default;

QList<DeviceFraming::Frame> DeviceFraming::decode(const QByteArray& bytes) {
    const cvsw::muppet::BasicStdVectorBuffer in = bufferOf(d->notifier, bytes);
    d->codec->decode(d->notifier, in, d->accumulator, d->portal);
    QList<Frame> frames;
    frames.swap(d->portal.frames);
    return frames;
}

void DeviceFraming::reset() {
    d->codec = std::make_unique<cvsw::muppet::Mcobs1Codec>();
    d->accumulator.clear();
}

int DeviceFraming::badFrameCount() const {
    return d->notifier.badFrames;
}

QByteArray DeviceFraming::encodeFrame(std::uint8_t type, const QByteArray& payload) {
    CountingNotifier notifier;
    const cvsw::muppet::BasicStdVectorBuffer in = bufferOf(notifier, payload);
    cvsw::muppet::BasicStdVectorBuffer out;
    cvsw::muppet::Mcobs1Codec().encode(notifier, type, in, out);
    return QByteArray(reinterpret_cast<const char*>(out.data()), static_cast<qsizetype>(out.size()));
}

void DeviceFraming::corruptFrame(QByteArray& wire) {
    // Walk the COBS blocks after the opening delimiter and pick a data byte, never a code byte.
    QList<qsizetype> dataIndices;
    qsizetype code = 1;
    while (code < wire.size() && wire.at(code) != 0) {
        const auto length = static_cast<qsizetype>(static_cast<std::uint8_t>(wire.at(code)));
        for (qsizetype i = code + 1; i < code + length && i < wire.size(); ++i) {
            dataIndices.append(i);
        }
        code += length;
    }
    if (dataIndices.isEmpty()) {
        return;
    }
    const qsizetype index = dataIndices.at(dataIndices.size() / 2);
    const auto byte = static_cast<std::uint8_t>(wire.at(index));
    wire[index] = static_cast<char>(byte == 0xFF ? 0x0F : byte ^ 0xFF);
}

QList<QByteArray> DeviceFraming::splitIntoReports(const QByteArray& wire) {
    QList<QByteArray> reports;
    for (qsizetype from = 0; from < wire.size(); from += kReportSize) {
        QByteArray report = wire.mid(from, kReportSize);
        report.append(QByteArray(kReportSize - report.size(), '\0'));
        reports.append(report);
    }
    return reports;
}

qsizetype DeviceFraming::reportCount(std::uint8_t type, const QByteArray& payload) {
    return splitIntoReports(encodeFrame(type, payload)).size();
}

} // namespace cuu::test
