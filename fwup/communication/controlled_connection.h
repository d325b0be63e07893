#pragma once

#include <QString>

#include <memory>

namespace cvsw::muppet {
class ControlCentre;
}

namespace fwup {

class MuppetConnection;

// One control centre and, while open, the connection it is attached to. Agents are built on the
// control centre once; the connection under it changes as the device resets and comes back.
class ControlledConnection {
public:
    ControlledConnection();
    ~ControlledConnection();

    ControlledConnection(const ControlledConnection&) = delete;
    ControlledConnection& operator=(const ControlledConnection&) = delete;

    const std::shared_ptr<cvsw::muppet::ControlCentre>& controlCentre() const { return controlCentre_; }

    // Connects to the location with the control centre attached, in place of what was open. On
    // failure nothing is open, and failureMessage is logged with the location.
    bool open(const QString& location, const char* failureMessage = "Failed to establish connection to");
    // Detaches the control centre and lets go of the connection; others that share the device
    // handle keep it.
    void close();
    bool isOpen() const { return connection_ != nullptr; }
    const std::shared_ptr<MuppetConnection>& connection() const { return connection_; }

    // One servicing pass, if open. A handler run inside may close this connection.
    void service();

private:
    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre_;
    std::shared_ptr<MuppetConnection> connection_;
};

} // namespace fwup
