#include "muppet/control_centre.h"

#include "muppet/buffer.h"

#include <algorithm>

namespace cvsw::muppet {

using control::Group;
using control::Mode;

ControlCentre::ControlCentre() = default;
ControlCentre::~ControlCentre() = default;

bool ControlCentre::clearHandler(Group group, std::uint16_t id) {
    if (group >= control::GROUP_COUNT) {
        return false;
    }
    return handlers_[group].erase(id) != 0;
}

void ControlCentre::queueMessage(std::vector<std::uint8_t> message, Priority priority) {
    queues_[static_cast<std::size_t>(priority) - 1].push_back(std::move(message));
}

bool ControlCentre::takeNextFrame(Notifier& notifier, std::uint8_t& frameType, Buffer& out) {
    const auto queue =
        std::find_if(queues_.rbegin(), queues_.rend(), [](const auto& q) { return !q.empty(); });
    if (queue == queues_.rend()) {
        return false;
    }
    const std::vector<std::uint8_t> message = std::move(queue->front());
    queue->pop_front();

    std::uint8_t* target = out.prepare(notifier, message.size());
    if (target == nullptr) {
        return false;
    }
    std::copy(message.begin(), message.end(), target);
    out.commit(notifier, message.size());
    frameType = CONTROL_FRAME_TYPE;
    return true;
}

void ControlCentre::handleFrame(const std::uint8_t* data, std::size_t length) {
    if (length <= 2) {
        if (errorSink_ != nullptr) {
            errorSink_->tooShort(data, length);
        }
        return;
    }
    const Group group = data[0] & 0x3F;
    if (group >= control::GROUP_COUNT) {
        if (errorSink_ != nullptr) {
            errorSink_->invalidGroup(group);
        }
        return;
    }
    const auto mode = static_cast<Mode>(data[0] >> 6);
    const auto id = static_cast<std::uint16_t>((data[1] << 8) | data[2]);
    const std::uint8_t* payload = data + 3;
    const std::size_t payloadLength = length - 3;

    // Each callee may replace or clear itself, or destroy this control centre's owner, so it is
    // held by a local reference for the call and nothing of this object is touched afterwards
    // unless the message was left undelivered.
    if (const auto interceptor = interceptor_) {
        if ((*interceptor)(mode, group, id, payload, payloadLength)) {
            return;
        }
    }

    const auto found = handlers_[group].find(id);
    if (found != handlers_[group].end()) {
        const std::shared_ptr<const Handler> handler = found->second;
        ControlExtractor in(payload, payloadLength);
        if (!(*handler)(in, mode) && errorSink_ != nullptr) {
            errorSink_->tooShort(data, length);
        }
        return;
    }

    if (const auto fallback = fallback_) {
        (*fallback)(mode, group, id, payload, payloadLength);
        return;
    }
    if (errorSink_ != nullptr) {
        errorSink_->unhandled(group, id);
    }
}

void ControlCentre::setInterceptor(Interceptor interceptor) {
    interceptor_ = interceptor ? std::make_shared<const Interceptor>(std::move(interceptor)) : nullptr;
}

void ControlCentre::setFallback(Fallback fallback) {
    fallback_ = fallback ? std::make_shared<const Fallback>(std::move(fallback)) : nullptr;
}

void ControlCentre::setErrorSink(ErrorSink* sink) {
    errorSink_ = sink;
}

void ControlCentre::installHandler(Group group, std::uint16_t id, Handler handler) {
    auto& map = handlers_[group];
    const auto found = map.find(id);
    if (found != map.end()) {
        if (errorSink_ != nullptr) {
            errorSink_->handlerReplaced(group, id);
        }
        map.erase(found);
    }
    map.emplace(id, std::make_shared<const Handler>(std::move(handler)));
}

} // namespace cvsw::muppet
