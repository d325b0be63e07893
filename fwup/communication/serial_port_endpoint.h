#pragma once

#include "muppet/endpoint.h"

#include <QSerialPort>
#include <QString>

namespace fwup {

// An endpoint on a serial port it owns. The port keeps the serial library's default line settings.
// A failed write or read closes the port for good: later writes drop the transmit bytes and reads
// do nothing, so the connection goes quiet and its owner has to make a new one.
//
// Reports: (1, 5) when a write or read failed and the port was closed.
class SerialPortEndpoint final : public cvsw::muppet::Endpoint {
public:
    SerialPortEndpoint();
    ~SerialPortEndpoint() override;

    SerialPortEndpoint(const SerialPortEndpoint&) = delete;
    SerialPortEndpoint& operator=(const SerialPortEndpoint&) = delete;

    // Opens the named port read-write; a name without a path is looked for under /dev.
    bool open(const QString& portName);
    bool isOpen() const;
    QString errorString() const;

    // Blocks for up to 10 ms until the bytes have left.
    void write(cvsw::muppet::Notifier& notifier, cvsw::muppet::Buffer& tx) override;
    void read(cvsw::muppet::Notifier& notifier, cvsw::muppet::Buffer& rx) override;

private:
    void fail(cvsw::muppet::Notifier& notifier);

    QSerialPort port_;
};

} // namespace fwup
