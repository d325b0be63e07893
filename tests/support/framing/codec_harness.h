#pragma once

#include "muppet/basic_std_vector_buffer.h"
#include "muppet/codec.h"
#include "tests/support/framing/recording_frame_portal.h"
#include "tests/support/framing/recording_notifier.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>

namespace cuu::test {

inline cvsw::muppet::BasicStdVectorBuffer bufferOf(const QByteArray& bytes) {
    RecordingNotifier notifier;
    cvsw::muppet::BasicStdVectorBuffer buffer;
    std::uint8_t* slot = buffer.prepare(notifier, static_cast<std::size_t>(bytes.size()));
    if (!bytes.isEmpty()) {
        std::memcpy(slot, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }
    buffer.commit(notifier, static_cast<std::size_t>(bytes.size()));
    return buffer;
}

inline QByteArray bytesOf(const cvsw::muppet::Buffer& buffer) {
    return QByteArray(reinterpret_cast<const char*>(buffer.data()), static_cast<qsizetype>(buffer.size()));
}

// Drives one codec the way the connection pump does: encodes into a transmit buffer, decodes reads
// through one payload accumulator, and records what comes out.
class CodecHarness {
public:
    explicit CodecHarness(cvsw::muppet::Codec& codec)
        : codec_(codec) {}

    QByteArray encode(std::uint8_t type, const QByteArray& payload) {
        const cvsw::muppet::BasicStdVectorBuffer in = bufferOf(payload);
        cvsw::muppet::BasicStdVectorBuffer out;
        codec_.encode(notifier, type, in, out);
        return bytesOf(out);
    }

    // Feeds the bytes in reads of at most chunk bytes (0: all at once).
    void decode(const QByteArray& bytes, qsizetype chunk = 0) {
        if (chunk <= 0) {
            chunk = std::max<qsizetype>(bytes.size(), 1);
        }
        for (qsizetype from = 0; from < bytes.size(); from += chunk) {
            cvsw::muppet::BasicStdVectorBuffer in = bufferOf(bytes.mid(from, chunk));
            codec_.decode(notifier, in, accumulator_, portal);
            in.clear();
        }
    }

    RecordingNotifier notifier;
    RecordingFramePortal portal;

private:
    cvsw::muppet::Codec& codec_;
    cvsw::muppet::BasicStdVectorBuffer accumulator_;
};

} // namespace cuu::test
