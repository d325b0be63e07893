#pragma once

#include "fwup/communication/frame_handler.h"
#include "fwup/communication/muppet_connection.h"
#include "tests/support/framing/recording_frame_portal.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace cuu::test {

inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

// The INF reply to a product-type read, both further words zero.
inline QByteArray productTypeReply(quint16 productType) {
    QByteArray reply = hex("820014");
    reply.append(static_cast<char>(productType >> 8));
    reply.append(static_cast<char>(productType & 0xFF));
    return reply + hex("00000000");
}

// "ff 820014": a frame's type and payload in hexadecimal, for readable comparisons.
inline QString describe(std::uint8_t type, const QByteArray& payload) {
    return QStringLiteral("%1 %2")
        .arg(type, 2, 16, QLatin1Char('0'))
        .arg(QString::fromLatin1(payload.toHex()));
}

inline QStringList describe(const QList<ReceivedFrame>& frames) {
    QStringList result;
    for (const ReceivedFrame& frame : frames) {
        result << describe(frame.type, frame.payload);
    }
    return result;
}

inline QStringList describe(const QList<QByteArray>& messages) {
    QStringList result;
    for (const QByteArray& message : messages) {
        result << QString::fromLatin1(message.toHex());
    }
    return result;
}

// Records the frames of the service(FrameHandler&) calls it is passed to.
class RecordingFrameHandler final : public fwup::FrameHandler {
public:
    void handleFrame(std::uint8_t frameType, const QByteArray& payload) override {
        frames << describe(frameType, payload);
    }

    QStringList frames;
};

// Calls service until done() holds, at most limit times; true when it held.
inline bool serviceUntil(fwup::MuppetConnection& connection, const std::function<bool()>& done,
                         int limit = 50) {
    for (int i = 0; i < limit && !done(); ++i) {
        connection.service();
    }
    return done();
}

} // namespace cuu::test
