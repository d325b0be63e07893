#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

class FrameHandler;

// An open link to one device. It sends the messages its control centres queue and frames queued
// with sendFrame, and hands inbound control messages to its control centres, but moves data only
// inside service.
//
// service may be re-entered: a handler that runs inside service may pump the event loop, and a
// timer there may call service on the same connection again. The nested call runs in full; frames
// are delivered in the order they arrived, each once, to the control centres registered at that
// moment, to the frame listeners and to the frame handler of every service(FrameHandler&) call
// still in progress.
class MuppetConnection : public std::enable_shared_from_this<MuppetConnection> {
public:
    virtual ~MuppetConnection();

    MuppetConnection(const MuppetConnection&) = delete;
    MuppetConnection& operator=(const MuppetConnection&) = delete;

    // A direct connection through the first registered factory that serves the location, or for a
    // TNLV3 location a tunnel over a connection to its inner location. Empty on failure.
    static std::shared_ptr<MuppetConnection> establishConnection(const QString& location);
    // A tunnel over a connection the caller already has; the inner location is not used. Empty when
    // the connection is empty or the location is no TNLV3 location.
    static std::shared_ptr<MuppetConnection>
    establishTunnelOnConnection(const std::shared_ptr<MuppetConnection>& connection, const QString& location);

    // One servicing pass: read and deliver inbound frames, send what is queued.
    virtual void service() = 0;
    // The same; handler also sees every inbound frame delivered while this call runs.
    virtual void service(FrameHandler& handler) = 0;
    // Queues a frame; frames of the control centres go first.
    virtual void sendFrame(std::uint8_t frameType, const QByteArray& payload) = 0;

    // Held weakly; a control centre whose owner releases it drops out of the list by itself. Adding
    // one twice makes it see every frame twice.
    virtual void addControlCentre(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre);
    // Removes the first entry that refers to it; an empty argument removes the first expired entry.
    virtual void removeControlCentre(const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre);

    // The listener sees every inbound frame of this connection for as long as it lives, whoever
    // services the connection; a tunnel listens so to the connection it rides on. A listener that is
    // also the handler of a service(FrameHandler&) call in progress sees each frame once.
    void addFrameListener(const std::weak_ptr<FrameHandler>& listener);

protected:
    MuppetConnection();

    // Registers the handler of a service(FrameHandler&) call for as long as the call runs.
    class FrameHandlerScope {
    public:
        FrameHandlerScope(MuppetConnection& connection, FrameHandler& handler);
        ~FrameHandlerScope();
        FrameHandlerScope(const FrameHandlerScope&) = delete;
        FrameHandlerScope& operator=(const FrameHandlerScope&) = delete;

    private:
        MuppetConnection& connection_;
    };

    // Hands one control message to every registered control centre, in registration order.
    void deliverToControlCentres(const QByteArray& message);
    // Hands one frame to every live listener, in the order they were added, and then to the handler
    // of every service(FrameHandler&) call in progress, outermost first; each handler once.
    void deliverToFrameHandlers(std::uint8_t frameType, const QByteArray& payload);
    void dropExpiredControlCentres();

    QList<std::weak_ptr<cvsw::muppet::ControlCentre>> controlCentres_;

private:
    bool isRegistered(const cvsw::muppet::ControlCentre* controlCentre) const;

    QList<FrameHandler*> activeFrameHandlers_;
    QList<std::weak_ptr<FrameHandler>> frameListeners_;
};

} // namespace fwup
