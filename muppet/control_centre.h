#pragma once

#include "muppet/control_mode.h"
#include "muppet/endian_extractor.h"
#include "muppet/endian_inserter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace cvsw::muppet {

class Buffer;
class Notifier;

// The hub of one device conversation: holds the encoded control messages waiting to go to the
// device, and parses every inbound control message (the payload of a frame of type 0xFF) and
// hands it to the handler registered for its group and command id. A connection drives it with
// takeNextFrame and handleFrame; command exchanges and agents register handlers and queue
// messages.
class ControlCentre {
public:
    static constexpr std::uint8_t CONTROL_FRAME_TYPE = 0xFF;

    // Outbound queues; the highest non-empty one is served first. Every sender of this program
    // uses NORMAL.
    enum class Priority { LOW = 1, NORMAL = 2, HIGH = 3 };

    // Told about inbound messages that are dropped, and about replaced handlers. Not owned.
    class ErrorSink {
    public:
        virtual ~ErrorSink() = default;
        virtual void handlerReplaced(control::Group group, std::uint16_t id) = 0;
        virtual void invalidGroup(control::Group group) = 0;
        virtual void unhandled(control::Group group, std::uint16_t id) = 0;
        // The whole message: too short for a header, or for its command's payload.
        virtual void tooShort(const std::uint8_t* message, std::size_t length) = 0;
    };

    // (mode, group, id, payload after the 3-byte header, payload length)
    using Interceptor =
        std::function<bool(control::Mode, control::Group, std::uint16_t, const std::uint8_t*, std::size_t)>;
    using Fallback =
        std::function<void(control::Mode, control::Group, std::uint16_t, const std::uint8_t*, std::size_t)>;

    ControlCentre();
    ~ControlCentre();
    ControlCentre(const ControlCentre&) = delete;
    ControlCentre& operator=(const ControlCentre&) = delete;

    // Registers the handler for command type T, replacing any earlier one for T's id (the error
    // sink hears of it). Each inbound message of T's id is decoded into a new T; a GET, SET or INF
    // message shorter than T's layout goes to the error sink instead, an ERR message always
    // reaches the handler. Throws std::invalid_argument when the function is empty.
    template <typename T>
    void setHandler(std::function<void(std::unique_ptr<T>&&)> function) {
        static_assert(T::GROUP < control::GROUP_COUNT, "only groups 0 to 6 can carry handlers");
        if (!function) {
            throw std::invalid_argument("Handler functor can not be null");
        }
        installHandler(T::GROUP, T::ID,
                       [function = std::move(function)](ControlExtractor& in, control::Mode mode) {
                           auto command = T::decode(in, mode);
                           if (!command) {
                               return false;
                           }
                           function(std::move(command));
                           return true;
                       });
    }

    // Removes the handler of (group, id); true when there was one.
    bool clearHandler(control::Group group, std::uint16_t id);

    // Appends one encoded control message to a queue.
    void queueMessage(std::vector<std::uint8_t> message, Priority priority = Priority::NORMAL);

    // Encodes a command and queues it on the normal queue.
    template <typename T>
    void queueCommand(const T& command) {
        std::vector<std::uint8_t> message;
        EndianInserter out(message, EndianInserter::UNBOUNDED_ROOM);
        command.encode(out);
        queueMessage(std::move(message));
    }

    // Moves the oldest message of the highest non-empty queue into out, with frame type 0xFF.
    // False when nothing is queued, or when out has no room (the message is then lost).
    bool takeNextFrame(Notifier& notifier, std::uint8_t& frameType, Buffer& out);

    // Parses one inbound control message and dispatches it. Never throws on bad input.
    void handleFrame(const std::uint8_t* data, std::size_t length);

    void setInterceptor(Interceptor interceptor);
    void setFallback(Fallback fallback);
    void setErrorSink(ErrorSink* sink);

private:
    // Returns false when the message fell short of the command's layout and was not delivered.
    using Handler = std::function<bool(ControlExtractor&, control::Mode)>;

    void installHandler(control::Group group, std::uint16_t id, Handler handler);

    std::array<std::deque<std::vector<std::uint8_t>>, 3> queues_; // LOW, NORMAL, HIGH
    std::shared_ptr<const Interceptor> interceptor_;
    std::shared_ptr<const Fallback> fallback_;
    // Shared so that a handler that replaces or clears itself while it runs stays alive.
    std::array<std::map<std::uint16_t, std::shared_ptr<const Handler>>, control::GROUP_COUNT> handlers_;
    ErrorSink* errorSink_ = nullptr;
};

} // namespace cvsw::muppet
