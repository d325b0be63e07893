#pragma once

#include "muppet/frame_portal.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QtTest/qtestcase.h>

#include <cstdint>

namespace cuu::test {

struct ReceivedFrame {
    std::uint8_t type = 0;
    QByteArray payload;

    friend bool operator==(const ReceivedFrame&, const ReceivedFrame&) = default;
};

inline char* toString(const ReceivedFrame& frame) {
    return qstrdup("type " + QByteArray::number(frame.type, 16) + ": " + frame.payload.toHex(' '));
}

// Records every frame a codec delivers; offers nothing outbound.
class RecordingFramePortal final : public cvsw::muppet::FramePortal {
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

    QList<ReceivedFrame> frames;
};

} // namespace cuu::test

Q_DECLARE_METATYPE(cuu::test::ReceivedFrame)
