// Feeds arbitrary gateway lines to the MC_M2M codec, split into reads of varying size, and checks that
// every frame it accepts comes through again unchanged when the gateway sends it back as an rxFrame.

#include "fwup/communication/mcm2m_api_codec.h"
#include "muppet/basic_std_vector_buffer.h"
#include "muppet/frame_portal.h"
#include "muppet/notifier.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>
#include <QtGlobal>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using cvsw::muppet::BasicStdVectorBuffer;

struct Frame {
    std::uint8_t type;
    QByteArray payload;
};

class SilentNotifier final : public cvsw::muppet::Notifier {
public:
    void notify(std::uint32_t, std::uint32_t) override {}
    void notify(std::uint32_t, std::uint32_t, std::uint32_t) override {}
};

class CollectingPortal final : public cvsw::muppet::FramePortal {
public:
    void receiveFrame(cvsw::muppet::Notifier&, std::uint8_t frameType, const std::uint8_t* data,
                      std::size_t size) override {
        frames.push_back(
            {frameType, QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))});
    }
    bool nextOutboundFrame(cvsw::muppet::Notifier&, std::uint8_t&, cvsw::muppet::Buffer*&) override {
        return false;
    }

    std::vector<Frame> frames;
};

SilentNotifier notifier;
const QUuid kDevice = QUuid::fromString(QLatin1String("{3f2504e0-4f89-41d3-9a0c-0305e82c3301}"));

std::vector<Frame> decode(const QByteArray& bytes, qsizetype chunk) {
    fwup::MCM2MAPICodec codec(kDevice);
    CollectingPortal portal;
    BasicStdVectorBuffer accumulator;
    for (qsizetype from = 0; from < bytes.size(); from += chunk) {
        const QByteArray part = bytes.mid(from, chunk);
        BasicStdVectorBuffer in;
        std::uint8_t* slot = in.prepare(notifier, static_cast<std::size_t>(part.size()));
        std::memcpy(slot, part.constData(), static_cast<std::size_t>(part.size()));
        in.commit(notifier, static_cast<std::size_t>(part.size()));
        codec.decode(notifier, in, accumulator, portal);
    }
    return portal.frames;
}

QByteArray rxFrameLine(const Frame& frame) {
    const QJsonObject inner{{QStringLiteral("frameType"), frame.type},
                            {QStringLiteral("payload"), QString::fromLatin1(frame.payload.toBase64())}};
    const QJsonObject notification{{QStringLiteral("name"), QStringLiteral("rxFrame")},
                                   {QStringLiteral("deviceUuid"), kDevice.toString()},
                                   {QStringLiteral("frame"), inner}};
    return QJsonDocument(QJsonObject{{QStringLiteral("notification"), notification}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

void dropMessages(QtMsgType, const QMessageLogContext&, const QString&) {
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qInstallMessageHandler(dropMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The last byte picks how the stream is split into reads.
    const qsizetype chunk = size > 0 ? 1 + data[size - 1] % 97 : 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    for (const Frame& frame : decode(bytes, chunk)) {
        const std::vector<Frame> again = decode(rxFrameLine(frame), chunk);
        if (again.size() != 1 || again[0].type != frame.type || again[0].payload != frame.payload) {
            std::abort();
        }
    }
    return 0;
}
