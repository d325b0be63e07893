#pragma once

#include "muppet/control_centre.h"
#include "muppet/endian_inserter.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace cuu::test {

using Message = std::vector<std::uint8_t>;

// Plays the device behind one control centre, with no connection in between: takes the messages
// the control centre queues (takeNextFrame) and hands answers back through handleFrame, as a
// connection's service would. Every taken request is recorded; a responder decides the answers.
class ControlCentreDevice : public QObject {
    Q_OBJECT

public:
    // The answers to one request, delivered in order; none means the device stays silent.
    using Responder = std::function<std::vector<Message>(const Message& request)>;

    explicit ControlCentreDevice(std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre,
                                 QObject* parent = nullptr);
    ~ControlCentreDevice() override;

    void setResponder(Responder responder);

    // Takes every queued message, records it and delivers the responder's answers. Answers that
    // queue further messages are served in the same call. Returns the number of messages taken.
    int service();

    // Runs service() from a timer, so requests are answered while the test waits on the event loop.
    void startServicing(int intervalMs = 1);
    void stopServicing();

    // Hands one message to the control centre as if the device had sent it.
    void deliver(const Message& message);

    template <typename T>
    void deliverCommand(const T& command) {
        deliver(encode(command));
    }

    // Every request taken so far, oldest first.
    const std::vector<Message>& requests() const { return requests_; }
    std::vector<Message> takeRequests();

    template <typename T>
    static Message encode(const T& command) {
        Message message;
        cvsw::EndianInserter out(message, cvsw::EndianInserter::UNBOUNDED_ROOM);
        command.encode(out);
        return message;
    }

signals:
    void requestTaken(int index);

private:
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    Responder responder_;
    std::vector<Message> requests_;
    QTimer timer_;
};

} // namespace cuu::test
