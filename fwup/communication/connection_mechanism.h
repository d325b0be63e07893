#pragma once

#include "muppet/basic_std_vector_buffer.h"
#include "muppet/codec.h"
#include "muppet/endpoint.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <deque>
#include <memory>
#include <utility>

namespace fwup {

class CorvaneDeviceMuppetConnection;

// One transport ready for connections: an endpoint and the codec that frames for it. A factory
// hands the same mechanism to every connection to one location while any of them holds it, so the
// state of the byte stream lives here, not in the connections: a frame half decoded or half sent
// belongs to the link, whichever connection's service moved its first bytes. The members' order
// matters: the codec is destroyed before the endpoint.
struct ConnectionMechanism {
    struct Frame {
        std::uint8_t type = 0;
        QByteArray payload;
    };

    ConnectionMechanism(std::unique_ptr<cvsw::muppet::Endpoint> linkEndpoint,
                        std::unique_ptr<cvsw::muppet::Codec> linkCodec)
        : endpoint(std::move(linkEndpoint))
        , codec(std::move(linkCodec)) {}

    std::unique_ptr<cvsw::muppet::Endpoint> endpoint;
    std::unique_ptr<cvsw::muppet::Codec> codec;

    cvsw::muppet::BasicStdVectorBuffer receiveBuffer;
    // The payload of the frame the codec is in the middle of.
    cvsw::muppet::BasicStdVectorBuffer decodeBuffer;
    // One encoded frame at a time: the next is encoded only once this one has left whole.
    cvsw::muppet::BasicStdVectorBuffer transmitBuffer;
    // Decoded frames not yet handed out. Whichever service runs next takes over from the front, so
    // a nested service keeps the order and hands each frame out once.
    std::deque<Frame> inbound;
    // Every connection on this mechanism, in the order they were made; each decoded frame goes to
    // all of them. Held weakly: a connection leaves when its owners release it.
    QList<std::weak_ptr<CorvaneDeviceMuppetConnection>> connections;
};

} // namespace fwup
