#pragma once

#include "muppet/codec.h"
#include "muppet/endpoint.h"

#include <memory>

namespace fwup {

// One transport ready for a connection: an endpoint and the codec that frames for it. The members'
// order matters: the codec is destroyed before the endpoint.
struct ConnectionMechanism {
    std::unique_ptr<cvsw::muppet::Endpoint> endpoint;
    std::unique_ptr<cvsw::muppet::Codec> codec;
};

} // namespace fwup
