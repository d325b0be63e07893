#pragma once

#include "muppet/control_centre.h"
#include "muppet/control_mode.h"

#include <QByteArray>
#include <QList>

#include <memory>

namespace cuu::test {

// A control centre without handlers that writes down every inbound message it is given: whole ones
// through its fallback (header rebuilt), too-short ones through its error sink.
class ControlMessageRecorder final : public cvsw::muppet::ControlCentre::ErrorSink {
public:
    ControlMessageRecorder()
        : controlCentre(std::make_shared<cvsw::muppet::ControlCentre>()) {
        controlCentre->setErrorSink(this);
        controlCentre->setFallback([this](cvsw::muppet::control::Mode mode,
                                          cvsw::muppet::control::Group group, std::uint16_t id,
                                          const std::uint8_t* payload, std::size_t length) {
            QByteArray message;
            message.append(static_cast<char>(cvsw::muppet::control::header_byte(mode, group)));
            message.append(static_cast<char>(id >> 8));
            message.append(static_cast<char>(id & 0xFF));
            message.append(reinterpret_cast<const char*>(payload), static_cast<qsizetype>(length));
            messages.append(message);
        });
    }

    ~ControlMessageRecorder() override {
        controlCentre->setErrorSink(nullptr);
        controlCentre->setFallback({});
    }

    ControlMessageRecorder(const ControlMessageRecorder&) = delete;
    ControlMessageRecorder& operator=(const ControlMessageRecorder&) = delete;

    void handlerReplaced(cvsw::muppet::control::Group, std::uint16_t) override {}
    void invalidGroup(cvsw::muppet::control::Group) override {}
    void unhandled(cvsw::muppet::control::Group, std::uint16_t) override {}
    void tooShort(const std::uint8_t* message, std::size_t length) override {
        messages.append(QByteArray(reinterpret_cast<const char*>(message), static_cast<qsizetype>(length)));
    }

    std::shared_ptr<cvsw::muppet::ControlCentre> controlCentre;
    QList<QByteArray> messages;
};

} // namespace cuu::test
